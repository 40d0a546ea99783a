// Tests of the log-style stamp on Windows, where it comes from the Win32
// date and time formatting under the system's default locale: the pictures
// give fixed-width numbers with "/" and ":" whatever the locale, on a 24-hour
// clock, and both texts are the local time of one moment of the call.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <regex>
#include <string>

#include "frontend/local_time.h"

namespace cfgsnap::frontend {
namespace {

// The local time now, as the stamp shows it, in one text that orders like
// the time itself.
std::string localNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return text;
}

TEST(LocalStampWin, IsTheLocalTimeOfTheCallInFixedNumericForm) {
  const std::regex date(R"(\d{4}/(0[1-9]|1[0-2])/(0[1-9]|[12]\d|3[01]))");
  const std::regex time(R"(([01]\d|2[0-3]):[0-5]\d:[0-5]\d)");
  const std::string before = localNow();
  const LocalStamp stamp = takeLocalStamp();
  const std::string after = localNow();
  EXPECT_TRUE(std::regex_match(stamp.date, date)) << stamp.date;
  EXPECT_TRUE(std::regex_match(stamp.time, time)) << stamp.time;
  const std::string both = stamp.date + " " + stamp.time;
  EXPECT_LE(before, both);
  EXPECT_LE(both, after);
}

}  // namespace
}  // namespace cfgsnap::frontend
