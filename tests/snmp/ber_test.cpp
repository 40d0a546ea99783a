// Tests of the BER primitives: length octets, tags, unsigned contents,
// sub-identifiers, the first two arcs, the size rules, and the bounded reader.
#include "snmp/ber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "codec_test_support.h"

namespace cfgsnap::snmp {
namespace {

using test::encodeExactly;
using test::hex;
using test::toHex;

// Octets consumed by a reader since it was placed at `data`.
std::size_t consumed(const BerReader& reader, const std::vector<std::uint8_t>& data) {
  return static_cast<std::size_t>(reader.position() - data.data());
}

TEST(BerLength, WritesReadsAndSizesEachForm) {
  struct Row {
    std::uint32_t n;
    const char* octets;
    std::uint32_t lengthOctets;
  };
  const Row rows[] = {
      {0, "00", 1},
      {126, "7E", 1},     // last short form
      {127, "81 7F", 2},  // 127 already takes the long form
      {128, "81 80", 2},
      {255, "81 FF", 2},
      {256, "82 01 00", 3},
      {4096, "82 10 00", 3},
      {65535, "82 FF FF", 3},
      {65536, "83 01 00 00", 4},
      {0xFFFFFF, "83 FF FF FF", 4},
      {0x1000000, "84 01 00 00 00", 5},  // 2^24
      {0xFFFFFFFF, "84 FF FF FF FF", 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.n);
    EXPECT_EQ(lengthOctets(row.n), row.lengthOctets);
    EXPECT_EQ(tlvSize(row.n), 1 + row.lengthOctets + row.n);
    const auto written =
        encodeExactly(lengthOctets(row.n), [&](BerCursor& c) { writeLength(c, row.n); });
    EXPECT_EQ(toHex(written), toHex(hex(row.octets)));

    // Read back with one extra octet behind, which must stay unread.
    std::vector<std::uint8_t> data = hex(row.octets);
    data.push_back(0xEE);
    BerReader reader(data);
    EXPECT_EQ(readLength(reader), row.n);
    EXPECT_EQ(consumed(reader, data), row.lengthOctets);
    EXPECT_TRUE(reader.ok());
  }
}

TEST(BerLength, ReadsFormsTheWriterNeverProduces) {
  struct Row {
    const char* octets;
    std::uint32_t length;
    std::size_t consumed;
  };
  const Row rows[] = {
      {"7F EE", 127, 1},  // short form up to 127 on reading
      {"81 7F EE", 127, 2},        {"82 01 00 EE", 256, 3},
      {"81 05 EE", 5, 2},           // long form for a short length
      {"84 00 00 00 05 EE", 5, 5},  // four octets with leading zeros
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.octets);
    const auto data = hex(row.octets);
    BerReader reader(data);
    EXPECT_EQ(readLength(reader), row.length);
    EXPECT_EQ(consumed(reader, data), row.consumed);
    EXPECT_TRUE(reader.ok());
  }
}

TEST(BerLength, RefusesIndefiniteOverlongAndTruncatedForms) {
  const char* const rows[] = {
      "",                   // nothing to read
      "80 01 02",           // indefinite form
      "85 00 00 00 00 01",  // five length octets
      "FF 01 02 03 04",     // 127 length octets
      "81",                 // long form, its octet missing
      "82 01",              // one of two octets missing
      "84 01 02 03",        // one of four octets missing
  };
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    const auto data = hex(row);
    BerReader reader(data);
    EXPECT_EQ(readLength(reader), std::nullopt);
    EXPECT_FALSE(reader.ok());
    // The failure sticks: even an octet that is there is no longer handed out.
    std::uint8_t octet = 0;
    EXPECT_FALSE(reader.readOctet(octet));
  }
}

TEST(BerTag, ReadsLowAndHighIdentifierForms) {
  struct Row {
    const char* octets;
    std::optional<std::uint32_t> tag;
    std::size_t consumed;
  };
  const Row rows[] = {
      {"02 01", 0x02, 1},
      {"43 01", 0x43, 1},
      {"7F 01", 0x7F, 1},
      // Bit 8 set: the low 7 bits start the number, the next octet with bit 8
      // clear ends it and adds nothing.
      {"9F 01 EE", 0x1F, 2},
      {"A2 00 EE", 0x22, 2},
      {"9F 81 01 EE", (0x1Fu << 7) | 0x01, 3},
      {"9F FF FF FF 01 EE", 0x3FFFFFF, 5},
      // Refused: the identifier runs off the data, or needs more than 32 bits.
      {"", std::nullopt, 0},
      {"9F", std::nullopt, 1},
      {"9F 81 82", std::nullopt, 3},
      {"9F FF FF FF FF 01", std::nullopt, 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.octets);
    const auto data = hex(row.octets);
    BerReader reader(data);
    EXPECT_EQ(readTag(reader), row.tag);
    EXPECT_EQ(reader.ok(), row.tag.has_value());
    if (row.tag) {
      EXPECT_EQ(consumed(reader, data), row.consumed);
    }
  }
}

