#include "transport/loopback_peer.h"

#include <stdexcept>

namespace cfgsnap::transport::testing {

using cfgsnap::testing::UdpTestSocket;

LoopbackPeer::LoopbackPeer() : socket_(UdpTestSocket::loopbackAddress(), 0) {}

std::optional<Datagram> LoopbackPeer::receive(std::chrono::milliseconds timeout) {
  if (!socket_.waitReadable(timeout)) return std::nullopt;
  auto got = socket_.receiveNow();
  if (!got) return std::nullopt;
  return Datagram{std::move(got->octets), got->sourcePort};
}

void LoopbackPeer::sendTo(std::uint16_t port, std::span<const std::uint8_t> octets) {
  if (!socket_.sendTo(UdpTestSocket::loopbackAddress(), port, octets)) {
    throw std::runtime_error("sendto failed");
  }
}

std::uint16_t closedLoopbackPort() {
  const LoopbackPeer released;
  return released.port();
}

}  // namespace cfgsnap::transport::testing
