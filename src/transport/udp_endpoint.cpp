#include "transport/udp_endpoint.h"

#include <algorithm>

#include "snmp/message_decoder.h"

namespace cfgsnap::transport {

UdpEndpoint::UdpEndpoint(std::int32_t port, std::int32_t timeoutSeconds)
    : port_(port),
      receiveBuffer_(kReceiveCapacity, 0),
      timeoutSeconds_(timeoutSeconds),
      // A failed open is not checked here: the invalid handle makes the
      // later bind fail, which records the code and leaves it not ready.
      socket_(openDatagramSocket()) {
  setPort(port);
}

UdpEndpoint::~UdpEndpoint() {
  closeSocket(socket_);
}

void UdpEndpoint::setPort(std::int32_t port) {
  port_ = port;
  remoteAddress_.port = static_cast<std::uint16_t>(static_cast<std::uint32_t>(port) & 0xFFFFu);
}

std::uint16_t UdpEndpoint::localPort() const {
  return socket_ == kInvalidSocket ? 0 : transport::localPort(socket_);
}

void UdpEndpoint::recordError() {
  lastError_ = lastSocketError();
}

void UdpEndpoint::bindAndMarkReady() {
  if (bindAnyAddress(socket_)) {
    ready_ = true;
  } else {
    recordError();
  }
}

std::int32_t UdpEndpoint::sendTo(std::span<const std::uint8_t> octets, const Ipv4Endpoint& to) {
  const std::int64_t sent = sendDatagram(socket_, octets, to);
  if (sent < 0) {
    recordError();
    return 0;
  }
  return static_cast<std::int32_t>(sent);
}

std::int32_t UdpEndpoint::sendMessage(const snmp::SnmpMessage& message, const Ipv4Endpoint& to) {
  // A message that cannot be sized or encoded, or memory that runs out, is
  // an unsent request to the caller, like a failed sendto.
  try {
    const std::vector<std::uint8_t> encoded = snmp::encodeMessage(message);
    return sendTo(encoded, to);
  } catch (...) {
    return 0;
  }
}

bool UdpEndpoint::receiveFrom() {
  // A failed read must leave the previous datagram in the receive buffer,
  // so the read goes to a scratch buffer first.
  std::vector<std::uint8_t> scratch(kReceiveCapacity);
  receivedLength_ = 0;
  if (waitReadable(socket_, timeoutSeconds_) <= 0) return false;
  const std::int64_t got = receiveDatagram(socket_, scratch);
  if (got <= 0) {
    recordError();
    return false;
  }
  receivedLength_ = static_cast<std::int32_t>(got);
  std::fill(receiveBuffer_.begin(), receiveBuffer_.end(), std::uint8_t{0});
  std::copy_n(scratch.begin(), got, receiveBuffer_.begin());
  return true;
}

std::unique_ptr<snmp::SnmpMessage> UdpEndpoint::receiveMessage() {
  if (!receiveFrom()) return nullptr;
  snmp::MessageDecoder decoder(std::span<const std::uint8_t>(receiveBuffer_)
                                   .first(static_cast<std::size_t>(receivedLength_)));
  return decoder.release();
}

}  // namespace cfgsnap::transport