TEST(BerUnsigned, ReadsBigEndianWithoutSignKeepingLow32Bits) {
  struct Row {
    const char* octets;
    std::uint32_t count;
    std::uint32_t value;
  };
  const Row rows[] = {
      {"FF", 1, 255},  // no sign extension
      {"80 00", 2, 0x8000},
      {"00 FF FF FF FF", 5, 4294967295},
      {"01 00 00 00 00", 5, 0},  // the fifth octet from the end is pushed out
      {"12 34 56 78 9A BC", 6, 0x56789ABC},
      {"EE", 0, 0},  // no octets: 0, nothing consumed
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.octets);
    const auto data = hex(row.octets);
    BerReader reader(data);
    EXPECT_EQ(readUnsigned(reader, row.count), row.value);
    EXPECT_EQ(consumed(reader, data), row.count);
  }
}

TEST(BerUnsigned, RefusesContentsBeyondTheDataWithoutConsuming) {
  const auto data = hex("01 02");
  BerReader reader(data);
  EXPECT_EQ(readUnsigned(reader, 3), std::nullopt);
  EXPECT_FALSE(reader.ok());
  EXPECT_EQ(consumed(reader, data), 0u);
}

TEST(BerSubId, WritesAndReadsEveryOctetCount) {
  struct Row {
    std::uint32_t v;
    const char* octets;
  };
  const Row rows[] = {
      {0, "00"},
      {127, "7F"},
      {128, "81 00"},
      {16383, "FF 7F"},                // 2^14 - 1
      {16384, "81 80 00"},             // 2^14
      {2097151, "FF FF 7F"},           // 2^21 - 1
      {2097152, "81 80 80 00"},        // 2^21
      {268435455, "FF FF FF 7F"},      // 2^28 - 1
      {268435456, "81 80 80 80 00"},   // 2^28
      {4294967295, "8F FF FF FF 7F"},  // largest sub-identifier
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.v);
    const auto expected = hex(row.octets);
    EXPECT_EQ(subIdOctets(row.v), expected.size());
    std::uint32_t returned = 0;
    const auto written =
        encodeExactly(subIdOctets(row.v), [&](BerCursor& c) { returned = writeSubId(c, row.v); });
    EXPECT_EQ(toHex(written), toHex(expected));
    EXPECT_EQ(returned, expected.size());

    auto data = expected;
    data.push_back(0x05);  // the next sub-identifier, not to be touched
    BerReader reader(data);
    EXPECT_EQ(readSubId(reader), row.v);
    EXPECT_EQ(consumed(reader, data), expected.size());
  }
}

TEST(BerSubId, RefusesAValueBeyond32Bits) {
  // An arc above 2^32 - 1 has no 32-bit value: keeping its low bits would
  // show a different object. Leading zero groups are only redundant.
  struct Row {
    const char* octets;
    std::optional<std::uint32_t> v;
  };
  const Row rows[] = {
      {"90 80 80 80 00", std::nullopt},     // 2^32
      {"90 80 80 80 01", std::nullopt},     // 2^32 + 1
      {"81 80 80 80 80 7F", std::nullopt},  // 2^35 + 127
      {"80 80 80 80 80 80 01", 1},          // leading zero groups, value 1
      {"8F FF FF FF 7F", 0xFFFFFFFF},       // the largest arc still fits
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.octets);
    const auto data = hex(row.octets);
    BerReader reader(data);
    EXPECT_EQ(readSubId(reader), row.v);
    EXPECT_EQ(reader.ok(), row.v.has_value());
  }
}

