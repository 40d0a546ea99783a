// agent_channel.h: AgentChannel, the UDP channel to one SNMP agent: it
// resolves the agent's host text, binds its own socket to a system-chosen
// local port, sends one message and waits a bounded time for one reply.
//
// Readiness is decided once, in the constructor: the host resolved and the
// socket bound. A channel that is not ready (unresolvable or empty host
// text, failed bind; lastError() holds the code) answers send() with 0 and
// receive() with null at once, without encoding and without waiting.
//
// The host text is taken as dotted IPv4 text first, with the classic
// inet_addr rules; anything else, 255.255.255.255 included, is looked up as
// a name and the first IPv4 address found is used.
//
// The reply is the first datagram to reach the channel's port within the
// time-out (5 seconds unless set), from whatever address and port; the
// caller's request-id check is the only filter. One datagram is read per
// receive: a datagram that does not decode gives null even when a good one
// waits behind it.
//
// The channel owns its socket and a copy of the host text. A message given
// to send() stays the caller's; a message from receive() is the caller's and
// outlives the channel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "snmp/message.h"
#include "transport/platform.h"
#include "transport/udp_endpoint.h"

namespace cfgsnap::transport {

class AgentChannel : public UdpEndpoint {
 public:
  static constexpr std::int32_t kDefaultTimeoutSeconds = 5;

  AgentChannel(std::int32_t port, std::string_view hostName);

  // Encodes and sends the message to the agent. Gives the octets sent (the
  // message's encodedSize on success), or 0.
  std::int32_t send(const snmp::SnmpMessage& message);
  // Waits for one datagram and decodes it; null on time-out, failure, an
  // undecodable datagram, or at once when the channel is not ready.
  std::unique_ptr<snmp::SnmpMessage> receive();

  // The host text as given; empty when it was empty.
  const std::string& hostName() const { return hostName_; }

 private:
  void setHost(std::string_view hostName);
  void resolveAndBind();

  std::string hostName_;
};

}  // namespace cfgsnap::transport
