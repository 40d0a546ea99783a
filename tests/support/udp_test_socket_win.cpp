#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>
#include <string>

#include "support/udp_test_socket.h"

namespace cfgsnap::testing {

namespace {

// Larger than any UDP payload, so nothing arrives cut.
constexpr int kLargestDatagram = 65536;
// _WSAIOW(IOC_VENDOR, 12), not in every Windows SDK's headers.
constexpr DWORD kUdpConnReset = 0x9800000Cu;

[[noreturn]] void failWith(const std::string& what) {
  throw std::runtime_error(what + ": Winsock error " + std::to_string(::WSAGetLastError()));
}

SOCKET native(std::intptr_t handle) {
  return static_cast<SOCKET>(handle);
}

sockaddr_in socketAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_addr.s_addr = address;
  result.sin_port = ::htons(port);
  return result;
}

bool readableWithin(SOCKET socket, std::chrono::milliseconds timeout) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval limit{};
  limit.tv_sec = static_cast<long>(timeout.count() / 1000);
  limit.tv_usec = static_cast<long>(timeout.count() % 1000 * 1000);
  return ::select(0, &readable, nullptr, nullptr, &limit) > 0;
}

}  // namespace

UdpTestSocket::UdpTestSocket(std::uint32_t address, std::uint16_t port)
    : handle_(static_cast<std::intptr_t>(::socket(AF_INET, SOCK_DGRAM, 0))) {
  if (native(handle_) == INVALID_SOCKET) failWith("cannot open a socket");
  // A peer answers requesters that may be gone by then; the port unreachable
  // that comes back must not fail the peer's next receive, which it never
  // does on Linux.
  BOOL reportReset = FALSE;
  DWORD returned = 0;
  ::WSAIoctl(native(handle_), kUdpConnReset, &reportReset, sizeof reportReset, nullptr, 0,
             &returned, nullptr, nullptr);
  sockaddr_in local = socketAddress(address, port);
  int size = sizeof local;
  if (::bind(native(handle_), reinterpret_cast<const sockaddr*>(&local), size) != 0 ||
      ::getsockname(native(handle_), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    const int saved = ::WSAGetLastError();
    ::closesocket(native(handle_));
    ::WSASetLastError(saved);
    failWith("cannot bind port " + std::to_string(port));
  }
  port_ = ::ntohs(local.sin_port);
}

UdpTestSocket::~UdpTestSocket() {
  ::closesocket(native(handle_));
}

std::uint32_t UdpTestSocket::loopbackAddress() {
  return ::htonl(INADDR_LOOPBACK);
}

std::optional<std::uint32_t> UdpTestSocket::parseAddress(const std::string& text) {
  in_addr parsed{};
  if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1) return std::nullopt;
  return parsed.s_addr;
}

bool UdpTestSocket::waitReadable(std::chrono::milliseconds timeout) {
  return readableWithin(native(handle_), timeout);
}

std::optional<PeerDatagram> UdpTestSocket::receiveNow() {
  if (!readableWithin(native(handle_), std::chrono::milliseconds(0))) return std::nullopt;
  std::vector<std::uint8_t> buffer(kLargestDatagram);
  sockaddr_in source{};
  int size = sizeof source;
  const int got = ::recvfrom(native(handle_), reinterpret_cast<char*>(buffer.data()),
                             kLargestDatagram, 0, reinterpret_cast<sockaddr*>(&source), &size);
  if (got == SOCKET_ERROR) return std::nullopt;
  buffer.resize(static_cast<std::size_t>(got));
  return PeerDatagram{std::move(buffer), source.sin_addr.s_addr, ::ntohs(source.sin_port)};
}

bool UdpTestSocket::sendTo(std::uint32_t address, std::uint16_t port,
                           std::span<const std::uint8_t> octets) {
  const sockaddr_in to = socketAddress(address, port);
  const int sent = ::sendto(native(handle_), reinterpret_cast<const char*>(octets.data()),
                            static_cast<int>(octets.size()), 0,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return sent == static_cast<int>(octets.size());
}

}  // namespace cfgsnap::testing
