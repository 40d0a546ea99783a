#include "transport/loopback_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace cfgsnap::transport::testing {

namespace {

sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

[[noreturn]] void failWith(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

LoopbackPeer::LoopbackPeer() : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
  if (fd_ < 0) failWith("socket");
  sockaddr_in address = loopback(0);
  socklen_t size = sizeof address;
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    const int saved = errno;
    ::close(fd_);
    errno = saved;
    failWith("bind");
  }
  port_ = ntohs(address.sin_port);
}

LoopbackPeer::~LoopbackPeer() {
  ::close(fd_);
}

std::optional<Datagram> LoopbackPeer::receive(std::chrono::milliseconds timeout) {
  pollfd watched{fd_, POLLIN, 0};
  if (::poll(&watched, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
  // Larger than any UDP payload, so nothing arrives cut.
  std::vector<std::uint8_t> buffer(65536);
  sockaddr_in sender{};
  socklen_t size = sizeof sender;
  const ssize_t got = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&sender), &size);
  if (got < 0) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(got));
  return Datagram{std::move(buffer), ntohs(sender.sin_port)};
}

void LoopbackPeer::sendTo(std::uint16_t port, std::span<const std::uint8_t> octets) {
  const sockaddr_in to = loopback(port);
  const ssize_t sent = ::sendto(fd_, octets.data(), octets.size(), 0,
                                reinterpret_cast<const sockaddr*>(&to), sizeof to);
  if (sent != static_cast<ssize_t>(octets.size())) failWith("sendto");
}

std::uint16_t closedLoopbackPort() {
  const LoopbackPeer released;
  return released.port();
}

}  // namespace cfgsnap::transport::testing
