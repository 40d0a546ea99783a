#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <cstring>

#include "transport/platform.h"

namespace cfgsnap::transport {

namespace {

// Not in every Windows SDK's headers: _WSAIOW(IOC_VENDOR, 12).
constexpr DWORD kUdpConnReset = 0x9800000Cu;

// Mirrors WSAGetLastError per thread, but is written only on failure, so a
// later successful call cannot erase or fake a code.
thread_local int lastError = 0;

int fail(int code) {
  lastError = code;
  return -1;
}

int failWithLastError() {
  return fail(::WSAGetLastError());
}

SOCKET native(SocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

bool holdsZeroOctet(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

// Winsock counts octets in an int.
int octetCount(std::size_t size) {
  return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

// Whether the text has the form of a numeric IPv4 address, whatever its
// value. The resolver would hand such text back as an address.
bool isNumericAddress(const std::string& text) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (::getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0) return false;
  ::freeaddrinfo(found);
  return true;
}

}  // namespace

void startNetworking() {
  // Version 1.1 covers every call the channel makes. The result is not
  // examined: after a failed start every socket call fails with
  // WSANOTINITIALISED, which the channel reports like any other failure.
  // Winsock is never shut down; the process ends with the run.
  static const bool started = [] {
    WSADATA details{};
    ::WSAStartup(MAKEWORD(1, 1), &details);
    return true;
  }();
  static_cast<void>(started);
}

SocketHandle openDatagramSocket() {
  const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (socket == INVALID_SOCKET) {
    failWithLastError();
    return kInvalidSocket;
  }
  // After a datagram meets a closed port, Windows makes the next recvfrom on
  // an unconnected UDP socket fail with WSAECONNRESET, and select calls the
  // socket readable for it. A receive would then end at once without a
  // reply instead of waiting out its time-out for one, as it does elsewhere.
  BOOL reportReset = FALSE;
  DWORD returned = 0;
  ::WSAIoctl(socket, kUdpConnReset, &reportReset, sizeof reportReset, nullptr, 0, &returned,
             nullptr, nullptr);
  return static_cast<SocketHandle>(socket);
}

bool bindAnyAddress(SocketHandle socket) {
  if (socket == kInvalidSocket) {
    fail(WSAENOTSOCK);
    return false;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = ::htonl(INADDR_ANY);
  local.sin_port = ::htons(0);
  if (::bind(native(socket), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    failWithLastError();
    return false;
  }
  return true;
}

std::uint16_t localPort(SocketHandle socket) {
  sockaddr_in local{};
  int size = sizeof local;
  if (::getsockname(native(socket), reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    failWithLastError();
    return 0;
  }
  return ::ntohs(local.sin_port);
}

std::int64_t sendDatagram(SocketHandle socket, std::span<const std::uint8_t> octets,
                          const Ipv4Endpoint& to) {
  if (octets.size() > static_cast<std::size_t>(INT_MAX)) return fail(WSAEMSGSIZE);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = to.address;
  remote.sin_port = ::htons(to.port);
  const int sent = ::sendto(native(socket), reinterpret_cast<const char*>(octets.data()),
                            octetCount(octets.size()), 0,
                            reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  if (sent == SOCKET_ERROR) return failWithLastError();
  return sent;
}

int waitReadable(SocketHandle socket, std::int32_t seconds) {
  if (seconds < 0) return fail(WSAEINVAL);
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(native(socket), &readable);
  timeval limit{};
  limit.tv_sec = seconds;
  // No timeval at all waits without limit. Signals do not interrupt select
  // here, so one call covers the whole wait.
  const int ready = ::select(0, &readable, nullptr, nullptr, seconds == 0 ? nullptr : &limit);
  if (ready == SOCKET_ERROR) return failWithLastError();
  return ready;
}

std::int64_t receiveDatagram(SocketHandle socket, std::span<std::uint8_t> buffer) {
  // Without blocking: recvfrom runs only once a zero wait has found a
  // datagram waiting.
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(native(socket), &readable);
  timeval now{};
  const int ready = ::select(0, &readable, nullptr, nullptr, &now);
  if (ready == SOCKET_ERROR) return failWithLastError();
  if (ready == 0) return fail(WSAEWOULDBLOCK);
  // A datagram longer than the buffer fails with WSAEMSGSIZE, and the system
  // discards the rest of it: it is consumed, never handed over cut short.
  const int got = ::recvfrom(native(socket), reinterpret_cast<char*>(buffer.data()),
                             octetCount(buffer.size()), 0, nullptr, nullptr);
  if (got == SOCKET_ERROR) return failWithLastError();
  if (got == 0) fail(WSANO_DATA);
  return got;
}

void closeSocket(SocketHandle socket) {
  if (socket == kInvalidSocket) return;
  if (::closesocket(native(socket)) != 0) failWithLastError();
}

int lastSocketError() {
  return lastError;
}

std::optional<std::uint32_t> dottedAddress(const std::string& text) {
  // Older Winsock versions read empty text as 0.0.0.0.
  if (text.empty() || holdsZeroOctet(text)) return std::nullopt;
  const unsigned long address = ::inet_addr(text.c_str());
  if (address == INADDR_NONE) return std::nullopt;
  return static_cast<std::uint32_t>(address);
}

std::optional<std::uint32_t> lookUpName(const std::string& name) {
  // gethostbyname hands numeric text back as an address and empty text as
  // this host's; only names are looked up, so text that the dotted
  // conversion refused (255.255.255.255) does not come back by this road.
  if (name.empty() || holdsZeroOctet(name) || isNumericAddress(name)) {
    fail(WSAHOST_NOT_FOUND);
    return std::nullopt;
  }
  const hostent* entry = ::gethostbyname(name.c_str());
  if (entry == nullptr) {
    failWithLastError();
    return std::nullopt;
  }
  if (entry->h_addrtype != AF_INET || entry->h_length != sizeof(std::uint32_t) ||
      entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    fail(WSANO_DATA);
    return std::nullopt;
  }
  std::uint32_t address = 0;
  std::memcpy(&address, entry->h_addr_list[0], sizeof address);
  return address;
}

}  // namespace cfgsnap::transport
