// snmp_value.h: SnmpValue, the common base of every typed SNMP value.
//
// A value knows its tag octet, its type name and its content length, encodes
// itself as one BER element, reports that element's exact size and shows
// itself as text. The text is built on the first request and kept by the
// value; callers never own it. The families derive from here: the integer
// family (integer_values.h) and the octet family (octet_values.h).
//
// Decoding constructors take a BerReader placed just after the tag octet. A
// value whose length octets or contents are not in the data, or whose length
// exceeds 65535, leaves the reader failed; the half-built value must then be
// thrown away (callers check BerReader::ok()).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/ber.h"
#include "snmp/ber_encodable.h"

namespace cfgsnap::snmp {

class SnmpValue : public BerEncodable {
 public:
  // toBytes returns a new buffer of exactly encodedSize() octets holding the
  // value's encoding. The caller owns the buffer.
  virtual std::vector<std::uint8_t> toBytes() const;
  // toText returns the value's text form, owned by the value and valid until
  // the value is destroyed (for an IpAddress, until the next toText call).
  virtual const std::string& toText() const = 0;

  // encodedSize is the exact number of octets encode() writes.
  std::uint32_t encodedSize() const { return tlvSize(length_); }
  std::uint16_t length() const { return length_; }
  std::uint16_t tag() const { return tag_; }
  std::string_view typeName() const { return typeName_; }

 protected:
  SnmpValue(std::uint16_t tag, const char* typeName) : tag_(tag), typeName_(typeName) {}
  // Reads the length octets; refuses lengths that do not fit in 16 bits.
  SnmpValue(BerReader& reader, std::uint16_t tag, const char* typeName);

  std::uint16_t length_ = 0;
  // The cached text form; empty until the first toText().
  mutable std::optional<std::string> text_;

 private:
  std::uint16_t tag_;
  const char* typeName_;  // Points at a string literal.
};

}  // namespace cfgsnap::snmp
