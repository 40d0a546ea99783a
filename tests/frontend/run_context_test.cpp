// Tests of the command line: the argument check, the limits of the fields,
// the usage text and the console header.
#include "frontend/run_context.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/program.h"
#include "support/captured_output.h"

namespace cfgsnap::frontend {
namespace {

using cfgsnap::testing::CapturedOutput;

// argv as main receives it: mutable, null-terminated.
class Arguments {
 public:
  explicit Arguments(std::vector<std::string> words) : words_(std::move(words)) {
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }
  const std::string& word(std::size_t i) const { return words_[i]; }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

std::string usageText(const std::string& shownName) {
  return "Cfgsnap v1.2\n\n"
         "  A program to use SNMP to instruct a managed network switch\n"
         "  to copy its config to a TFTP server.\n\n"
         "  To make sure this program runs correctly, make sure you have a read-write\n"
         "  snmp community string set up on your switch.\n"
         "\nUsage:\t\t" +
         shownName +
         " ipAddress community TFTPserver filename [-l]\n\n"
         "Arguments:\tipAddress = IP address of router (or DNS name)\n"
         "\t\tcommunity = SNMP read/write community name on router\n"
         "\t\tTFTPserver = IP address of TFTP server\n"
         "                             (or DNS name as resolved by the server)\n"
         "\t\tfilename = directory and filename to save config\n"
         "\t\t[-l] = Output success/failure information in logfile format\n";
}

TEST(RunContextTest, ChoosesTheStyleFromTheArguments) {
  struct Case {
    std::vector<std::string> words;
    bool accepted;
    bool logStyle;
  };
  const std::vector<Case> cases = {
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg"}, true, false},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg", "-l"}, true, true},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg", "-L"}, true, true},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg", "/l"}, false, false},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg", "-log"}, false, false},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg", "l"}, false, false},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg", ""}, false, false},
      {{"cfgsnap", "-l", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg"}, false, false},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5", "sw1.cfg", "-l", "-l"}, false, false},
      {{"cfgsnap", "10.1.1.1", "private", "10.0.0.5"}, false, false},
      {{"cfgsnap"}, false, false},
      {{}, false, false},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& w : c.words) joined += "[" + w + "]";
    SCOPED_TRACE(joined);
    Arguments arguments(c.words);
    const auto context = parseArguments(arguments.argc(), arguments.argv());
    ASSERT_EQ(context.has_value(), c.accepted);
    if (!context) continue;
    EXPECT_EQ(context->logStyle, c.logStyle);
    EXPECT_EQ(context->agent, "10.1.1.1");
    EXPECT_EQ(context->community, "private");
    EXPECT_EQ(context->tftpServer, "10.0.0.5");
    EXPECT_EQ(context->fileName, "sw1.cfg");
    EXPECT_EQ(context->dateText, "");
    EXPECT_EQ(context->timeText, "");
  }
}

TEST(RunContextTest, CutsLongArgumentsToTheirLimits) {
  const std::string agent40 = "a234567890b234567890c234567890d234567890";
  const std::string community31 = "c234567890123456789012345678901";
  const std::string server30 = "s23456789012345678901234567890";
  const std::string file70(70, 'f');
  Arguments arguments({"cfgsnap", agent40, community31, server30, file70});
  auto context = parseArguments(arguments.argc(), arguments.argv());
  ASSERT_TRUE(context.has_value());
  EXPECT_EQ(context->agent, agent40.substr(0, 29));
  EXPECT_EQ(context->community, community31.substr(0, 29));
  EXPECT_EQ(context->tftpServer, server30.substr(0, 29));
  EXPECT_EQ(context->fileName, file70.substr(0, 59));

  // Exactly at the limits nothing is cut.
  Arguments exact({"cfgsnap", agent40.substr(0, 29), "", "x", file70.substr(0, 59)});
  const auto exactContext = parseArguments(exact.argc(), exact.argv());
  ASSERT_TRUE(exactContext.has_value());
  EXPECT_EQ(exactContext->agent.size(), 29u);
  EXPECT_EQ(exactContext->community, "");
  EXPECT_EQ(exactContext->fileName.size(), 59u);

  // The header shows the cut agent.
  CapturedOutput output;
  context->out = output.stream();
  printHeader(*context);
  EXPECT_EQ(output.text(),
            "Cfgsnap v1.2\n\n  Copy Config to TFTP server\n\n  Agent:\t" + agent40.substr(0, 29) +
                "\n  Community:\t" + community31.substr(0, 29) + "\n  TFTP server:\t" +
                server30.substr(0, 29) + "\n  Filename:\t" + file70.substr(0, 59) + "\n");
}

TEST(RunContextTest, PrintsTheHeaderWithTheCommunityInClear) {
  CapturedOutput output;
  RunContext context;
  context.agent = "10.1.1.1";
  context.community = "s3cret";
  context.tftpServer = "tftp.example.net";
  context.fileName = "configs/sw1.cfg";
  context.out = output.stream();
  printHeader(context);
  EXPECT_EQ(output.text(),
            "Cfgsnap v1.2\n\n  Copy Config to TFTP server\n\n  Agent:\t10.1.1.1\n"
            "  Community:\ts3cret\n  TFTP server:\ttftp.example.net\n"
            "  Filename:\tconfigs/sw1.cfg\n");
}

TEST(RunContextTest, UsageShowsTheProgramNameUpperCasedAsTyped) {
  struct Case {
    std::vector<std::string> words;
    std::string shownName;
  };
  const std::vector<Case> cases = {
      {{"cfgsnap"}, "CFGSNAP"},
      {{"./build/bin/cfgSnap-1.2_x", "a", "b", "c"}, "./BUILD/BIN/CFGSNAP-1.2_X"},
      {{"/usr/local/bin/cfgsnap", "a", "b", "c", "d", "/l"}, "/USR/LOCAL/BIN/CFGSNAP"},
      {{"C:\\Tools\\cfgsnap.exe", "a", "b", "c", "d", "-l", "x"}, "C:\\TOOLS\\CFGSNAP.EXE"},
      {{"caf\xc3\xa9"}, "CAF\xc3\xa9"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shownName);
    Arguments arguments(c.words);
    CapturedOutput output;
    EXPECT_EQ(runProgram(arguments.argc(), arguments.argv(), output.stream()), 1);
    EXPECT_EQ(output.text(), usageText(c.shownName));
    // Upper-cased in place, in the caller's argument vector.
    if (!c.words.empty()) {
      EXPECT_STREQ(arguments.argv()[0], c.shownName.c_str());
    }
  }
}

}  // namespace
}  // namespace cfgsnap::frontend
