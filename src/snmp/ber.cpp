#include "snmp/ber.h"

#include <cstring>

#include "snmp/check.h"
#include "snmp/wire.h"

namespace cfgsnap::snmp {

void BerCursor::putOctets(std::span<const std::uint8_t> octets) {
  CFGSNAP_CHECK(octets.size() <= remaining());
  if (!octets.empty()) std::memcpy(position_, octets.data(), octets.size());
  position_ += octets.size();
}

void writeLength(BerCursor& cursor, std::uint32_t n) {
  if (n <= wire::kShortFormMax) {
    cursor.putOctet(static_cast<std::uint8_t>(n));
    return;
  }
  const std::uint32_t count = lengthOctets(n) - 1;
  cursor.putOctet(static_cast<std::uint8_t>(wire::kLongFormBit | count));
  for (std::uint32_t i = count; i > 0; --i) {
    cursor.putOctet(static_cast<std::uint8_t>(n >> (8 * (i - 1))));
  }
}

std::optional<std::uint32_t> readLength(BerReader& reader) {
  std::uint8_t first = 0;
  if (!reader.readOctet(first)) return std::nullopt;
  if ((first & wire::kLongFormBit) == 0) return first;

  const std::uint32_t count = first & wire::kLongFormCountMask;
  // 0x80 is the indefinite form, which SNMP never uses (RFC 1157 4: definite
  // lengths only); more than four octets cannot be a length we could hold.
  if (count == 0 || count > wire::kMaxLengthOctets) {
    reader.fail();
    return std::nullopt;
  }
  std::span<const std::uint8_t> octets;
  if (!reader.readOctets(count, octets)) return std::nullopt;
  std::uint32_t length = 0;
  for (std::uint8_t octet : octets) length = (length << 8) | octet;
  return length;
}

std::optional<std::uint32_t> readTag(BerReader& reader) {
  std::uint8_t octet = 0;
  if (!reader.readOctet(octet)) return std::nullopt;
  if ((octet & 0x80) == 0) return octet;

  std::uint32_t tag = octet & 0x7Fu;
  for (;;) {
    if (!reader.readOctet(octet)) return std::nullopt;
    if ((octet & 0x80) == 0) return tag;
    if (tag > (UINT32_MAX >> 7)) {
      reader.fail();
      return std::nullopt;
    }
    tag = (tag << 7) | (octet & 0x7Fu);
  }
}

std::optional<std::uint32_t> readUnsigned(BerReader& reader, std::uint32_t count) {
  std::span<const std::uint8_t> octets;
  if (!reader.readOctets(count, octets)) return std::nullopt;
  // Octets beyond the fourth push the older ones out: only the low 32 bits of
  // an over-long number remain, and the value keeps its length separately.
  std::uint32_t value = 0;
  for (std::uint8_t octet : octets) value = (value << 8) | octet;
  return value;
}

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

void writeFirstSubId(BerCursor& cursor, std::uint32_t first, std::uint32_t second) {
  // The combined arcs always take exactly one octet; larger values wrap.
  cursor.putOctet(static_cast<std::uint8_t>(40 * first + second));
}

FirstArcs firstArcsOf(std::uint8_t octet) {
  if (octet < 40) return {0, octet};
  if (octet < 80) return {1, static_cast<std::uint16_t>(octet - 40)};
  return {2, static_cast<std::uint16_t>(octet - 80)};
}

std::optional<FirstArcs> readFirstSubId(BerReader& reader) {
  std::uint8_t octet = 0;
  if (!reader.readOctet(octet)) return std::nullopt;
  return firstArcsOf(octet);
}

}  // namespace cfgsnap::snmp
