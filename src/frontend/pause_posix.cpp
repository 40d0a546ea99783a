#include <cerrno>
#include <ctime>

#include "frontend/pause.h"

namespace cfgsnap::frontend {

void sleepMilliseconds(std::int64_t milliseconds) {
  if (milliseconds <= 0) return;
  timespec remaining{};
  remaining.tv_sec = static_cast<std::time_t>(milliseconds / 1000);
  remaining.tv_nsec = static_cast<long>((milliseconds % 1000) * 1000000);
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace cfgsnap::frontend
