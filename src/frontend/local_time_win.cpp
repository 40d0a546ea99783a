#include <windows.h>

#include "frontend/local_time.h"

namespace cfgsnap::frontend {

namespace {

// GetDateFormatA and GetTimeFormatA take the same arguments.
using Formatter = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCSTR, LPSTR, int);

std::string format(Formatter formatter, const SYSTEMTIME& when, const char* picture) {
  char text[128];
  // The system's default locale and no flags. The quoted separators and the
  // numeric pictures give the same digits and separators in every locale.
  const int written = formatter(LOCALE_SYSTEM_DEFAULT, 0, &when, picture, text, sizeof text);
  // The count includes the terminating zero; 0 is a failure.
  if (written <= 0) return {};
  return std::string(text, static_cast<std::size_t>(written - 1));
}

}  // namespace

LocalStamp takeLocalStamp() {
  // One reading for both texts, so that a run started at midnight cannot
  // get one day's date with the next day's time.
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {format(::GetDateFormatA, now, "yyyy'/'MM'/'dd"),
          format(::GetTimeFormatA, now, "HH':'mm':'ss")};
}

}  // namespace cfgsnap::frontend
