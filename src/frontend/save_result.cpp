#include "frontend/save_result.h"

#include <array>
#include <limits>

namespace cfgsnap::frontend {

namespace {

constexpr std::int32_t kFirstKnown = 2;

// Index 0 is result 2. The log ending of 20 differs from its console text;
// log readers already match on it, so it stays.
constexpr std::array<ResultTexts, 20> kKnownResults{{
    {"Configuration saved successfully\n", "Config saved"},
    {"No response from TFTP server\n", "No response from TFTP server"},
    {"Too many retries\n", "Too many retries"},
    {"No buffers available\n", "No buffers available"},
    {"No processes available\n", "No processes available"},
    {"Bad checksum\n", "Bad checksum"},
    {"Bad length\n", "Bad length"},
    {"Bad FLASH\n", "Bad FLASH"},
    {"Server error\n", "Server error"},
    {"User cancelled\n", "User cancelled"},
    {"Wrong code\n", "Wrong code"},
    {"File not found\n", "File not found"},
    {"Invalid TFTP host\n", "Invalid TFTP host"},
    {"Invalid TFTP module\n", "Invalid TFTP module"},
    {"Access Violation\n", "Access Violation"},
    {"Unknown status\n", "Unknown status"},
    {"Invalid storage device\n", "Invalid storage device"},
    {"Insufficient space on storage device\n", "Insufficient space on storage device"},
    {"Insufficient DRAM size\n", "Insufficient DRAM sizer"},
    {"Incompatible image\n", "Incompatible image"},
}};

constexpr ResultTexts kUnknownResult{"Unknown error\n", "Unknown error"};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t readResultValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulated as a negative number so that the lowest 32-bit value fits;
  // atoi leaves overflow undefined, a reply must not be able to cause that.
  constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 - (text[i] - '0');
    if (value < kLowest) value = kLowest;
  }
  if (!negative) value = value == kLowest ? std::numeric_limits<std::int32_t>::max() : -value;
  return static_cast<std::int32_t>(value);
}

ResultTexts resultTexts(std::int32_t value) {
  const std::int64_t index = static_cast<std::int64_t>(value) - kFirstKnown;
  if (index < 0 || index >= static_cast<std::int64_t>(kKnownResults.size())) return kUnknownResult;
  return kKnownResults[static_cast<std::size_t>(index)];
}

}  // namespace cfgsnap::frontend
