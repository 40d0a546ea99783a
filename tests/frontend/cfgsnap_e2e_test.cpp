// End-to-end tests of the cfgsnap executable: each test moves into a network
// namespace of its own, where cfgsnap_fake_agent listens on 127.0.0.1:161,
// runs the real binary and checks its output, its exit code and the octets
// the agent received. Without the right to make a namespace they skip.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/wire_images.h"

namespace cfgsnap {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

const std::string kHeader =
    "Cfgsnap v1.2\n\n  Copy Config to TFTP server\n\n  Agent:\t127.0.0.1\n  Community:\t\n"
    "  TFTP server:\t10.0.0.5\n  Filename:\tsw1.cfg\n\n  Sending request...";
const std::regex kStamp(R"(^(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}) )");

struct Datagram {
  unsigned sourcePort = 0;
  std::vector<std::uint8_t> octets;
};

struct Result {
  std::string out;
  std::string err;
  int exitCode = -1;
  milliseconds elapsed{0};
  std::vector<Datagram> received;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<char*> argvOf(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return argv;
}

// Local time now, as the log style shows it.
std::string stampNow() {
  const std::time_t now = std::time(nullptr);
  std::tm broken{};
  localtime_r(&now, &broken);
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &broken);
  return text;
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::unshare(CLONE_NEWNET) != 0) {
      GTEST_SKIP() << "cannot make a network namespace (" << std::strerror(errno)
                   << "); end-to-end tests need root or CAP_SYS_ADMIN";
    }
    // A new namespace has only lo, and it is down.
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    ASSERT_EQ(::ioctl(fd, SIOCGIFFLAGS, &request), 0);
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    ASSERT_EQ(::ioctl(fd, SIOCSIFFLAGS, &request), 0);
    ::close(fd);

    char pattern[] = "/tmp/cfgsnap-e2e-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }

  void TearDown() override {
    stopAgent();
    if (!dir_.empty()) {
      for (const char* name : {"/record", "/out", "/err"}) ::unlink((dir_ + name).c_str());
      ::rmdir(dir_.c_str());
    }
  }

  // Starts the agent on 127.0.0.1:161 and waits until it listens.
  void startAgent(std::vector<std::string> script) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    std::vector<std::string> words = {CFGSNAP_FAKE_AGENT, "--port", "161", "--record",
                                      dir_ + "/record"};
    words.insert(words.end(), script.begin(), script.end());
    auto argv = argvOf(words);
    agent_ = ::fork();
    ASSERT_GE(agent_, 0);
    if (agent_ == 0) {
      ::dup2(ready[1], STDOUT_FILENO);
      ::close(ready[0]);
      ::close(ready[1]);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(ready[1]);
    std::string line;
    pollfd waiting{ready[0], POLLIN, 0};
    char c = 0;
    while (line.find('\n') == std::string::npos && ::poll(&waiting, 1, 5000) > 0 &&
           ::read(ready[0], &c, 1) == 1) {
      line += c;
    }
    ::close(ready[0]);
    ASSERT_EQ(line, "ready 161\n") << "the fake agent did not start";
  }

  void stopAgent() {
    if (agent_ <= 0) return;
    ::kill(agent_, SIGTERM);
    int status = 0;
    ::waitpid(agent_, &status, 0);
    agent_ = -1;
  }

