// Tests of the pause before each poll, on every platform's implementation:
// it lasts at least what it is asked for, and nothing or less returns at
// once.
#include "frontend/pause.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>

namespace cfgsnap::frontend {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds timedPause(std::int64_t asked) {
  const auto start = Clock::now();
  sleepMilliseconds(asked);
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(PauseTest, LastsAtLeastWhatItIsAskedFor) {
  for (const std::int64_t asked : {1, 150, 1000}) {
    SCOPED_TRACE(asked);
    const milliseconds took = timedPause(asked);
    EXPECT_GE(took, milliseconds(asked));
    EXPECT_LT(took, milliseconds(asked + 500));
  }
}

TEST(PauseTest, NothingOrLessReturnsAtOnce) {
  for (const std::int64_t asked :
       {std::int64_t{0}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min()}) {
    SCOPED_TRACE(asked);
    EXPECT_LT(timedPause(asked), milliseconds(50));
  }
}

}  // namespace
}  // namespace cfgsnap::frontend
