// Integration tests of the configuration save against a scripted agent on a
// loopback port, with shortened timeouts, pause and polling bound.
#include "frontend/config_save.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "snmp/message_decoder.h"
#include "support/captured_output.h"
#include "support/fake_agent.h"
#include "support/wire_images.h"

namespace cfgsnap::frontend {
namespace {

using cfgsnap::testing::CapturedOutput;
using cfgsnap::testing::FakeAgent;
using cfgsnap::testing::fromHex;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kSending = "\n  Sending request...";
constexpr const char* kLogPrefix = "2001/04/04 03:20:54 Switch 127.0.0.1 ";
constexpr const char* kAttempt =
    "2001/04/04 03:20:54 Switch 127.0.0.1 attempt to save config to TFTP server 10.0.0.5 as "
    "sw1.cfg: ";

struct SaveRun {
  std::string output;
  int exitCode = -1;
  milliseconds elapsed{0};
  std::vector<cfgsnap::testing::ReceivedDatagram> received;
};

ConfigSaveSettings shortSettings(const FakeAgent& agent) {
  ConfigSaveSettings settings;
  settings.agentPort = agent.port();
  settings.receiveTimeoutSeconds = 1;
  settings.pause = milliseconds(50);
  settings.pollingBound = milliseconds(3000);
  return settings;
}

SaveRun runAgainst(const std::vector<std::string>& script, bool logStyle,
                   const std::function<void(ConfigSaveSettings&)>& adjust = {}) {
  FakeAgent agent(script);
  agent.start();
  CapturedOutput output;
  RunContext context;
  context.agent = "127.0.0.1";
  context.community = "";
  context.tftpServer = "10.0.0.5";
  context.fileName = "sw1.cfg";
  context.logStyle = logStyle;
  context.dateText = "2001/04/04";
  context.timeText = "03:20:54";
  context.out = output.stream();
  ConfigSaveSettings settings = shortSettings(agent);
  if (adjust) adjust(settings);

  SaveRun run;
  const auto start = Clock::now();
  run.exitCode = runConfigSave(context, settings);
  run.elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  agent.stop();
  run.output = output.text();
  run.received = agent.received();
  return run;
}

// The agent saw exactly the SetRequest followed by `polls` polls, each as
// the wire images have them and each on a socket of its own. The
// SetRequest's socket stays open for the whole run, so no poll can share its
// port. A closed poll socket's port may come back for a later poll by the
// system's random choice (in about one run of 30 polls out of seventy), so
// across polls the check is only that they are not all one socket.
void expectRequests(const SaveRun& run, std::size_t polls) {
  ASSERT_EQ(run.received.size(), polls + 1);
  EXPECT_EQ(run.received[0].octets, fromHex(cfgsnap::testing::kSetRequestImage));
  std::set<std::uint16_t> pollPorts;
  for (std::size_t i = 1; i < run.received.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(run.received[i].octets, fromHex(cfgsnap::testing::kPollImage));
    EXPECT_NE(run.received[i].sourcePort, run.received[0].sourcePort);
    pollPorts.insert(run.received[i].sourcePort);
  }
  if (polls > 1) {
    EXPECT_GT(pollPorts.size(), polls / 2) << "polls share a channel";
  }
}

std::string dots(std::size_t count) {
  return std::string(count, '.');
}

struct ResultCase {
  const char* name;
  std::vector<std::string> script;
  bool logStyle;
  std::size_t polls;
  std::string output;
  int exitCode;
};

TEST(ConfigSaveTest, ReportsWhatTheSwitchFinallySays) {
  const std::string sending = kSending;
  const std::string attempt = kAttempt;
  const std::vector<ResultCase> cases = {
      {"saved at once", {"ok", "2"}, false, 1, sending + ".Configuration saved successfully\n", 0},
      {"saved at once, log",
       {"ok", "2"},
       true,
       1,
       std::string(kLogPrefix) + "Config saved to TFTP server 10.0.0.5 as sw1.cfg\n",
       0},
      {"in progress twice, then file not found",
       {"ok", "1", "1", "13"},
       false,
       3,
       sending + "...File not found\n",
       1},
      {"file not found, log", {"ok", "1", "13"}, true, 2, attempt + "File not found\n", 1},
      {"result 0", {"ok", "0"}, false, 1, sending + ".Unknown error\n", 1},
      {"result 22", {"ok", "22"}, false, 1, sending + ".Unknown error\n", 1},
      {"negative result", {"ok", "-1"}, true, 1, attempt + "Unknown error\n", 1},
      {"result 20", {"ok", "20"}, false, 1, sending + ".Insufficient DRAM size\n", 1},
      {"result 20, log", {"ok", "20"}, true, 1, attempt + "Insufficient DRAM sizer\n", 1},
      {"result 21, log", {"ok", "21"}, true, 1, attempt + "Incompatible image\n", 1},
      {"result 3", {"ok", "3"}, false, 1, sending + ".No response from TFTP server\n", 1},
      // A value that reads as 0 ends polling; the good reply is never asked for.
      {"NULL value, then a good one",
       {"ok", "null", "2"},
       false,
       1,
       sending + ".Unknown error\n",
       1},
      {"empty string value", {"ok", "string", "2"}, false, 1, sending + ".Unknown error\n", 1},
      {"no binding", {"ok", "nobind", "2"}, true, 1, attempt + "Unknown error\n", 1},
      // Replies that are no answer make the poll repeat.
      {"malformed, then a good one",
       {"ok", "garbage", "2"},
       false,
       2,
       sending + "..Configuration saved successfully\n",
       0},
      {"oversize, then a good one",
       {"ok", "oversize", "2"},
       false,
       2,
       sending + "..Configuration saved successfully\n",
       0},
      {"empty datagram, then a good one",
       {"ok", "empty", "2"},
       false,
       2,
       sending + "..Configuration saved successfully\n",
       0},
      {"other request-id, then a good one",
       {"ok", "2:id=7", "13"},
       false,
       2,
       sending + "..File not found\n",
       1},
      {"error-status, then a good one",
       {"ok", "2:err=5", "2"},
       true,
       2,
       std::string(kLogPrefix) + "Config saved to TFTP server 10.0.0.5 as sw1.cfg\n",
       0},
      {"silent poll, then a good one",
       {"ok", "silent", "2"},
       false,
       2,
       sending + "..Configuration saved successfully\n",
       0},
      {"garbage burst before the real reply",
       {"ok", "garbage+empty+garbage+2", "2"},
       false,
       2,
       sending + "..Configuration saved successfully\n",
       0},
      {"replies from another port",
       {"ok:other", "1:other", "2:other"},
       false,
       2,
       sending + "..Configuration saved successfully\n",
       0},
      {"duplicate replies", {"ok+ok", "1+1", "13+13"}, false, 2, sending + "..File not found\n", 1},
      // The late answer goes to the closed socket of the first poll.
      {"late reply to a poll",
       {"ok", "2:delay=1550", "13"},
       false,
       2,
       sending + "..File not found\n",
       1},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SaveRun run = runAgainst(c.script, c.logStyle);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.exitCode, c.exitCode);
    expectRequests(run, c.polls);
    EXPECT_GE(run.elapsed, milliseconds(50) * c.polls) << "the pause precedes each poll";
  }
}

struct FailureCase {
  const char* name;
  std::vector<std::string> script;
  bool logStyle;
  std::string output;
  bool waitsForTimeout;
};

TEST(ConfigSaveTest, EndsAfterTheSetRequestWhenItIsNotAccepted) {
  const std::string sending = kSending;
  const std::string noAnswer =
      std::string(kLogPrefix) + "error communicating with the agent Quoll\n";
  const std::string refused = std::string(kLogPrefix) + "community string error\n";
  const std::vector<FailureCase> cases = {
      {"silent", {}, false, sending + "ERROR: Error communicating with the agent\n", true},
      {"silent, log", {}, true, noAnswer, true},
      {"error-status 2",
       {"ok:err=2"},
       false,
       sending + "ERROR: Community string or SNMP error\n",
       false},
      {"error-status 5, log", {"ok:err=5"}, true, refused, false},
      // An answer to another request is no answer, and nothing else follows.
      {"other request-id",
       {"ok:id=124"},
       false,
       sending + "ERROR: Error communicating with the agent\n",
       false},
      {"other request-id, log", {"ok:id=124"}, true, noAnswer, false},
      // Only the first datagram is taken as the reply.
      {"garbage before the reply", {"garbage+ok"}, true, noAnswer, false},
      {"oversize reply",
       {"oversize"},
       false,
       sending + "ERROR: Error communicating with the agent\n",
       false},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SaveRun run = runAgainst(c.script, c.logStyle,
                                   [](ConfigSaveSettings& s) { s.receiveTimeoutSeconds = 2; });
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.exitCode, 1);
    expectRequests(run, 0);
    if (c.waitsForTimeout) {
      EXPECT_GE(run.elapsed, milliseconds(1900));
    } else {
      EXPECT_LT(run.elapsed, milliseconds(1500)) << "a reply must end the wait";
    }
  }
}

