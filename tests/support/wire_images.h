// wire_images.h: the requests cfgsnap must put on the wire, written out
// octet by octet, and fromHex to read such octets.
//
// kSetRequestImage is the SetRequest for community "", TFTP server 10.0.0.5
// and file sw1.cfg (request-id 123, the four TFTP objects); kPollImage is
// every poll with community "" (GetRequest, request-id 234, the result
// object with NULL). fromHex skips blanks and throws std::invalid_argument
// on any other non-hex character or an odd digit count.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace cfgsnap::testing {

inline constexpr std::string_view kSetRequestImage =
    "30 67 02 01 00 04 00 A3 60 02 01 7B 02 01 00 02 01 00 30 55 30 17 06 0B 2B 06 01 04 01 09 "
    "05 01 05 01 00 04 08 31 30 2E 30 2E 30 2E 35 30 16 06 0B 2B 06 01 04 01 09 05 01 05 02 00 "
    "04 07 73 77 31 2E 63 66 67 30 10 06 0B 2B 06 01 04 01 09 05 01 05 03 00 02 01 01 30 10 06 "
    "0B 2B 06 01 04 01 09 05 01 05 04 00 02 01 03";

inline constexpr std::string_view kPollImage =
    "30 24 02 01 00 04 00 A0 1D 02 02 00 EA 02 01 00 02 01 00 30 11 30 0F 06 0B 2B 06 01 04 01 "
    "09 05 01 05 05 00 05 00";

inline std::vector<std::uint8_t> fromHex(std::string_view hex) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::invalid_argument("not a hex digit");
  };
  std::vector<std::uint8_t> octets;
  int high = -1;
  for (const char c : hex) {
    if (c == ' ' || c == '\n') continue;
    const int value = digit(c);
    if (high < 0) {
      high = value;
    } else {
      octets.push_back(static_cast<std::uint8_t>(high * 16 + value));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd number of hex digits");
  return octets;
}

}  // namespace cfgsnap::testing
