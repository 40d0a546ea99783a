// local_time.h: takeLocalStamp, the date and time that prefix every log-style
// line of a run.
//
// Both texts come from one reading of the local clock: the date as
// yyyy/MM/dd and the time as HH:mm:ss on a 24-hour clock (for example
// 2001/04/04 and 03:20:54). Should the clock or its conversion fail, the
// failed text is empty; nothing is raised. The caller owns the strings.
#pragma once

#include <string>

namespace cfgsnap::frontend {

struct LocalStamp {
  std::string date;
  std::string time;
};

LocalStamp takeLocalStamp();

}  // namespace cfgsnap::frontend