TEST(ConfigSaveTest, StopsPollingAtTheBound) {
  const std::string sending = kSending;
  struct BoundCase {
    const char* name;
    std::vector<std::string> script;
    bool logStyle;
    std::string text;
  };
  const std::vector<BoundCase> cases = {
      {"still in progress", {"ok", "1*"}, false, "Configuration save still in progress\n"},
      {"still in progress, log", {"ok", "1*"}, true, std::string(kAttempt) + "Still in progress\n"},
      {"last poll silent", {"ok", "1", "silent*"}, false, "Results of save not confirmed\n"},
      {"last poll silent, log",
       {"ok", "1", "silent*"},
       true,
       std::string(kAttempt) + "Not confirmed\n"},
      {"last poll refused", {"ok", "1", "1:err=5*"}, false, "Results of save not confirmed\n"},
  };
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(c.name);
    const SaveRun run = runAgainst(
        c.script, c.logStyle, [](ConfigSaveSettings& s) { s.pollingBound = milliseconds(1500); });
    ASSERT_GE(run.received.size(), 2u);
    const std::size_t polls = run.received.size() - 1;
    EXPECT_EQ(run.output, c.logStyle ? c.text : sending + dots(polls) + c.text);
    EXPECT_EQ(run.exitCode, 1);
    expectRequests(run, polls);
    EXPECT_GE(run.elapsed, milliseconds(1500));
    // The bound is checked after each poll: at most one poll runs past it.
    EXPECT_LT(run.elapsed, milliseconds(1500 + 50 + 1000 + 500));
  }
}

TEST(ConfigSaveTest, SendsTheCommunityInEveryRequest) {
  FakeAgent agent(std::vector<std::string>{"ok", "1", "2"});
  agent.start();
  CapturedOutput output;
  RunContext context;
  context.agent = "127.0.0.1";
  context.community = "private";
  context.tftpServer = "10.0.0.5";
  context.fileName = "sw1.cfg";
  context.out = output.stream();
  EXPECT_EQ(runConfigSave(context, shortSettings(agent)), 0);
  agent.stop();
  const auto received = agent.received();
  ASSERT_EQ(received.size(), 3u);
  for (const auto& datagram : received) {
    const auto message = snmp::MessageDecoder(datagram.octets).release();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->communityText(), "private");
  }
}

}  // namespace
}  // namespace cfgsnap::frontend
