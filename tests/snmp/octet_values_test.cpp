// Tests of the octet family: strings, object identifiers and addresses from
// text and from the wire, their text forms, the working-buffer limit of the
// identifier conversion and the decoding bounds.
#include "snmp/octet_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace cfgsnap::snmp {
namespace {

using test::encodeSized;
using test::hex;
using test::toHex;

// Decodes an element whose tag octet is `octets[0]` with the constructor of
// Value, checking that exactly the element is consumed.
template <typename Value>
std::unique_ptr<Value> decodeElement(const std::vector<std::uint8_t>& octets) {
  auto data = octets;
  data.push_back(0x99);  // must stay unread
  BerReader reader{std::span(data).subspan(1)};
  auto value = std::make_unique<Value>(reader);
  EXPECT_TRUE(reader.ok());
  EXPECT_EQ(reader.remaining(), 1u) << "consumed other than the element";
  return value;
}

TEST(StringValue, HoldsTheCharactersOfItsText) {
  struct Row {
    std::string text;
    const char* encoding;
  };
  const Row rows[] = {
      {"", "04 00"},
      {"abc", "04 03 61 62 63"},
      {"sw1.cfg", "04 07 73 77 31 2E 63 66 67"},
      {"10.0.0.5", "04 08 31 30 2E 30 2E 30 2E 35"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const SnmpString value(row.text);
    EXPECT_EQ(value.tag(), 0x04);
    EXPECT_EQ(value.typeName(), "String");
    EXPECT_EQ(value.length(), row.text.size());
    EXPECT_EQ(value.toText(), row.text);
    const auto encoding = encodeSized(value);
    EXPECT_EQ(toHex(encoding), toHex(hex(row.encoding)));
    EXPECT_EQ(decodeElement<SnmpString>(encoding)->toText(), row.text);
  }
}

TEST(StringValue, LongTextsTakeTheLongLengthFormAndStopAt65535) {
  struct Row {
    std::size_t characters;
    std::uint16_t length;
    const char* header;
  };
  const Row rows[] = {
      {126, 126, "04 7E"},
      {127, 127, "04 81 7F"},
      {256, 256, "04 82 01 00"},
      {65535, 65535, "04 82 FF FF"},
      {65536, 65535, "04 82 FF FF"},  // cut to what 16 bits hold
      {100000, 65535, "04 82 FF FF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.characters);
    const std::string text(row.characters, 'x');
    const SnmpString value(text);
    EXPECT_EQ(value.length(), row.length);
    EXPECT_EQ(value.toText(), text.substr(0, row.length));
    const auto encoding = encodeSized(value);
    const auto header = hex(row.header);
    ASSERT_GE(encoding.size(), header.size());
    EXPECT_EQ(toHex(std::span(encoding).first(header.size())), toHex(header));
    EXPECT_EQ(encoding.size(), header.size() + row.length);
  }
}

TEST(StringValue, AZeroOctetEndsTheVisibleText) {
  const SnmpString value(std::string_view("ab\0cd", 5));
  EXPECT_EQ(value.length(), 5);
  EXPECT_EQ(value.toText(), "ab");
  EXPECT_EQ(toHex(encodeSized(value)), "04 05 61 62 00 63 64");
}

TEST(OidValue, ConvertsDottedTextToContentOctets) {
  struct Row {
    const char* text;
    const char* content;
    const char* textBack;
  };
  const Row rows[] = {
      {"1.3.6.1.4.1.9.5.1.5.1.0", "2B 06 01 04 01 09 05 01 05 01 00", "1.3.6.1.4.1.9.5.1.5.1.0"},
      {"1.3.6.1.4.1.9.5.1.5.5.0", "2B 06 01 04 01 09 05 01 05 05 00", "1.3.6.1.4.1.9.5.1.5.5.0"},
      {"1.3.6.1.4.1.268435456", "2B 06 01 04 01 81 80 80 80 00", "1.3.6.1.4.1.268435456"},
      {"1.3.4294967295", "2B 8F FF FF FF 7F", "1.3.4294967295"},
      {"1.3.311", "2B 82 37", "1.3.311"},
      {"2.100.7", "B4 07", "2.100.7"},
      {"1.3", "2B", "1.3."},  // the first octet always shows two arcs and a dot
      // Fewer than two pieces: the missing arcs are 0.
      {"", "00", "0.0."},
      {"1", "28", "1.0."},
      // The first two arcs share one octet, modulo 256.
      {"1.40", "50", "2.0."},
      {"2.176", "00", "0.0."},
      {"7.0.5", "18 05", "0.24.5"},
      // Empty pieces are skipped.
      {"1..3", "2B", "1.3."},
      {".1.3.6", "2B 06", "1.3.6"},
      {"1.3.6.", "2B 06", "1.3.6"},
      {"1.3..6", "2B 06", "1.3.6"},
      // Pieces read like atoi, wrapping modulo 2^32.
      {"1.3. 7", "2B 07", "1.3.7"},
      {"1.3.\t8", "2B 08", "1.3.8"},
      {"1.3.+3", "2B 03", "1.3.3"},
      {"1.3.-1", "2B 8F FF FF FF 7F", "1.3.4294967295"},
      {"1.3.abc", "2B 00", "1.3.0"},
      {"1.3.12abc", "2B 0C", "1.3.12"},
      {"1.3.- 5", "2B 00", "1.3.0"},
      {"1.3.4294967296", "2B 00", "1.3.0"},
      {"1.3.4294967297", "2B 01", "1.3.1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const SnmpOid value(row.text);
    EXPECT_EQ(value.tag(), 0x06);
    EXPECT_EQ(value.typeName(), "OID");
    const auto content = hex(row.content);
    EXPECT_EQ(toHex(value.content()), toHex(content));
    EXPECT_EQ(value.length(), content.size());
    EXPECT_EQ(value.toText(), row.textBack);
    const auto encoding = encodeSized(value);
    EXPECT_EQ(toHex(encoding),
              toHex(test::concat({{0x06, static_cast<std::uint8_t>(content.size())}, content})));
    EXPECT_EQ(decodeElement<SnmpOid>(encoding)->toText(), row.textBack);
  }
}

TEST(OidValue, ShowsReceivedContentAsDottedArcs) {
  struct Row {
    const char* content;
    const char* text;
  };
  const Row rows[] = {
      {"2B 06 01 02 01 01 03 00", "1.3.6.1.2.1.1.3.0"},
      {"", ""},
      {"2B", "1.3."},
      {"51", "2.1."},
      {"FF", "2.175."},
      {"2B FF 7F", "1.3.16383"},
      // The last octet still continued: the arc shows as accumulated. Reading
      // on past the content would have changed the number shown.
      {"2B 06 81", "1.3.6.1"},
      {"2B 86", "1.3.6"},
      {"2B 8F FF FF FF", "1.3.33554431"},
      // An arc beyond 32 bits has no number to show: the text ends before
      // it, with the dot that marks that more content followed.
      {"2B 90 80 80 80 00 06", "1.3."},
      {"2B 06 90 80 80 80 01", "1.3.6."},
      {"2B 81 80 80 80 80 7F", "1.3."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.content);
    const auto content = hex(row.content);
    const auto element = test::concat({{0x06, static_cast<std::uint8_t>(content.size())}, content});
    const auto value = decodeElement<SnmpOid>(element);
    EXPECT_EQ(value->toText(), row.text);
    EXPECT_EQ(&value->toText(), &value->toText()) << "the text is built once and kept";
    EXPECT_EQ(toHex(encodeSized(*value)), toHex(element));
  }
}

TEST(OidValue, StopsBeforeTheFirstArcThatNoLongerFitsIn4096Octets) {
  // 4095 one-octet arcs after the first octet fill the working buffer.
  std::string full = "1.3";
  for (int i = 0; i < 4095; ++i) full += ".1";
  const SnmpOid fits(full);
  EXPECT_EQ(fits.length(), 4096);
  EXPECT_EQ(fits.toText(), full);

  const SnmpOid oneMore(full + ".2");
  EXPECT_EQ(oneMore.length(), 4096);
  EXPECT_EQ(oneMore.toText(), full);

  // 818 five-octet arcs and two two-octet arcs leave one octet free: the
  // next five-octet arc does not fit, and the conversion stops there, even
  // though the one-octet arc after it would have fit.
  std::string text = "1.3";
  for (int i = 0; i < 818; ++i) text += ".4294967295";
  text += ".128.128";
  const std::string expectedText = text;
  text += ".4294967295.1";
  const SnmpOid stopped(text);
  EXPECT_EQ(stopped.length(), 4095);
  EXPECT_EQ(stopped.toText(), expectedText);
  const auto encoding = encodeSized(stopped);
  EXPECT_EQ(toHex(std::span(encoding).first(4)), "06 82 0F FF");
}

TEST(IpAddressValue, TakesFourOctetsFromDottedText) {
  struct Row {
    const char* text;
    const char* content;
    const char* shown;
  };
  const Row rows[] = {
      {"10.1.1.1", "0A 01 01 01", "10.1.1.1"},
      {"192.168.0.1", "C0 A8 00 01", "192.168.0.1"},
      {"10.0.0.5", "0A 00 00 05", "10.0.0.5"},
      {"256.1.1.1", "00 01 01 01", "0.1.1.1"},  // modulo 256
      {"257.-1.1.1", "01 FF 01 01", "1.255.1.1"},
      {"1.2.3.4.5.6", "01 02 03 04", "1.2.3.4"},  // pieces after the fourth ignored
      {"1.2", "01 02 00 00", "1.2.0.0"},          // missing octets are 0
      {"", "00 00 00 00", "0.0.0.0"},
      {"1..2", "01 02 00 00", "1.2.0.0"},
      {" 7.x.3", "07 00 03 00", "7.0.3.0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const SnmpIpAddress value(row.text);
    EXPECT_EQ(value.tag(), 0x40);
    EXPECT_EQ(value.typeName(), "IpAddress");
    EXPECT_EQ(toHex(value.content()), row.content);
    EXPECT_EQ(value.toText(), row.shown);
    const auto encoding = encodeSized(value);
    EXPECT_EQ(toHex(encoding), toHex(test::concat({hex("40 04"), hex(row.content)})));
    EXPECT_EQ(decodeElement<SnmpIpAddress>(encoding)->toText(), row.shown);
  }
}

TEST(IpAddressValue, ShowsEveryReceivedOctetOnEveryCall) {
  struct Row {
    const char* element;
    const char* shown;
  };
  const Row rows[] = {
      {"40 04 0A 01 01 01", "10.1.1.1"},
      {"40 06 01 02 03 04 05 06", "1.2.3.4.5.6"},
      {"40 00", ""},
      {"40 01 FF", "255"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.element);
    const auto value = decodeElement<SnmpIpAddress>(hex(row.element));
    EXPECT_EQ(value->toText(), row.shown);
    EXPECT_EQ(value->toText(), row.shown);
    EXPECT_EQ(toHex(encodeSized(*value)), toHex(hex(row.element)));
  }
}

TEST(OpaqueValue, ShowsPrintableOctetsAndBlanksForTheRest) {
  struct Row {
    const char* element;  // the first octet is whatever tag preceded it
    const char* content;
    std::string text;
  };
  const Row rows[] = {
      {"44 02 41 42", "41 42", "AB"},
      {"44 04 41 00 FF 7E", "41 00 FF 7E", "A  ~"},
      {"44 03 1F 20 7F", "1F 20 7F", "   "},
      {"05 00", "", ""},  // a NULL element read as Opaque
      {"80 00", "", ""},
      {"47 01 30", "30", "0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.element);
    const auto element = hex(row.element);
    const auto value = decodeElement<SnmpOpaque>(element);
    EXPECT_EQ(value->tag(), 0x44);
    EXPECT_EQ(value->typeName(), "Opaque");
    EXPECT_EQ(toHex(value->content()), row.content);
    EXPECT_EQ(value->toText(), row.text);
    EXPECT_EQ(value->toText().size(), value->length());
    auto expected = element;
    expected[0] = 0x44;  // written back under its own tag
    EXPECT_EQ(toHex(encodeSized(*value)), toHex(expected));
  }
}

TEST(OpaqueValue, Encodes200OctetsWithTheLongForm) {
  std::vector<std::uint8_t> contents(200);
  for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<std::uint8_t>(i);
  const auto element = test::concat({hex("44 81 C8"), contents});
  const auto value = decodeElement<SnmpOpaque>(element);
  EXPECT_EQ(value->length(), 200);
  EXPECT_EQ(value->encodedSize(), 203u);
  EXPECT_EQ(toHex(encodeSized(*value)), toHex(element));
}

TEST(OctetDecoding, RefusesElementsThatRunPastTheData) {
  struct Row {
    const char* element;
    const char* why;
  };
  const Row rows[] = {
      {"04", "length octet missing"},
      {"04 05 61 62", "contents end after two of five octets"},
      {"06 81", "long form without its octet"},
      {"06 0A 2B 86 86 86 86", "runaway sub-identifier: continued until the data ends"},
      {"40 80 0A 01 01 01", "indefinite form"},
      {"44 85 00 00 00 00 02 41 42", "five length octets"},
      {"04 84 FF FF FF FF 41", "length far beyond the data"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const auto data = hex(row.element);
    BerReader reader{std::span(data).subspan(1)};
    switch (data[0]) {
      case 0x04:
        SnmpString{reader};
        break;
      case 0x06:
        SnmpOid{reader};
        break;
      case 0x40:
        SnmpIpAddress{reader};
        break;
      default:
        SnmpOpaque{reader};
        break;
    }
    EXPECT_FALSE(reader.ok());
  }
}

TEST(OctetDecoding, RefusesALengthBeyond16BitsInsideTheData) {
  auto data = test::concat({hex("83 01 00 00"), std::vector<std::uint8_t>(65536, 0x41)});
  BerReader reader(data);
  SnmpString refused(reader);
  EXPECT_FALSE(reader.ok());
  EXPECT_EQ(refused.length(), 0);
}

TEST(OctetDecoding, ValuesKeepTheirOwnCopyOfTheContents) {
  auto data = std::make_unique<std::vector<std::uint8_t>>(hex("04 03 61 62 63"));
  BerReader reader{std::span(*data).subspan(1)};
  const SnmpString value(reader);
  data.reset();  // the datagram's buffer is gone
  EXPECT_EQ(value.toText(), "abc");
  EXPECT_EQ(toHex(encodeSized(value)), "04 03 61 62 63");
}

}  // namespace
}  // namespace cfgsnap::snmp
