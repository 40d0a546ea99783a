// integer_values.h: the integer family of SNMP values.
//
// SnmpNumber keeps a 32-bit unsigned `number`: exactly the big-endian number
// that its content octets form, so decoding a value's own encoding gives the
// value back. Its classes are SnmpInteger, SnmpCounter, SnmpGauge and
// SnmpTimeTicks. SnmpNumber64 keeps a 64-bit unsigned number; its class is
// SnmpCounter64. None of these operations fails; decoding failures are
// reported through the reader (see snmp_value.h).
#pragma once

#include <cstdint>
#include <string>

#include "snmp/snmp_value.h"

namespace cfgsnap::snmp {

class SnmpNumber : public SnmpValue {
 public:
  // Writes tag, length octets and `length` content octets; positions beyond
  // the 32-bit number are written as 0.
  void encode(BerCursor& cursor) const override;
  // The number as a signed 32-bit decimal: 4294967295 shows as -1.
  const std::string& toText() const override;

  // The number, handed on as a signed 32-bit integer.
  std::int32_t getValue() const { return static_cast<std::int32_t>(number_); }
  // Stores n in the shortest two's-complement form (X.690 8.3.2); the number
  // kept is those content octets read back without sign (-1 keeps 255).
  void setValue(std::int32_t n);

 protected:
  SnmpNumber(std::uint16_t tag, const char* typeName) : SnmpValue(tag, typeName) {}
  // Reads the length and exactly `length` content octets, keeping the low 32
  // bits of the number and the length as it arrived (0 and over 4 included).
  SnmpNumber(BerReader& reader, std::uint16_t tag, const char* typeName);

 private:
  std::uint32_t number_ = 0;
};

class SnmpInteger : public SnmpNumber {
 public:
  explicit SnmpInteger(std::int32_t n);
  explicit SnmpInteger(BerReader& reader);
};

class SnmpCounter : public SnmpNumber {
 public:
  explicit SnmpCounter(BerReader& reader);
};

class SnmpGauge : public SnmpNumber {
 public:
  explicit SnmpGauge(BerReader& reader);
};

class SnmpTimeTicks : public SnmpNumber {
 public:
  explicit SnmpTimeTicks(std::int32_t n);
  explicit SnmpTimeTicks(BerReader& reader);
};

class SnmpNumber64 : public SnmpValue {
 public:
  void encode(BerCursor& cursor) const override;
  // The number as an unsigned decimal of up to 20 digits.
  const std::string& toText() const override;

  std::uint64_t getValue() const { return number_; }
  // Stores n in as few octets as hold it (1 for 0); unlike the 32-bit rule no
  // 00 octet is put in front of a high first bit.
  void setValue(std::uint64_t n);

 protected:
  SnmpNumber64(BerReader& reader, std::uint16_t tag, const char* typeName);

 private:
  std::uint64_t number_ = 0;
};

class SnmpCounter64 : public SnmpNumber64 {
 public:
  explicit SnmpCounter64(BerReader& reader);
};

}  // namespace cfgsnap::snmp
