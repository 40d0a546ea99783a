// save_result.h: the switch's TFTP result value and what the tool says
// about it.
//
// readResultValue turns the text of a poll reply's value into the number
// the switch reported, the way atoi reads it: leading white space, an
// optional sign, decimal digits up to the first other character; text
// without digits gives 0, and a number beyond 32 bits is held at the
// nearest limit. resultTexts gives the console sentence and the log-style
// ending for a result value; every value outside 2..21 is "Unknown error".
// All texts are static; nothing here fails.
#pragma once

#include <cstdint>
#include <string_view>

namespace cfgsnap::frontend {

// Result values with a meaning of their own for the procedure.
inline constexpr std::int32_t kResultInProgress = 1;
inline constexpr std::int32_t kResultSaved = 2;

std::int32_t readResultValue(std::string_view text);

struct ResultTexts {
  const char* console;    // Printed unchanged, line end included.
  const char* logEnding;  // Follows the common part of the log line.
};

ResultTexts resultTexts(std::int32_t value);

}  // namespace cfgsnap::frontend