TEST(BerSubId, RefusesAContinuationThatRunsOffTheData) {
  const char* const rows[] = {
      "",                // nothing at all
      "81",              // continuation bit on the last octet
      "8F FF FF FF",     // four octets, all continued
      "80 80 80 80 80",  // zero groups, still continued
  };
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    const auto data = hex(row);
    BerReader reader(data);
    EXPECT_EQ(readSubId(reader), std::nullopt);
    EXPECT_FALSE(reader.ok());
  }
}

TEST(BerFirstArcs, WritesOneOctetModulo256) {
  struct Row {
    std::uint32_t first;
    std::uint32_t second;
    std::uint8_t octet;
  };
  const Row rows[] = {
      {1, 3, 0x2B},          {0, 0, 0x00},   {0, 39, 0x27},
      {1, 0, 0x28},          {2, 0, 0x50},   {2, 100, 0xB4},  // 180 stays one octet, not base 128
      {2, 175, 0xFF},        {2, 176, 0x00},                  // 256 wraps
      {1, 40, 0x50},                                          // reads back as 2.0
      {7, 0, 0x18},                                           // 280 wraps to 24
      {0xFFFFFFFF, 0, 0xD8},  // 40 x (2^32 - 1) wraps in 32 bits first
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.first << "." << row.second);
    const auto written =
        encodeExactly(1, [&](BerCursor& c) { writeFirstSubId(c, row.first, row.second); });
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], row.octet);
  }
}

TEST(BerFirstArcs, ReadsEveryOctetAndWritesItBack) {
  struct Row {
    std::uint8_t octet;
    FirstArcs arcs;
  };
  const Row rows[] = {
      {0x00, {0, 0}},  {0x27, {0, 39}}, {0x28, {1, 0}},   {0x2B, {1, 3}},
      {0x4F, {1, 39}}, {0x50, {2, 0}},  {0xB4, {2, 100}}, {0xFF, {2, 175}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.octet));
    const std::vector<std::uint8_t> data = {row.octet, 0xEE};
    BerReader reader(data);
    EXPECT_EQ(readFirstSubId(reader), row.arcs);
    EXPECT_EQ(consumed(reader, data), 1u);
  }
  // Every octet splits into arcs that write back as the same octet.
  for (unsigned c = 0; c < 256; ++c) {
    SCOPED_TRACE(c);
    const FirstArcs arcs = firstArcsOf(static_cast<std::uint8_t>(c));
    EXPECT_LE(arcs.first, 2);
    if (arcs.first < 2) {
      EXPECT_LT(arcs.second, 40);
    }
    const auto written = encodeExactly(
        1, [&](BerCursor& cursor) { writeFirstSubId(cursor, arcs.first, arcs.second); });
    EXPECT_EQ(written[0], c);
  }
  const std::vector<std::uint8_t> empty;
  BerReader reader(empty);
  EXPECT_EQ(readFirstSubId(reader), std::nullopt);
  EXPECT_FALSE(reader.ok());
}

TEST(BerReaderBounds, ReadOctetsRefusesMoreThanRemainsAndConsumesNothing) {
  const auto data = hex("01 02 03");
  BerReader reader(data);
  std::span<const std::uint8_t> view;
  ASSERT_TRUE(reader.readOctets(2, view));
  EXPECT_EQ(toHex(view), "01 02");
  EXPECT_FALSE(reader.readOctets(2, view));
  EXPECT_EQ(reader.remaining(), 1u);
  EXPECT_FALSE(reader.ok());
  EXPECT_FALSE(reader.skipOctet());  // failed for good
}

// Writing past a buffer that was sized in advance is a programming error:
// the cursor stops the program rather than write outside the buffer.
TEST(BerCursorDeathTest, WritingPastTheSizedBufferAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::uint8_t buffer[1] = {0};
  const std::uint8_t two[2] = {0x30, 0x00};
  EXPECT_DEATH(
      {
        BerCursor cursor{std::span(buffer)};
        cursor.putOctets(two);
      },
      "check failed");
  EXPECT_DEATH(
      {
        BerCursor cursor{std::span(buffer)};
        cursor.putOctet(0x30);
        cursor.putOctet(0x00);
      },
      "check failed");
  EXPECT_DEATH(
      {
        BerCursor cursor{std::span(buffer)};
        writeLength(cursor, 127);  // needs two octets
      },
      "check failed");
  EXPECT_DEATH(
      {
        BerCursor cursor{std::span(buffer)};
        writeSubId(cursor, 128);  // needs two octets
      },
      "check failed");
}

}  // namespace
}  // namespace cfgsnap::snmp
