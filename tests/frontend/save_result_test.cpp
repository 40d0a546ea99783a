// Tests of reading the switch's result value from its text.
#include "frontend/save_result.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cfgsnap::frontend {
namespace {

TEST(SaveResultTest, ReadsTheValueLikeAtoi) {
  struct Case {
    std::string text;
    std::int32_t value;
  };
  const std::vector<Case> cases = {
      {"2", 2},
      {"13", 13},
      {"-1", -1},
      {"+7", 7},
      {" \t\n 21", 21},
      {"2abc", 2},
      {"12 13", 12},
      {"", 0},
      {"NULL", 0},
      {"abc", 0},
      {"-", 0},
      {"- 2", 0},
      {"  +", 0},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"99999999999999999999", 2147483647},
      {"-99999999999999999999", -2147483647 - 1},
      {std::string("1\0"
                   "2",
                   3),
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + c.text + "]");
    EXPECT_EQ(readResultValue(c.text), c.value);
  }
}

TEST(SaveResultTest, NamesOnlyTheKnownResults) {
  struct Case {
    std::int32_t value;
    std::string console;
    std::string logEnding;
  };
  const std::vector<Case> cases = {
      {2, "Configuration saved successfully\n", "Config saved"},
      {3, "No response from TFTP server\n", "No response from TFTP server"},
      {16, "Access Violation\n", "Access Violation"},
      {20, "Insufficient DRAM size\n", "Insufficient DRAM sizer"},
      {21, "Incompatible image\n", "Incompatible image"},
      {1, "Unknown error\n", "Unknown error"},
      {0, "Unknown error\n", "Unknown error"},
      {22, "Unknown error\n", "Unknown error"},
      {-1, "Unknown error\n", "Unknown error"},
      {-2147483647 - 1, "Unknown error\n", "Unknown error"},
      {2147483647, "Unknown error\n", "Unknown error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const ResultTexts texts = resultTexts(c.value);
    EXPECT_EQ(texts.console, c.console);
    EXPECT_EQ(texts.logEnding, c.logEnding);
  }
}

}  // namespace
}  // namespace cfgsnap::frontend
