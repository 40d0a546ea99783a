#include "snmp/snmp_value.h"

#include "snmp/check.h"
#include "snmp/wire.h"

namespace cfgsnap::snmp {

SnmpValue::SnmpValue(BerReader& reader, std::uint16_t tag, const char* typeName)
    : tag_(tag), typeName_(typeName) {
  const std::optional<std::uint32_t> length = readLength(reader);
  if (!length) return;
  // The content length is kept in 16 bits; a longer element cannot be held
  // without cutting it, so it is refused instead.
  if (*length > wire::kMaxContentLength) {
    reader.fail();
    return;
  }
  length_ = static_cast<std::uint16_t>(*length);
}

std::vector<std::uint8_t> SnmpValue::toBytes() const {
  std::vector<std::uint8_t> bytes(encodedSize());
  BerCursor cursor(bytes);
  encode(cursor);
  CFGSNAP_CHECK(cursor.remaining() == 0);
  return bytes;
}

}  // namespace cfgsnap::snmp
