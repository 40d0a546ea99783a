#include <ctime>

#include "frontend/local_time.h"

namespace cfgsnap::frontend {

namespace {

std::string format(const std::tm& broken, const char* picture) {
  char text[128];
  const std::size_t length = std::strftime(text, sizeof text, picture, &broken);
  return std::string(text, length);
}

}  // namespace

LocalStamp takeLocalStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm broken{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &broken) == nullptr) return {};
  // Numeric fields only, so the digits and separators do not depend on the
  // locale.
  return {format(broken, "%Y/%m/%d"), format(broken, "%H:%M:%S")};
}

}  // namespace cfgsnap::frontend
