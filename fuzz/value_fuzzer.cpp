// Feeds arbitrary octets to each value's decoding constructor: the first
// octet is the tag, as the message decoder reads it, the rest the element.
//
// Properties: a successful decode consumes at least the length octet and
// exactly `length` content octets after the length octets, never more than
// the input; the value re-encodes to exactly encodedSize octets; decoding that
// encoding gives the same length, type name and text.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "snmp/ber.h"
#include "snmp/message_decoder.h"

namespace snmp = cfgsnap::snmp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return -1;
  const std::uint8_t tag = data[0];
  const std::vector<std::uint8_t> element(data + 1, data + size);
  snmp::BerReader reader(element);
  std::unique_ptr<snmp::SnmpValue> value = snmp::decodeValue(tag, reader);
  if (!value) {
    FUZZ_CHECK(!reader.ok());
    return 0;
  }
  FUZZ_CHECK(reader.ok());
  const std::size_t consumed = element.size() - reader.remaining();
  FUZZ_CHECK(consumed >= 1u + value->length());
  FUZZ_CHECK(consumed <= 5u + value->length());

  const std::string text = value->toText();
  FUZZ_CHECK(value->toText() == text);  // Cached or rebuilt, the same text.

  const std::vector<std::uint8_t> encoded = value->toBytes();
  FUZZ_CHECK(encoded.size() == value->encodedSize());
  snmp::BerReader again{std::span(encoded).subspan(1)};
  std::unique_ptr<snmp::SnmpValue> copy = snmp::decodeValue(encoded[0], again);
  FUZZ_CHECK(copy != nullptr);
  FUZZ_CHECK(again.remaining() == 0);
  FUZZ_CHECK(copy->length() == value->length());
  FUZZ_CHECK(copy->typeName() == value->typeName());
  FUZZ_CHECK(copy->toText() == text);
  return 0;
}
