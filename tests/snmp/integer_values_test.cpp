// Tests of the integer family: the 32-bit setValue rule, the 64-bit rule,
// decoding with the lengths as they arrive, text forms and round trips.
#include "snmp/integer_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace cfgsnap::snmp {
namespace {

using test::encodeSized;
using test::hex;
using test::toHex;

// Decodes `octets` (tag included) with the decoding constructor of the class
// that the tag names; the reader is left just after what was consumed.
std::unique_ptr<SnmpValue> decodeInteger(BerReader& reader) {
  std::uint8_t tag = 0;
  if (!reader.readOctet(tag)) return nullptr;
  switch (tag) {
    case 0x02:
      return std::make_unique<SnmpInteger>(reader);
    case 0x41:
      return std::make_unique<SnmpCounter>(reader);
    case 0x42:
      return std::make_unique<SnmpGauge>(reader);
    case 0x43:
      return std::make_unique<SnmpTimeTicks>(reader);
    case 0x46:
      return std::make_unique<SnmpCounter64>(reader);
    default:
      ADD_FAILURE() << "test data names no integer class: " << int{tag};
      return nullptr;
  }
}

std::uint32_t numberOf(const SnmpValue& value) {
  return static_cast<std::uint32_t>(dynamic_cast<const SnmpNumber&>(value).getValue());
}

TEST(IntegerSetValue, StoresTheShortestTwosComplementForm) {
  struct Row {
    std::int32_t n;
    const char* contents;
    std::uint32_t number;  // the contents read back without sign
    const char* text;
  };
  const Row rows[] = {
      {0, "00", 0, "0"},
      {1, "01", 1, "1"},
      {127, "7F", 127, "127"},
      {128, "00 80", 128, "128"},  // a 00 octet keeps it positive
      {255, "00 FF", 255, "255"},
      {256, "01 00", 256, "256"},
      {32767, "7F FF", 32767, "32767"},
      {32768, "00 80 00", 32768, "32768"},
      {65535, "00 FF FF", 65535, "65535"},
      {8388607, "7F FF FF", 8388607, "8388607"},
      {8388608, "00 80 00 00", 8388608, "8388608"},
      {2147483647, "7F FF FF FF", 2147483647, "2147483647"},
      {-1, "FF", 255, "255"},  // kept as its octet read without sign
      {-128, "80", 128, "128"},
      {-129, "FF 7F", 0xFF7F, "65407"},
      {-32768, "80 00", 0x8000, "32768"},
      {-32769, "FF 7F FF", 0xFF7FFF, "16744447"},
      {-8388608, "80 00 00", 0x800000, "8388608"},
      {-2147483647 - 1, "80 00 00 00", 0x80000000u, "-2147483648"},
      {-2, "FE", 254, "254"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.n);
    const auto contents = hex(row.contents);
    const auto length = static_cast<std::uint8_t>(contents.size());
    for (std::uint8_t tag : {std::uint8_t{0x02}, std::uint8_t{0x43}}) {
      SCOPED_TRACE(int{tag});
      std::unique_ptr<SnmpNumber> value;
      if (tag == 0x02) {
        value = std::make_unique<SnmpInteger>(row.n);
      } else {
        value = std::make_unique<SnmpTimeTicks>(row.n);
      }
      EXPECT_EQ(value->length(), contents.size());
      EXPECT_EQ(static_cast<std::uint32_t>(value->getValue()), row.number);
      EXPECT_EQ(value->toText(), row.text);
      const auto expected = test::concat({{tag, length}, contents});
      EXPECT_EQ(toHex(encodeSized(*value)), toHex(expected));
      EXPECT_EQ(toHex(value->toBytes()), toHex(expected));

      // Decoding the encoding gives the same number and text back.
      BerReader reader(expected);
      const auto back = decodeInteger(reader);
      ASSERT_NE(back, nullptr);
      EXPECT_EQ(reader.remaining(), 0u);
      EXPECT_EQ(numberOf(*back), row.number);
      EXPECT_EQ(back->toText(), row.text);
    }
  }
}

TEST(IntegerSetValue, ReplacesNumberLengthAndText) {
  SnmpInteger value(70000);
  EXPECT_EQ(value.toText(), "70000");
  value.setValue(5);
  EXPECT_EQ(value.length(), 1);
  EXPECT_EQ(value.toText(), "5");
  EXPECT_EQ(toHex(encodeSized(value)), "02 01 05");
}

TEST(Counter64SetValue, StoresAsFewOctetsAsHoldTheNumber) {
  struct Row {
    std::uint64_t n;
    const char* encoding;
    const char* text;
  };
  const Row rows[] = {
      {0, "46 01 00", "0"},
      {127, "46 01 7F", "127"},
      {128, "46 01 80", "128"},  // no 00 octet in front, unlike the 32-bit rule
      {255, "46 01 FF", "255"},
      {256, "46 02 01 00", "256"},
      {65536, "46 03 01 00 00", "65536"},
      {4294967295, "46 04 FF FF FF FF", "4294967295"},
      {4294967296, "46 05 01 00 00 00 00", "4294967296"},
      {0x8000000000000000, "46 08 80 00 00 00 00 00 00 00", "9223372036854775808"},
      {0xFFFFFFFFFFFFFFFF, "46 08 FF FF FF FF FF FF FF FF", "18446744073709551615"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.n);
    const auto seed = hex("01 63");  // a decoded Counter64 of 99, then set
    BerReader seedReader(seed);
    SnmpCounter64 value(seedReader);
    ASSERT_EQ(value.toText(), "99");
    value.setValue(row.n);
    EXPECT_EQ(value.getValue(), row.n);
    EXPECT_EQ(value.toText(), row.text);  // the cached 99 is not shown again
    EXPECT_EQ(toHex(encodeSized(value)), toHex(hex(row.encoding)));

    const auto encoding = hex(row.encoding);
    BerReader reader(encoding);
    const auto back = decodeInteger(reader);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(reader.remaining(), 0u);
    EXPECT_EQ(dynamic_cast<const SnmpCounter64&>(*back).getValue(), row.n);
  }
}

TEST(IntegerDecoding, KeepsTheLengthAsItArrived) {
  struct Row {
    const char* element;  // tag, length, contents; one more octet follows
    const char* typeName;
    std::uint16_t length;
    const char* text;
    const char* reencoded;  // what encode writes back
  };
  const Row rows[] = {
      {"02 01 03", "Integer", 1, "3", "02 01 03"},
      {"02 02 00 EA", "Integer", 2, "234", "02 02 00 EA"},
      {"02 01 FF", "Integer", 1, "255", "02 01 FF"},  // no sign extension
      {"02 04 FF FF FF FF", "Integer", 4, "-1", "02 04 FF FF FF FF"},
      {"02 00", "Integer", 0, "0", "02 00"},           // empty INTEGER
      {"02 81 01 05", "Integer", 1, "5", "02 01 05"},  // long form written back short
      {"41 05 00 FF FF FF FF", "Counter", 5, "-1", "41 05 00 FF FF FF FF"},
      // Octets beyond the low four are lost; encode writes 0 there.
      {"41 06 01 02 03 04 05 06", "Counter", 6, "50595078", "41 06 00 00 03 04 05 06"},
      {"42 04 80 00 00 00", "Gauge", 4, "-2147483648", "42 04 80 00 00 00"},
      {"43 02 01 00", "TimeTick", 2, "256", "43 02 01 00"},
      {"46 09 00 FF FF FF FF FF FF FF FF", "Counter64", 9, "18446744073709551615",
       "46 09 00 FF FF FF FF FF FF FF FF"},
      {"46 05 01 00 00 00 00", "Counter64", 5, "4294967296", "46 05 01 00 00 00 00"},
      {"46 09 01 00 00 00 00 00 00 00 02", "Counter64", 9, "2", "46 09 00 00 00 00 00 00 00 00 02"},
      {"46 00", "Counter64", 0, "0", "46 00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.element);
    auto data = hex(row.element);
    const std::size_t elementSize = data.size();
    data.push_back(0x99);
    BerReader reader(data);
    const auto value = decodeInteger(reader);
    ASSERT_NE(value, nullptr);
    EXPECT_TRUE(reader.ok());
    EXPECT_EQ(data.size() - reader.remaining(), elementSize) << "consumed other than the element";
    EXPECT_EQ(value->tag(), data[0]);
    EXPECT_EQ(value->typeName(), row.typeName);
    EXPECT_EQ(value->length(), row.length);
    EXPECT_EQ(value->toText(), row.text);
    EXPECT_EQ(&value->toText(), &value->toText()) << "the text is built once and kept";
    EXPECT_EQ(toHex(encodeSized(*value)), toHex(hex(row.reencoded)));
  }
}

TEST(IntegerDecoding, RefusesElementsThatRunPastTheData) {
  const char* const rows[] = {
      "02",                          // length octet missing
      "02 02 01",                    // one content octet of two
      "41 82 00",                    // long form cut short
      "42 80 01",                    // indefinite form
      "43 85 00 00 00 00 01 01",     // five length octets
      "46 09 00 FF FF FF FF FF FF",  // Counter64 contents cut short
      "46 04 01 02",
  };
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    const auto data = hex(row);
    BerReader reader(data);
    decodeInteger(reader);
    EXPECT_FALSE(reader.ok());
  }
}

TEST(IntegerDecoding, RefusesALengthBeyond16Bits) {
  // 65536 content octets are all there; the 16-bit length cannot keep them.
  auto data = test::concat({hex("41 83 01 00 00"), std::vector<std::uint8_t>(65536, 0x01)});
  BerReader reader(data);
  decodeInteger(reader);
  EXPECT_FALSE(reader.ok());

  // 65535 octets still fit.
  data = test::concat({hex("41 82 FF FF"), std::vector<std::uint8_t>(65535, 0x01)});
  BerReader fits(data);
  const auto value = decodeInteger(fits);
  ASSERT_TRUE(fits.ok());
  EXPECT_EQ(value->length(), 65535);
  EXPECT_EQ(fits.remaining(), 0u);
  EXPECT_EQ(value->encodedSize(), data.size());
}

}  // namespace
}  // namespace cfgsnap::snmp