  // Runs cfgsnap with the given argument vector (words[0] is what it is
  // told its name is), then stops the agent and collects what it received.
  Result run(std::vector<std::string> words) {
    Result result;
    auto argv = argvOf(words);
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
      const int out = ::open((dir_ + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = ::open((dir_ + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(err, STDERR_FILENO);
      ::execv(CFGSNAP_BINARY, argv.data());
      ::_exit(127);
    }
    int status = 0;
    if (child > 0) ::waitpid(child, &status, 0);
    result.elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(dir_ + "/out");
    result.err = readFile(dir_ + "/err");
    stopAgent();
    std::istringstream record(readFile(dir_ + "/record"));
    std::string line;
    while (std::getline(record, line)) {
      Datagram datagram;
      std::istringstream fields(line);
      std::string hex;
      fields >> datagram.sourcePort >> hex;
      datagram.octets = testing::fromHex(hex);
      result.received.push_back(datagram);
    }
    return result;
  }

  static std::vector<std::string> standardArguments() {
    return {"cfgsnap", "127.0.0.1", "", "10.0.0.5", "sw1.cfg"};
  }

  // The SetRequest, then `polls` polls, octet for octet, each from a port of
  // its own. With at most three polls, a closed poll's port coming back by
  // the system's random choice is a chance of about one in ten thousand.
  static void expectWire(const Result& result, std::size_t polls) {
    ASSERT_EQ(result.received.size(), polls + 1);
    EXPECT_EQ(result.received[0].octets, testing::fromHex(testing::kSetRequestImage));
    EXPECT_EQ(result.received[0].octets.size(), 105u);
    std::set<unsigned> ports;
    for (const Datagram& d : result.received) ports.insert(d.sourcePort);
    EXPECT_EQ(ports.size(), result.received.size()) << "a poll reused a local port";
    for (std::size_t i = 1; i < result.received.size(); ++i) {
      EXPECT_EQ(result.received[i].octets, testing::fromHex(testing::kPollImage)) << "poll " << i;
      EXPECT_EQ(result.received[i].octets.size(), 38u);
    }
  }

  std::string dir_;
  pid_t agent_ = -1;
};

TEST_F(EndToEndTest, SavesTheConfiguration) {
  startAgent({"ok", "1", "2"});
  const Result result = run(standardArguments());
  EXPECT_EQ(result.out, kHeader + "..Configuration saved successfully\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitCode, 0);
  expectWire(result, 2);
  EXPECT_GE(result.elapsed, milliseconds(2000)) << "a one-second pause precedes each poll";
}

TEST_F(EndToEndTest, ReportsAFailureResultWithTheStartStampInLogStyle) {
  startAgent({"ok", "1", "1", "13"});
  const std::string before = stampNow();
  auto words = standardArguments();
  words.push_back("-L");
  const Result result = run(words);
  std::smatch stamp;
  ASSERT_TRUE(std::regex_search(result.out, stamp, kStamp)) << result.out;
  EXPECT_EQ(result.out, stamp[1].str() +
                            " Switch 127.0.0.1 attempt to save config to TFTP server 10.0.0.5 as "
                            "sw1.cfg: File not found\n");
  // Taken at the start: the run lasts over three seconds.
  EXPECT_GE(stamp[1].str(), before);
  EXPECT_LE(stamp[1].str(), stampNow());
  EXPECT_GE(result.elapsed, milliseconds(3000));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitCode, 1);
  expectWire(result, 3);
}

TEST_F(EndToEndTest, ReportsARefusedSetRequestWithoutPolling) {
  startAgent({"ok:err=2"});
  const Result result = run(standardArguments());
  EXPECT_EQ(result.out, kHeader + "ERROR: Community string or SNMP error\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitCode, 1);
  expectWire(result, 0);
}

TEST_F(EndToEndTest, GivesUpOnASilentAgentAfterThirtySeconds) {
  startAgent({});
  const Result result = run(standardArguments());
  EXPECT_EQ(result.out, kHeader + "ERROR: Error communicating with the agent\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_GE(result.elapsed, seconds(30));
  EXPECT_LT(result.elapsed, seconds(40));
  expectWire(result, 0);
}

TEST_F(EndToEndTest, GivesUpOnASilentAgentAfterThirtySecondsInLogStyle) {
  startAgent({});
  auto words = standardArguments();
  words.push_back("-l");
  const Result result = run(words);
  std::smatch stamp;
  ASSERT_TRUE(std::regex_search(result.out, stamp, kStamp)) << result.out;
  EXPECT_EQ(result.out,
            stamp[1].str() + " Switch 127.0.0.1 error communicating with the agent Quoll\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_GE(result.elapsed, seconds(30));
  EXPECT_LT(result.elapsed, seconds(40));
  expectWire(result, 0);
}

TEST_F(EndToEndTest, ShowsProgressAsItHappensOnAPipe) {
  startAgent({"ok", "1", "1", "2"});
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  auto words = standardArguments();
  auto argv = argvOf(words);
  const auto start = Clock::now();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ::execv(CFGSNAP_BINARY, argv.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  // When each octet arrived, counted from the start of the run.
  std::string out;
  std::vector<milliseconds> arrivals;
  char c = 0;
  while (::read(pipeEnds[0], &c, 1) == 1) {
    out += c;
    arrivals.push_back(std::chrono::duration_cast<milliseconds>(Clock::now() - start));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  const auto end = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  ASSERT_EQ(out, kHeader + "...Configuration saved successfully\n");
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // The header and "Sending request..." come before the first pause ends,
  // and each dot about a second after the one before.
  const std::size_t firstDot = kHeader.size();
  EXPECT_LT(arrivals[firstDot - 1], milliseconds(900));
  for (std::size_t i = firstDot; i < firstDot + 3; ++i) {
    SCOPED_TRACE(i - firstDot);
    EXPECT_GE(arrivals[i] - arrivals[i - 1], milliseconds(900));
    EXPECT_LE(arrivals[i], end - milliseconds(900) * static_cast<int>(firstDot + 2 - i));
  }
}

TEST_F(EndToEndTest, PrintsTheUsageForMisfitArguments) {
  const std::string usageStart =
      "Cfgsnap v1.2\n\n  A program to use SNMP to instruct a managed network switch\n";
  struct Case {
    std::vector<std::string> words;
    std::string shownName;
  };
  const std::vector<Case> cases = {
      {{"./bin/cfgsnap", "127.0.0.1", "", "10.0.0.5"}, "./BIN/CFGSNAP"},
      {{"cfgsnap", "127.0.0.1", "", "10.0.0.5", "sw1.cfg", "/l"}, "CFGSNAP"},
      {{"Tools/CfgSnap", "127.0.0.1", "", "10.0.0.5", "sw1.cfg", "-l", "x"}, "TOOLS/CFGSNAP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shownName);
    startAgent({"ok", "2"});
    const Result result = run(c.words);
    EXPECT_EQ(result.out.substr(0, usageStart.size()), usageStart);
    EXPECT_NE(result.out.find("\nUsage:\t\t" + c.shownName +
                              " ipAddress community TFTPserver filename [-l]\n\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.received.empty()) << "no request on a usage error";
  }
}

TEST_F(EndToEndTest, UsesTheFirstTwentyNineCharactersOfTheAgent) {
  // The first 29 characters are 127.0.0.1 in dotted form with a long octal
  // last part; all 40 would not be an address at all.
  const std::string agent29 = "127.0.0." + std::string(20, '0') + "1";
  ASSERT_EQ(agent29.size(), 29u);
  startAgent({"ok", "2"});
  auto words = standardArguments();
  words[1] = agent29 + "-not-a-part";
  ASSERT_EQ(words[1].size(), 40u);
  const Result result = run(words);
  EXPECT_EQ(result.out, "Cfgsnap v1.2\n\n  Copy Config to TFTP server\n\n  Agent:\t" + agent29 +
                            "\n  Community:\t\n  TFTP server:\t10.0.0.5\n  Filename:\tsw1.cfg\n\n"
                            "  Sending request....Configuration saved successfully\n");
  EXPECT_EQ(result.exitCode, 0);
  expectWire(result, 1);
}

TEST_F(EndToEndTest, EndsAtOnceWhenTheAgentDoesNotResolve) {
  startAgent({"ok", "2"});
  auto words = standardArguments();
  words[1] = "switch.invalid";
  const Result result = run(words);
  EXPECT_EQ(result.out,
            "Cfgsnap v1.2\n\n  Copy Config to TFTP server\n\n  Agent:\tswitch.invalid\n"
            "  Community:\t\n  TFTP server:\t10.0.0.5\n  Filename:\tsw1.cfg\n\n"
            "  Sending request...ERROR: Error communicating with the agent\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_LT(result.elapsed, seconds(10));
  EXPECT_TRUE(result.received.empty());
}

}  // namespace
}  // namespace cfgsnap
