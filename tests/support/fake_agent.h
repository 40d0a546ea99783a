// fake_agent.h: FakeAgent, a scripted SNMP agent on a UDP socket, for tests
// of the configuration save against something that answers like a switch.
//
// The agent records every datagram it receives (octets and source port) and
// answers the n-th request with the n-th answer of its script. An answer is
// zero or more datagrams, each built with the codec as a GetResponse that
// echoes the request's community and request-id unless told otherwise, or
// one of a few kinds of junk. It answers to the source address and port of
// the request. Requests past the end of the script get no answer, or the
// last answer again when the script says so.
//
// Script text, one token per answer (also the command line of the
// cfgsnap_fake_agent executable):
//
//   ANSWER   := "silent" | DATAGRAM { "+" DATAGRAM } [ "*" ]
//   DATAGRAM := BODY { ":" OPTION }
//   BODY     := N         GetResponse, one binding: the request's first name,
//                         INTEGER N (N may be negative)
//             | "ok"      GetResponse echoing every binding of the request
//             | "null"    GetResponse, the request's first name with NULL
//             | "string"  GetResponse, the request's first name with ""
//             | "nobind"  GetResponse without bindings
//             | "garbage" 9 octets whose SEQUENCE length runs past the end
//             | "oversize" GetResponse with INTEGER 2 padded to 5000 octets
//             | "empty"   a zero-length datagram
//   OPTION   := "id=N"     request-id N instead of the request's
//             | "err=N"    error-status N, error-index 1
//             | "other"    sent from a second socket, so from another port
//             | "delay=MS" sent MS milliseconds after the previous datagram
//
// A trailing "*" makes that answer repeat for every later request.
// Examples: "ok 1 1 13" accepts the SetRequest, then reports in progress
// twice and file not found; "ok:err=2" refuses the SetRequest; "garbage+2"
// sends junk, then the real reply.
//
// Failures: parseAgentScript reports a bad token through its error text;
// the constructor throws std::runtime_error when the socket cannot be bound.
// The agent owns its sockets and its thread; stop() or the destructor ends
// the thread. received() returns copies.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/udp_test_socket.h"

namespace cfgsnap::testing {

struct ReceivedDatagram {
  std::vector<std::uint8_t> octets;
  std::uint16_t sourcePort = 0;
};

struct ReplySpec {
  enum class Kind { kValue, kEcho, kNull, kEmptyString, kNoBinding, kGarbage, kOversize, kEmpty };
  Kind kind = Kind::kValue;
  std::int32_t value = 0;
  std::optional<std::int32_t> requestId;  // The request's own when absent.
  std::int32_t errorStatus = 0;
  bool fromOtherPort = false;
  std::int32_t delayMilliseconds = 0;
};

// The datagrams that answer one request, in the order they are sent.
using Answer = std::vector<ReplySpec>;

struct AgentScript {
  std::vector<Answer> answers;
  bool repeatLast = false;
};

// Parses script tokens as described above; nothing and a message on error.
std::optional<AgentScript> parseAgentScript(const std::vector<std::string>& tokens,
                                            std::string& error);

class FakeAgent {
 public:
  // Binds to address:port; port 0 lets the system choose. Throws
  // std::runtime_error when binding fails.
  explicit FakeAgent(AgentScript script, const std::string& address = "127.0.0.1",
                     std::uint16_t port = 0);
  // Parses the tokens; throws std::runtime_error on a bad one.
  explicit FakeAgent(const std::vector<std::string>& tokens,
                     const std::string& address = "127.0.0.1", std::uint16_t port = 0);
  ~FakeAgent();
  FakeAgent(const FakeAgent&) = delete;
  FakeAgent& operator=(const FakeAgent&) = delete;

  std::uint16_t port() const { return socket_.port(); }

  // Called with every datagram as it arrives, before it is answered.
  void setRecorder(std::function<void(const ReceivedDatagram&)> recorder);

  // Serves on a thread of its own until stop().
  void start();
  // Ends the thread; datagrams still queued on the socket are recorded, not
  // answered. Safe to call more than once.
  void stop();
  // Serves in the calling thread until `stopRequested` becomes true.
  void serve(const std::atomic<bool>& stopRequested);

  std::vector<ReceivedDatagram> received() const;

 private:
  void answer(const std::vector<std::uint8_t>& request, std::uint32_t address, std::uint16_t port);
  bool receiveOne();

  AgentScript script_;
  UdpTestSocket socket_;
  UdpTestSocket otherSocket_;
  std::size_t requestsSeen_ = 0;
  std::function<void(const ReceivedDatagram&)> recorder_;
  mutable std::mutex mutex_;
  std::vector<ReceivedDatagram> received_;
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;
};

}  // namespace cfgsnap::testing
