// loopback_peer.h: LoopbackPeer, a plain UDP socket on 127.0.0.1 and a
// system-chosen port that plays the agent (or a stranger) in channel tests.
// It records the sender port of what it receives and sends only to
// 127.0.0.1. Construction throws std::runtime_error when the socket cannot
// be opened or bound; the peer owns its socket and closes it when destroyed.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "support/udp_test_socket.h"

namespace cfgsnap::transport::testing {

struct Datagram {
  std::vector<std::uint8_t> octets;
  std::uint16_t senderPort = 0;
};

class LoopbackPeer {
 public:
  LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  std::uint16_t port() const { return socket_.port(); }
  // The next datagram, whole, or nothing when none arrives within `timeout`.
  std::optional<Datagram> receive(std::chrono::milliseconds timeout = std::chrono::seconds(2));
  // Sends the octets as one datagram to 127.0.0.1:port. Throws on failure.
  void sendTo(std::uint16_t port, std::span<const std::uint8_t> octets);

 private:
  cfgsnap::testing::UdpTestSocket socket_;
};

// A loopback port on which nothing listens: bound once, then released.
std::uint16_t closedLoopbackPort();

}  // namespace cfgsnap::transport::testing
