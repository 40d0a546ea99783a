#include "snmp/integer_values.h"

#include <string>

#include "snmp/wire.h"

namespace cfgsnap::snmp {

namespace {

// Writes `length` content octets of a big-endian number, most significant
// first; positions beyond the number's own width are 0.
template <typename Number>
void writeNumberContents(BerCursor& cursor, std::uint16_t length, Number number) {
  constexpr unsigned kWidth = sizeof(Number);
  for (unsigned position = length; position > 0; --position) {
    const unsigned p = position - 1;
    std::uint8_t octet = 0;
    if (p < kWidth) octet = static_cast<std::uint8_t>((number >> (8 * p)) & 0xFF);
    cursor.putOctet(octet);
  }
}

}  // namespace

SnmpNumber::SnmpNumber(BerReader& reader, std::uint16_t tag, const char* typeName)
    : SnmpValue(reader, tag, typeName) {
  if (const std::optional<std::uint32_t> number = readUnsigned(reader, length_)) number_ = *number;
}

void SnmpNumber::encode(BerCursor& cursor) const {
  cursor.putOctet(static_cast<std::uint8_t>(tag()));
  writeLength(cursor, length_);
  writeNumberContents(cursor, length_, number_);
}

const std::string& SnmpNumber::toText() const {
  if (!text_) text_ = std::to_string(static_cast<std::int32_t>(number_));
  return *text_;
}

void SnmpNumber::setValue(std::int32_t n) {
  // Shortest two's-complement form (X.690 8.3.2): drop a leading octet while
  // it and the next octet's top bit are all zeros or all ones.
  auto word = static_cast<std::uint32_t>(n);
  std::uint16_t count = 4;
  while (count > 1) {
    const std::uint32_t top9 = word >> 23;
    if (top9 != 0 && top9 != 0x1FF) break;
    word <<= 8;
    --count;
  }
  length_ = count;
  number_ = count == 4 ? static_cast<std::uint32_t>(n)
                       : static_cast<std::uint32_t>(n) & ((1u << (8 * count)) - 1);
  text_.reset();
}

SnmpInteger::SnmpInteger(std::int32_t n) : SnmpNumber(wire::kInteger, "Integer") {
  setValue(n);
}
SnmpInteger::SnmpInteger(BerReader& reader) : SnmpNumber(reader, wire::kInteger, "Integer") {}
SnmpCounter::SnmpCounter(BerReader& reader) : SnmpNumber(reader, wire::kCounter, "Counter") {}
SnmpGauge::SnmpGauge(BerReader& reader) : SnmpNumber(reader, wire::kGauge, "Gauge") {}
SnmpTimeTicks::SnmpTimeTicks(std::int32_t n) : SnmpNumber(wire::kTimeTicks, "TimeTick") {
  setValue(n);
}
SnmpTimeTicks::SnmpTimeTicks(BerReader& reader)
    : SnmpNumber(reader, wire::kTimeTicks, "TimeTick") {}

SnmpNumber64::SnmpNumber64(BerReader& reader, std::uint16_t tag, const char* typeName)
    : SnmpValue(reader, tag, typeName) {
  std::span<const std::uint8_t> octets;
  if (!reader.readOctets(length_, octets)) return;
  // Kept to 64 bits: older octets are pushed out by later ones.
  for (std::uint8_t octet : octets) number_ = (number_ << 8) | octet;
}

void SnmpNumber64::encode(BerCursor& cursor) const {
  cursor.putOctet(static_cast<std::uint8_t>(tag()));
  writeLength(cursor, length_);
  writeNumberContents(cursor, length_, number_);
}

const std::string& SnmpNumber64::toText() const {
  if (!text_) text_ = std::to_string(number_);
  return *text_;
}

void SnmpNumber64::setValue(std::uint64_t n) {
  number_ = n;
  std::uint16_t count = 1;
  while (count < 8 && (n >> (8 * count)) != 0) ++count;
  length_ = count;
  text_.reset();
}

SnmpCounter64::SnmpCounter64(BerReader& reader)
    : SnmpNumber64(reader, wire::kCounter64, "Counter64") {}

}  // namespace cfgsnap::snmp
