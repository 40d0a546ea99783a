#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "transport/platform.h"

namespace cfgsnap::transport {

namespace {

// Mirrors the per-thread error variable of the socket API, but is written
// only on failure, so a later successful call cannot erase or fake a code.
thread_local int lastError = 0;

int fail(int code) {
  lastError = code;
  return -1;
}

int descriptor(SocketHandle socket) {
  return static_cast<int>(socket);
}

bool holdsZeroOctet(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

}  // namespace

void startNetworking() {}

SocketHandle openDatagramSocket() {
  int type = SOCK_DGRAM;
#ifdef SOCK_CLOEXEC
  type |= SOCK_CLOEXEC;
#endif
  const int fd = ::socket(AF_INET, type, 0);
  if (fd < 0) {
    fail(errno);
    return kInvalidSocket;
  }
  return fd;
}

bool bindAnyAddress(SocketHandle socket) {
  if (socket == kInvalidSocket) {
    fail(EBADF);
    return false;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(0);
  if (::bind(descriptor(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    fail(errno);
    return false;
  }
  return true;
}

std::uint16_t localPort(SocketHandle socket) {
  sockaddr_in local{};
  socklen_t size = sizeof local;
  if (::getsockname(descriptor(socket), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    fail(errno);
    return 0;
  }
  return ntohs(local.sin_port);
}

std::int64_t sendDatagram(SocketHandle socket, std::span<const std::uint8_t> octets,
                          const Ipv4Endpoint& to) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = to.address;
  remote.sin_port = htons(to.port);
  const ssize_t sent = ::sendto(descriptor(socket), octets.data(), octets.size(), 0,
                                reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  if (sent < 0) return fail(errno);
  return sent;
}

int waitReadable(SocketHandle socket, std::int32_t seconds) {
  if (seconds < 0) return fail(EINVAL);
  // poll instead of select: select cannot watch a descriptor at or above
  // FD_SETSIZE without writing past its set.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  pollfd watched{};
  watched.fd = descriptor(socket);
  watched.events = POLLIN;
  for (;;) {
    int waitMs = -1;
    if (seconds != 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return 0;
      // Long time-outs are waited out in pieces that fit poll's int.
      waitMs = left > INT_MAX ? INT_MAX : static_cast<int>(left);
    }
    const int ready = ::poll(&watched, 1, waitMs);
    if (ready > 0) return ready;
    if (ready == 0) {
      if (seconds != 0 && Clock::now() >= deadline) return 0;
      continue;
    }
    if (errno != EINTR) return fail(errno);
  }
}

std::int64_t receiveDatagram(SocketHandle socket, std::span<std::uint8_t> buffer) {
  iovec part{};
  part.iov_base = buffer.data();
  part.iov_len = buffer.size();
  msghdr header{};
  header.msg_iov = &part;
  header.msg_iovlen = 1;
  // Without blocking: a readable report can be stale (a datagram with a bad
  // checksum is dropped only when read), and the caller's wait has a bound.
  ssize_t got = 0;
  do {
    got = ::recvmsg(descriptor(socket), &header, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return fail(errno);
  // A datagram longer than the buffer arrives cut to the buffer's size with
  // MSG_TRUNC set; a cut datagram must never pass for a whole one.
  if ((header.msg_flags & MSG_TRUNC) != 0) return fail(EMSGSIZE);
  if (got == 0) fail(ENODATA);
  return got;
}

void closeSocket(SocketHandle socket) {
  if (socket == kInvalidSocket) return;
  // The descriptor is released even when close reports EINTR; retrying
  // could close a descriptor reused meanwhile.
  if (::close(descriptor(socket)) != 0) fail(errno);
}

int lastSocketError() {
  return lastError;
}

std::optional<std::uint32_t> dottedAddress(const std::string& text) {
  if (holdsZeroOctet(text)) return std::nullopt;
  const in_addr_t address = ::inet_addr(text.c_str());
  if (address == INADDR_NONE) return std::nullopt;
  return address;
}

std::optional<std::uint32_t> lookUpName(const std::string& name) {
  in_addr numeric{};
  // The resolver itself would accept numeric text; only names are looked
  // up, so text that the dotted conversion refused (255.255.255.255) does
  // not come back as an address by this road.
  if (name.empty() || holdsZeroOctet(name) || ::inet_aton(name.c_str(), &numeric) != 0) {
    fail(EAI_NONAME);
    return std::nullopt;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const int status = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (status != 0) {
    fail(status == EAI_SYSTEM ? errno : status);
    return std::nullopt;
  }
  std::optional<std::uint32_t> address;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
      sockaddr_in first{};
      std::memcpy(&first, entry->ai_addr, sizeof first);
      address = first.sin_addr.s_addr;
      break;
    }
  }
  ::freeaddrinfo(found);
  if (!address) fail(EAI_NONAME);
  return address;
}

}  // namespace cfgsnap::transport
