// udp_endpoint.h: UdpEndpoint, one IPv4 datagram socket with a remote
// address, a 4096-octet receive buffer and a receive time-out, which sends
// one SNMP message and receives one.
//
// The socket is opened by the constructor and closed by the destructor; the
// endpoint owns it and its receive buffer and can be neither copied nor
// moved. Binding the socket and choosing the remote address are left to the
// derived AgentChannel, which also decides readiness.
//
// Failures are return values: sending gives 0 octets, receiving gives no
// message, and lastError() keeps the platform code of the last recorded
// failure (0 until then). No failure is printed or thrown. A time-out or a
// failed wait records nothing; so does an exception while encoding.
//
// Received messages are decoded into new SnmpMessage objects that the caller
// owns; they copy what they need and stay valid after the endpoint is gone.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "snmp/message.h"
#include "transport/platform.h"

namespace cfgsnap::transport {

class UdpEndpoint {
 public:
  static constexpr std::uint32_t kReceiveCapacity = 4096;

  // Opens the socket (a failure leaves no socket, and binding then fails),
  // a zero-filled receive buffer and the remote port; the remote address is
  // 0.0.0.0 until a derived class sets it.
  UdpEndpoint(std::int32_t port, std::int32_t timeoutSeconds);
  ~UdpEndpoint();
  UdpEndpoint(const UdpEndpoint&) = delete;
  UdpEndpoint& operator=(const UdpEndpoint&) = delete;

  // Stores the remote port; only its low 16 bits reach the address.
  void setPort(std::int32_t port);
  // Applies to every later receive: whole seconds, 0 waits without limit, a
  // negative value makes the wait fail at once.
  void setTimeout(std::int32_t seconds) { timeoutSeconds_ = seconds; }

  std::int32_t port() const { return port_; }
  std::int32_t timeoutSeconds() const { return timeoutSeconds_; }
  // True once the remote address is known and the socket is bound.
  bool ready() const { return ready_; }
  std::int32_t lastError() const { return lastError_; }
  // Octets in the last datagram received; 0 when the last receive got none.
  std::int32_t receivedLength() const { return receivedLength_; }
  // All kReceiveCapacity octets: the last datagram received, then zeros.
  std::span<const std::uint8_t> receiveBuffer() const { return receiveBuffer_; }
  // The local port the system chose at binding, or 0 before.
  std::uint16_t localPort() const;

 protected:
  // Encodes the message into a buffer of exactly its encodedSize and sends
  // it as one datagram. Gives the octets sent, or 0; every exception raised
  // meanwhile is caught and gives 0 without touching lastError.
  std::int32_t sendMessage(const snmp::SnmpMessage& message, const Ipv4Endpoint& to);
  // Waits for one datagram and decodes it. Null on time-out, on failure, for
  // an empty or over-long datagram and when the decoder gives up.
  std::unique_ptr<snmp::SnmpMessage> receiveMessage();

  // The remote address and port, as setRemoteAddress and setPort left them.
  const Ipv4Endpoint& remoteAddress() const { return remoteAddress_; }
  void setRemoteAddress(std::uint32_t networkOrderAddress) {
    remoteAddress_.address = networkOrderAddress;
  }
  // Binds the socket to any address and a system-chosen port; on success
  // the endpoint is ready, on failure the code is recorded.
  void bindAndMarkReady();
  // lastError = the platform's last failure code.
  void recordError();

 private:
  // Sends the octets; gives the count sent, or 0 with the failure recorded.
  std::int32_t sendTo(std::span<const std::uint8_t> octets, const Ipv4Endpoint& to);
  // Waits for and reads one datagram; sets receivedLength. True when a
  // datagram of at least one octet now stands in the receive buffer.
  bool receiveFrom();

  std::int32_t port_;
  std::vector<std::uint8_t> receiveBuffer_;
  std::int32_t receivedLength_ = 0;
  std::int32_t lastError_ = 0;
  std::int32_t timeoutSeconds_;
  SocketHandle socket_ = kInvalidSocket;
  Ipv4Endpoint remoteAddress_;
  bool ready_ = false;
};

}  // namespace cfgsnap::transport
