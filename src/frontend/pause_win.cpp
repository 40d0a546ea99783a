#include <windows.h>

#include <algorithm>
#include <chrono>
#include <limits>

#include "frontend/pause.h"

namespace cfgsnap::frontend {

void sleepMilliseconds(std::int64_t milliseconds) {
  if (milliseconds <= 0) return;
  using Clock = std::chrono::steady_clock;
  // The deadline must fit the clock's nanosecond count: a century and more
  // is as good as forever.
  constexpr std::int64_t kLongestPause = std::numeric_limits<std::int64_t>::max() / 2'000'000;
  const auto deadline =
      Clock::now() + std::chrono::milliseconds(std::min(milliseconds, kLongestPause));
  // Sleep may end up to a timer tick early, and it takes a 32-bit count in
  // which all ones means forever: it sleeps in pieces below that until the
  // deadline has passed.
  constexpr std::int64_t kLongestPiece = 0x7FFFFFFF;
  for (;;) {
    const std::int64_t left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return;
    ::Sleep(static_cast<DWORD>(std::min(left, kLongestPiece)));
  }
}

}  // namespace cfgsnap::frontend
