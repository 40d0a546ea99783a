// platform.h: the small datagram-socket layer the transport is written
// against, one implementation per platform (platform_posix.cpp and
// platform_win.cpp).
//
// It offers exactly what an agent channel needs: an IPv4 datagram socket
// bound to any local address and a system-chosen port, one send, a wait for
// readability bounded in whole seconds, one datagram per read, close, and
// IPv4 resolution. Failures are return values, never exceptions or output;
// every failing call leaves its code for lastSocketError(), kept per thread
// like the platform's own error variable.
//
// Nothing here owns anything beyond the socket handles it returns: the
// caller owns a handle from openDatagramSocket() and gives it back with
// closeSocket(). Buffers are always the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace cfgsnap::transport {

// SocketHandle: an opaque socket handle, wide enough for every platform's.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;

// Ipv4Endpoint: an IPv4 address in network byte order and a port in host
// byte order.
struct Ipv4Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

// startNetworking prepares the socket library once per process. A no-op
// where sockets need no start-up.
void startNetworking();

// openDatagramSocket opens an IPv4 datagram socket, or gives kInvalidSocket.
SocketHandle openDatagramSocket();

// bindAnyAddress binds the socket to any local address and port 0, letting
// the system choose the port. False on failure, kInvalidSocket included.
bool bindAnyAddress(SocketHandle socket);

// localPort is the port the socket is bound to, in host byte order; 0 when
// it is unbound or the query fails.
std::uint16_t localPort(SocketHandle socket);

// sendDatagram sends the octets as one datagram. Gives the octets sent, or
// -1 on failure.
std::int64_t sendDatagram(SocketHandle socket, std::span<const std::uint8_t> octets,
                          const Ipv4Endpoint& to);

// waitReadable waits until the socket is readable, for at most `seconds`
// seconds, or without limit when `seconds` is 0. Gives a positive value when
// readable, 0 on time-out and -1 on failure; a negative `seconds` fails at
// once. An interrupted wait goes on for the time that is left.
int waitReadable(SocketHandle socket, std::int32_t seconds);

// receiveDatagram takes one waiting datagram from any sender into `buffer`
// without blocking. Gives its length; 0 for an empty datagram (with a "no
// data" code left for lastSocketError); -1 on failure, which includes a
// datagram longer than the buffer: such a datagram is consumed but never
// handed over cut short.
std::int64_t receiveDatagram(SocketHandle socket, std::span<std::uint8_t> buffer);

// closeSocket closes a handle from openDatagramSocket. kInvalidSocket is
// ignored.
void closeSocket(SocketHandle socket);

// lastSocketError is the code left by the last failing call of this layer on
// the calling thread; 0 until the first failure.
int lastSocketError();

// dottedAddress converts dotted IPv4 text with the classic inet_addr rules
// (forms such as "127.1" and hexadecimal or octal parts included) to an
// address in network byte order. Gives nothing for any other text, and for
// text denoting 255.255.255.255, which the classic conversion cannot tell
// from its failure value.
std::optional<std::uint32_t> dottedAddress(const std::string& text);

// lookUpName resolves a host name to the first of its IPv4 addresses, in
// network byte order. Text that has the form of a numeric address is not a
// name and is not looked up; empty text does not resolve either. Gives
// nothing on failure, with the resolver's code left for lastSocketError.
std::optional<std::uint32_t> lookUpName(const std::string& name);

}  // namespace cfgsnap::transport
