#include "snmp/ber.h"

#include "snmp/check.h"
#include "snmp/wire.h"

namespace cfgsnap::snmp {

std::optional<std::uint32_t> readSubId(BerReader& reader) {
  std::uint32_t value = 0;
  std::uint8_t octet = 0;
  do {
    if (!reader.readOctet(octet)) return std::nullopt;
    // SNMP arcs are 32-bit (RFC 1155 3.2.3.2): a longer one is refused rather
    // than shown as a different number.
    if (value > (UINT32_MAX >> 7)) {
      reader.fail();
      return std::nullopt;
    }
    value = (value << 7) | (octet & wire::kSubIdValueMask);
  } while ((octet & wire::kSubIdMoreBit) != 0);
  return value;
}

std::optional<FirstArcs> readFirstSubId(BerReader& reader) {
  std::uint8_t octet = 0;
  if (!reader.readOctet(octet)) return std::nullopt;
  return firstArcsOf(octet);
}

}  // namespace cfgsnap::snmp
