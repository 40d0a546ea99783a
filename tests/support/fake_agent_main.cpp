// fake_agent_main.cpp: cfgsnap_fake_agent, the scripted agent of
// fake_agent.h as a program of its own, for tests that run the real cfgsnap
// binary (end-to-end, other platforms, benchmarks).
//
//   cfgsnap_fake_agent [--address A] [--port P] [--record FILE] ANSWER...
//
//   --address A    IPv4 address to listen on (default 127.0.0.1)
//   --port P       UDP port (default 161; 0 lets the system choose)
//   --record FILE  appends one line per datagram received, written and
//                  flushed as it arrives: the source port in decimal, a
//                  blank, the octets in upper-case hex without separators
//                  (an empty datagram leaves the hex empty), a line end
//   ANSWER...      the script, one token per request (see fake_agent.h);
//                  no tokens: never answer
//
// Once listening it prints "ready PORT" and a line end on standard output.
// It runs until SIGTERM or SIGINT and then exits 0. A bad argument, a bad
// script token or a port that cannot be bound prints a message on standard
// error and exits 2.
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/fake_agent.h"

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void requestStop(int) {
  stopRequested = true;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "cfgsnap_fake_agent: %s\n", message.c_str());
  return 2;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int main(int argc, char** argv) {
  std::string address = "127.0.0.1";
  int port = 161;
  std::string recordPath;
  std::vector<std::string> tokens;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--address" && hasValue) {
      address = argv[++i];
    } else if (argument == "--port" && hasValue) {
      try {
        port = std::stoi(argv[++i]);
      } catch (const std::exception&) {
        return fail("bad port");
      }
      if (port < 0 || port > 65535) return fail("bad port");
    } else if (argument == "--record" && hasValue) {
      recordPath = argv[++i];
    } else if (argument.starts_with("--")) {
      return fail("unknown option " + std::string(argument));
    } else {
      tokens.emplace_back(argument);
    }
  }

  std::unique_ptr<std::FILE, FileCloser> record;
  if (!recordPath.empty()) {
    record.reset(std::fopen(recordPath.c_str(), "a"));
    if (!record) return fail("cannot open " + recordPath);
  }

  std::unique_ptr<cfgsnap::testing::FakeAgent> agent;
  try {
    agent = std::make_unique<cfgsnap::testing::FakeAgent>(tokens, address,
                                                          static_cast<std::uint16_t>(port));
  } catch (const std::exception& error) {
    return fail(error.what());
  }
  if (record) {
    std::FILE* file = record.get();
    agent->setRecorder([file](const cfgsnap::testing::ReceivedDatagram& datagram) {
      std::fprintf(file, "%u ", static_cast<unsigned>(datagram.sourcePort));
      for (const std::uint8_t octet : datagram.octets) std::fprintf(file, "%02X", octet);
      std::fputc('\n', file);
      std::fflush(file);
    });
  }

  std::signal(SIGTERM, requestStop);
  std::signal(SIGINT, requestStop);
  std::printf("ready %u\n", static_cast<unsigned>(agent->port()));
  std::fflush(stdout);
  agent->serve(stopRequested);
  return 0;
}
