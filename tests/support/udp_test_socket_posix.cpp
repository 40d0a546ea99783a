#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "support/udp_test_socket.h"

namespace cfgsnap::testing {

namespace {

// Larger than any UDP payload, so nothing arrives cut.
constexpr std::size_t kLargestDatagram = 65536;

[[noreturn]] void failWith(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

int descriptor(std::intptr_t handle) {
  return static_cast<int>(handle);
}

sockaddr_in socketAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_addr.s_addr = address;
  result.sin_port = htons(port);
  return result;
}

}  // namespace

UdpTestSocket::UdpTestSocket(std::uint32_t address, std::uint16_t port)
    : handle_(::socket(AF_INET, SOCK_DGRAM, 0)) {
  if (handle_ < 0) failWith("cannot open a socket");
  sockaddr_in local = socketAddress(address, port);
  socklen_t size = sizeof local;
  if (::bind(descriptor(handle_), reinterpret_cast<const sockaddr*>(&local), size) != 0 ||
      ::getsockname(descriptor(handle_), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    const int saved = errno;
    ::close(descriptor(handle_));
    errno = saved;
    failWith("cannot bind port " + std::to_string(port));
  }
  port_ = ntohs(local.sin_port);
}

UdpTestSocket::~UdpTestSocket() {
  ::close(descriptor(handle_));
}

std::uint32_t UdpTestSocket::loopbackAddress() {
  return htonl(INADDR_LOOPBACK);
}

std::optional<std::uint32_t> UdpTestSocket::parseAddress(const std::string& text) {
  in_addr parsed{};
  if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1) return std::nullopt;
  return parsed.s_addr;
}

bool UdpTestSocket::waitReadable(std::chrono::milliseconds timeout) {
  pollfd watched{descriptor(handle_), POLLIN, 0};
  return ::poll(&watched, 1, static_cast<int>(timeout.count())) > 0;
}

std::optional<PeerDatagram> UdpTestSocket::receiveNow() {
  std::vector<std::uint8_t> buffer(kLargestDatagram);
  sockaddr_in source{};
  socklen_t size = sizeof source;
  const ssize_t got = ::recvfrom(descriptor(handle_), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&source), &size);
  if (got < 0) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(got));
  return PeerDatagram{std::move(buffer), source.sin_addr.s_addr, ntohs(source.sin_port)};
}

bool UdpTestSocket::sendTo(std::uint32_t address, std::uint16_t port,
                           std::span<const std::uint8_t> octets) {
  const sockaddr_in to = socketAddress(address, port);
  const ssize_t sent = ::sendto(descriptor(handle_), octets.data(), octets.size(), 0,
                                reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return sent == static_cast<ssize_t>(octets.size());
}

}  // namespace cfgsnap::testing
