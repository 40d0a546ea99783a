// bench_agent_posix.cpp: cfgsnap_bench_agent, the agent that bench/run-tool
// times cfgsnap, snmpget and snmpset against: a switch that has saved its
// configuration by the time it is first asked.
//
//   cfgsnap_bench_agent [--address A] [--port P]
//
// It answers every SNMPv1 request on A:P (default 127.0.0.1:161) with a
// GetResponse carrying the request's community and request-id and error-
// status 0: a SetRequest with its own bindings echoed, as an agent that
// accepted them does; a GetRequest with INTEGER 2 ("saved") for every name
// asked. Anything else is dropped. Once listening it prints "ready PORT" and
// a line end; it then serves until it is killed. A bad argument or a port
// that cannot be bound prints a message on standard error and exits 2.
// POSIX only, like the script that runs it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/ber.h"
#include "snmp/integer_values.h"
#include "snmp/message.h"
#include "snmp/message_decoder.h"
#include "snmp/octet_values.h"
#include "snmp/var_bind.h"
#include "snmp/wire.h"

namespace {

using cfgsnap::snmp::SnmpMessage;

constexpr std::int32_t kSaved = 2;

int fail(const std::string& message) {
  std::fprintf(stderr, "cfgsnap_bench_agent: %s\n", message.c_str());
  return 2;
}

// A copy of a value, through its own encoding.
std::unique_ptr<cfgsnap::snmp::SnmpValue> copyOf(const cfgsnap::snmp::SnmpValue& value) {
  const std::vector<std::uint8_t> encoded = value.toBytes();
  cfgsnap::snmp::BerReader reader(std::span<const std::uint8_t>(encoded).subspan(1));
  return cfgsnap::snmp::decodeValue(encoded[0], reader);
}

// The answer to one request, or nothing for a request this agent ignores.
std::unique_ptr<SnmpMessage> answer(const SnmpMessage& request) {
  const bool set = request.pduTag() == cfgsnap::snmp::wire::kSetRequest;
  const bool get = request.pduTag() == cfgsnap::snmp::wire::kGetRequest;
  if (!set && !get) return nullptr;
  auto reply = std::make_unique<SnmpMessage>(cfgsnap::snmp::wire::kGetResponse,
                                             cfgsnap::snmp::wire::kVersion1);
  reply->setCommunity(request.communityText().value_or(""));
  reply->setRequestId(request.requestId());
  for (const cfgsnap::snmp::VarBind* binding = request.bindings().head(); binding;
       binding = binding->next()) {
    if (!binding->name()) continue;
    std::unique_ptr<cfgsnap::snmp::SnmpValue> value;
    if (get) {
      value = std::make_unique<cfgsnap::snmp::SnmpInteger>(kSaved);
    } else if (binding->value()) {
      value = copyOf(*binding->value());
    }
    reply->appendBinding(
        std::make_unique<cfgsnap::snmp::VarBind>(copyOf(*binding->name()), std::move(value)));
  }
  return reply;
}

}  // namespace

int main(int argc, char** argv) {
  std::string address = "127.0.0.1";
  long port = 161;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--address" && i + 1 < argc) {
      address = argv[++i];
    } else if (argument == "--port" && i + 1 < argc) {
      char* end = nullptr;
      port = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || port < 0 || port > 65535) return fail("bad port");
    } else {
      return fail("unknown argument " + std::string(argument));
    }
  }

  const int socketHandle = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) return fail("bad address");
  if (socketHandle < 0 ||
      ::bind(socketHandle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    return fail("cannot bind " + address + ":" + std::to_string(port) + ": " +
                std::strerror(errno));
  }
  socklen_t localLength = sizeof local;
  ::getsockname(socketHandle, reinterpret_cast<sockaddr*>(&local), &localLength);
  std::printf("ready %u\n", static_cast<unsigned>(ntohs(local.sin_port)));
  std::fflush(stdout);

  std::vector<std::uint8_t> datagram(cfgsnap::snmp::wire::kMaxDatagramSize);
  for (;;) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got = ::recvfrom(socketHandle, datagram.data(), datagram.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got <= 0) continue;
    const std::unique_ptr<SnmpMessage> request =
        cfgsnap::snmp::MessageDecoder(
            std::span<const std::uint8_t>(datagram).first(static_cast<std::size_t>(got)))
            .release();
    if (!request) continue;
    const std::unique_ptr<SnmpMessage> reply = answer(*request);
    if (!reply) continue;
    const std::vector<std::uint8_t> octets = cfgsnap::snmp::encodeMessage(*reply);
    ::sendto(socketHandle, octets.data(), octets.size(), 0,
             reinterpret_cast<const sockaddr*>(&from), fromLength);
  }
}
