// udp_test_socket.h: UdpTestSocket, a plain IPv4 datagram socket for the
// test peers (the channel tests' loopback peer and the scripted fake agent),
// one implementation per platform. It stands apart from the product's own
// socket layer, so that a fault there cannot hide in the peers that test it.
//
// Construction opens the socket and binds it to the given address and port
// (port 0 lets the system choose); it throws std::runtime_error, naming the
// step and the platform's reason, when either fails. The object owns the
// socket and closes it when destroyed. A receive never blocks beyond the
// wait it is given and always takes a datagram whole. Addresses are IPv4 in
// network byte order, ports in host byte order.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cfgsnap::testing {

struct PeerDatagram {
  std::vector<std::uint8_t> octets;
  std::uint32_t sourceAddress = 0;
  std::uint16_t sourcePort = 0;
};

class UdpTestSocket {
 public:
  UdpTestSocket(std::uint32_t address, std::uint16_t port);
  ~UdpTestSocket();
  UdpTestSocket(const UdpTestSocket&) = delete;
  UdpTestSocket& operator=(const UdpTestSocket&) = delete;

  // 127.0.0.1.
  static std::uint32_t loopbackAddress();
  // Dotted-quad text as an address; nothing for any other text.
  static std::optional<std::uint32_t> parseAddress(const std::string& text);

  // The port the socket is bound to.
  std::uint16_t port() const { return port_; }
  // True once a datagram waits, false when none came within `timeout`.
  bool waitReadable(std::chrono::milliseconds timeout);
  // The datagram waiting now, whole; nothing, at once, when none waits or
  // the read fails.
  std::optional<PeerDatagram> receiveNow();
  // Sends the octets as one datagram; true when all of them went out.
  bool sendTo(std::uint32_t address, std::uint16_t port, std::span<const std::uint8_t> octets);

 private:
  std::intptr_t handle_;
  std::uint16_t port_ = 0;
};

}  // namespace cfgsnap::testing
