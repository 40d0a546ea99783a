// Tests of MessageDecoder: the 39-octet GetResponse field by field, the
// lenient reading inside a datagram, the refusal of every datagram that would
// make a reader leave it, ownership of the result and its independence from
// the datagram's buffer.
#include "snmp/message_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace cfgsnap::snmp {
namespace {

using test::concat;
using test::encodeWhole;
using test::hex;
using test::toHex;

using Octets = std::vector<std::uint8_t>;

// The GetResponse to a poll: request-id 234, result object = Integer 2.
const char* const kResponse =
    "30 25 02 01 00 04 00 A2 1E 02 02 00 EA 02 01 00 02 01 00 30 12 30 10 06 0B 2B 06 01 04 01"
    " 09 05 01 05 05 00 02 01 02";
constexpr const char* kResultOid = "1.3.6.1.4.1.9.5.1.5.5.0";
const char* const kResultName = "06 0B 2B 06 01 04 01 09 05 01 05 05 00";

// Builds one element with a one-octet tag and definite length octets, so
// that test datagrams can be written as nested elements.
Octets tlv(std::uint8_t tag, const Octets& contents) {
  Octets out{tag};
  const std::size_t n = contents.size();
  if (n <= 126) {
    out.push_back(static_cast<std::uint8_t>(n));
  } else if (n <= 0xFF) {
    out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n)});
  } else if (n <= 0xFFFF) {
    out.insert(out.end(), {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
  } else {
    out.insert(out.end(), {0x83, static_cast<std::uint8_t>(n >> 16),
                           static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
  }
  out.insert(out.end(), contents.begin(), contents.end());
  return out;
}

Octets binding(const Octets& name, const Octets& value) {
  return tlv(0x30, concat({name, value}));
}

// A datagram shaped like kResponse: version 0, empty community, the PDU tag,
// request-id 234, zero errors, then a binding list of the given contents.
Octets response(const Octets& listContents, std::uint8_t pduTag = 0xA2) {
  return tlv(
      0x30, concat({hex("02 01 00 04 00"), tlv(pduTag, concat({hex("02 02 00 EA 02 01 00 02 01 00"),
                                                               tlv(0x30, listContents)}))}));
}

Octets withOctet(Octets octets, std::size_t index, std::uint8_t value) {
  octets.at(index) = value;
  return octets;
}

// Replaces octets [index, index + count) by `replacement`.
Octets spliced(Octets octets, std::size_t index, std::size_t count, const Octets& replacement) {
  octets.erase(octets.begin() + static_cast<std::ptrdiff_t>(index),
               octets.begin() + static_cast<std::ptrdiff_t>(index + count));
  octets.insert(octets.begin() + static_cast<std::ptrdiff_t>(index), replacement.begin(),
                replacement.end());
  return octets;
}

// Decodes from an exactly sized heap copy, so that any read past the end
// of the datagram is an out-of-bounds read under AddressSanitizer.
std::unique_ptr<SnmpMessage> decode(const Octets& datagram) {
  const auto exact = std::make_unique<Octets>(datagram);
  exact->shrink_to_fit();
  MessageDecoder decoder(*exact);
  return decoder.release();
}

struct Binding {
  std::string name;
  std::string type;
  std::string text;
  friend bool operator==(const Binding&, const Binding&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Binding& b) {
    return out << "{" << b.name << ", " << b.type << ", \"" << b.text << "\"}";
  }
};

// Everything a message answers through its accessors. A request-id of none
// stands for the construction value, a clock reading.
struct Answers {
  std::optional<std::int32_t> version = 0;
  std::string community = "";
  std::uint8_t pduTag = 0xA2;
  std::optional<std::int32_t> requestId = 234;
  std::int32_t errorStatus = 0;
  std::int32_t errorIndex = 0;
  std::vector<Binding> bindings = {{kResultOid, "Integer", "2"}};
  std::optional<std::string> enterprise = std::nullopt;
  std::optional<std::string> agentAddress = std::nullopt;
  std::int32_t genericTrap = 0;
  std::int32_t specificTrap = 0;
  std::uint32_t timestamp = 0;
};

void expectAnswers(const SnmpMessage& m, const Answers& expected, std::int32_t clockBefore,
                   std::int32_t clockAfter) {
  try {
    const std::int32_t version = m.version();
    EXPECT_EQ(std::optional(version), expected.version);
  } catch (int thrown) {
    EXPECT_EQ(thrown, 0);
    EXPECT_EQ(expected.version, std::nullopt) << "version() threw";
  }
  EXPECT_EQ(m.communityText(), expected.community);
  EXPECT_EQ(m.pduTag(), expected.pduTag);
  if (expected.requestId) {
    EXPECT_EQ(m.requestId(), *expected.requestId);
  } else {
    EXPECT_GE(m.requestId(), clockBefore);
    EXPECT_LE(m.requestId(), clockAfter);
  }
  EXPECT_EQ(m.errorStatus(), expected.errorStatus);
  EXPECT_EQ(m.errorIndex(), expected.errorIndex);
  std::vector<Binding> bindings;
  for (std::int32_t i = 1; i <= m.bindingCount(); ++i) {
    bindings.push_back(
        {std::string(m.nameText(i)), std::string(m.valueTypeName(i)), std::string(m.valueText(i))});
  }
  EXPECT_EQ(bindings, expected.bindings);
  EXPECT_EQ(m.nameText(m.bindingCount() + 1), "NULL");
  auto text = [](std::optional<std::string_view> v) -> std::optional<std::string> {
    if (!v) return std::nullopt;
    return std::string(*v);
  };
  EXPECT_EQ(text(m.enterpriseText()), expected.enterprise);
  EXPECT_EQ(text(m.agentAddressText()), expected.agentAddress);
  EXPECT_EQ(m.genericTrap(), expected.genericTrap);
  EXPECT_EQ(m.specificTrap(), expected.specificTrap);
  EXPECT_EQ(m.timestamp(), expected.timestamp);
  EXPECT_EQ(m.pduType(), 0u) << "a decoded message keeps PDU type code 0";
  // Whatever was decoded, the message's size and its encoding agree.
  encodeWhole(m);
}

TEST(MessageDecoderExample, TheBuilderWritesTheExampleDatagram) {
  // The helpers that build the other datagrams agree with the example.
  EXPECT_EQ(toHex(response(binding(hex(kResultName), hex("02 01 02")))), toHex(hex(kResponse)));
}

TEST(MessageDecoderExample, DecodesThe39OctetResponseFieldByField) {
  const Octets datagram = hex(kResponse);
  ASSERT_EQ(datagram.size(), 39u);
  const auto message = decode(datagram);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->version(), 0);
  EXPECT_EQ(message->communityText(), "");  // not the default "harbor"
  EXPECT_EQ(message->pduTag(), 0xA2);
  ASSERT_NE(dynamic_cast<const GetResponsePdu*>(message->pdu()), nullptr);
  EXPECT_EQ(message->requestId(), 234);
  EXPECT_EQ(message->errorStatus(), 0);
  EXPECT_EQ(message->errorIndex(), 0);
  ASSERT_EQ(message->bindingCount(), 1);
  const VarBind* b = message->bindingAt(1);
  ASSERT_NE(b, nullptr);
  const auto* name = dynamic_cast<const SnmpOid*>(b->name());
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->toText(), kResultOid);
  const auto* value = dynamic_cast<const SnmpInteger*>(b->value());
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->getValue(), 2);
  EXPECT_EQ(message->nameText(1), kResultOid);
  EXPECT_EQ(message->valueTypeName(1), "Integer");
  EXPECT_EQ(message->valueText(1), "2");
  EXPECT_EQ(message->pduType(), 0u);
  // Encoding the decoded message gives the datagram back.
  EXPECT_EQ(toHex(encodeWhole(*message)), toHex(datagram));
}

TEST(MessageDecoderExample, MessagesTheCodecBuildsDecodeBackToThemselves) {
  struct Row {
    const char* what;
    Octets datagram;
    Answers answers;
  };
  const Octets setRequest = hex(
      "30 67 02 01 00 04 00 A3 60 02 01 7B 02 01 00 02 01 00 30 55 30 17 06 0B 2B 06 01 04 01 09"
      " 05 01 05 01 00 04 08 31 30 2E 30 2E 30 2E 35 30 16 06 0B 2B 06 01 04 01 09 05 01 05 02 00"
      " 04 07 73 77 31 2E 63 66 67 30 10 06 0B 2B 06 01 04 01 09 05 01 05 03 00 02 01 01 30 10 06"
      " 0B 2B 06 01 04 01 09 05 01 05 04 00 02 01 03");
  const Octets trap =
      hex("30 26 02 01 00 04 06 70 75 62 6C 69 63 A4 19"
          " 06 06 2B 06 01 04 01 09 40 04 0A 01 01 01 02 01 06 02 01 03 43 01 64 30 00");
  const Row rows[] = {
      {"save request",
       setRequest,
       {.pduTag = 0xA3,
        .requestId = 123,
        .bindings = {{"1.3.6.1.4.1.9.5.1.5.1.0", "String", "10.0.0.5"},
                     {"1.3.6.1.4.1.9.5.1.5.2.0", "String", "sw1.cfg"},
                     {"1.3.6.1.4.1.9.5.1.5.3.0", "Integer", "1"},
                     {"1.3.6.1.4.1.9.5.1.5.4.0", "Integer", "3"}}}},
      {"trap",
       trap,
       {.community = "public",
        .pduTag = 0xA4,
        .requestId = 0,
        .bindings = {},
        .enterprise = "1.3.6.1.4.1.9",
        .agentAddress = "10.1.1.1",
        .genericTrap = 6,
        .specificTrap = 3,
        .timestamp = 100}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const auto message = decode(row.datagram);
    ASSERT_NE(message, nullptr);
    expectAnswers(*message, row.answers, 0, 0);
    EXPECT_EQ(toHex(encodeWhole(*message)), toHex(row.datagram));
  }
}

TEST(MessageDecoderLenient, ReadsWhatItRecognisesAndSkipsWhatItNeedNotExamine) {
  const Octets example = hex(kResponse);
  const Octets name = hex(kResultName);
  struct Row {
    const char* why;
    Octets datagram;
    Answers answers;
  };
  const Row rows[] = {
      {"the example", example, {}},
      {"message tag 31 is not examined", withOctet(example, 0, 0x31), {}},
      {"binding list tag 31 is not examined", withOctet(example, 19, 0x31), {}},
      {"binding tag 31 is not examined", withOctet(example, 21, 0x31), {}},
      {"message length 38: short of the datagram by no more than its header",
       withOctet(example, 1, 0x26),
       {}},
      {"message length 39, the whole datagram", withOctet(example, 1, 0x27), {}},
      {"message length in a four-octet long form",
       spliced(example, 1, 1, hex("84 00 00 00 25")),
       {}},
      {"octets after the message", concat({example, hex("FF FF 00")}), {}},
      {"PDU length beyond the datagram is read and not used", withOctet(example, 8, 0x7F), {}},
      {"binding length beyond the datagram is read and not used", withOctet(example, 22, 0x7F), {}},
      {"no community element: only the tag octet 00 consumed, default kept",
       spliced(example, 4, 2, hex("00")),
       {.community = "harbor"}},
      {"no version element: tag 00 consumed, the community read from its length octet",
       spliced(example, 2, 5, hex("00 04 00")),
       {.version = std::nullopt, .community = ""}},
      {"request-id replaced by one octet 00: only that tag consumed",
       withOctet(spliced(example, 9, 4, hex("00")), 1, 0x22),
       {.requestId = std::nullopt}},
      {"value NULL becomes an empty Opaque",
       response(binding(name, hex("05 00"))),
       {.bindings = {{kResultOid, "Opaque", ""}}}},
      {"value tagged 44",
       response(binding(name, hex("44 02 41 42"))),
       {.bindings = {{kResultOid, "Opaque", "AB"}}}},
      {"value tagged 80",
       response(binding(name, hex("80 00"))),
       {.bindings = {{kResultOid, "Opaque", ""}}}},
      {"a name that is no OID goes through the value table",
       response(binding(hex("04 01 41"), hex("02 01 02"))),
       {.bindings = {{"A", "Integer", "2"}}}},
      {"a name whose last octet is still continued shows as accumulated",
       response(binding(hex("06 03 2B 06 81"), hex("02 01 02"))),
       {.bindings = {{"1.3.6.1", "Integer", "2"}}}},
      {"empty binding list", response({}), {.bindings = {}}},
      {"a last binding with only a name is dropped",
       response(concat({binding(name, hex("02 01 02")), tlv(0x30, name)})),
       {}},
      {"a binding with only a name takes the next binding whole as its value",
       response(concat({tlv(0x30, name), binding(hex("06 02 2B 07"), hex("02 01 07"))})),
       {.bindings = {{kResultOid, "Opaque", "  +    "}}}},
      {"list ending inside the value: the element that crosses it is read",
       withOctet(example, 20, 0x10),
       {}},
      {"list ending right after the binding header: the name alone is dropped",
       withOctet(example, 20, 0x02),
       {.bindings = {}}},
      {"list ending right after the name", withOctet(example, 20, 0x0F), {.bindings = {}}},
      {"PDU tag A5: no PDU; the list read from the octets after its length",
       tlv(0x30, hex("02 01 00 04 00 A5 02 30 00")),
       {.pduTag = 0xFF, .requestId = 0, .bindings = {}}},
      {"PDU tag A6: request fields read as a list",
       tlv(0x30, hex("02 01 00 04 00 A6 09 02 01 05 02 01 00 02 01 00")),
       {.pduTag = 0xFF, .requestId = 0, .bindings = {}}},
      {"PDU tag A7",
       response(binding(name, hex("02 01 02")), 0xA7),
       {.pduTag = 0xA7, .agentAddress = "255.255.255.255"}},
      {"PDU tag A0", response(binding(name, hex("02 01 02")), 0xA0), {.pduTag = 0xA0}},
      {"PDU tag A1", response(binding(name, hex("02 01 02")), 0xA1), {.pduTag = 0xA1}},
      {"PDU tag A3", response(binding(name, hex("02 01 02")), 0xA3), {.pduTag = 0xA3}},
      {"trap PDU with a wrongly tagged enterprise",
       tlv(0x30, concat({hex("02 01 00 04 00"),
                         tlv(0xA4, concat({hex("04 06 02 01 06 02 01 03 43 01 64"),
                                           tlv(0x30, binding(name, hex("02 01 02")))}))})),
       {.pduTag = 0xA4, .requestId = 0, .genericTrap = 6, .specificTrap = 3, .timestamp = 100}},
      {"every value type, in datagram order",
       response(concat({
           binding(hex("06 02 2B 01"), hex("02 01 FF")),
           binding(hex("06 02 2B 02"), hex("04 03 61 62 63")),
           binding(hex("06 02 2B 03"), hex("06 03 2B 06 01")),
           binding(hex("06 02 2B 04"), hex("40 04 0A 00 00 05")),
           binding(hex("06 02 2B 05"), hex("41 01 05")),
           binding(hex("06 02 2B 06"), hex("42 01 07")),
           binding(hex("06 02 2B 07"), hex("43 02 01 00")),
           binding(hex("06 02 2B 08"), hex("46 05 01 00 00 00 00")),
           binding(hex("06 02 2B 09"), hex("44 02 41 42")),
           binding(hex("06 02 2B 0A"), hex("05 00")),
           binding(hex("06 02 2B 0B"), hex("A2 01 41")),
       })),
       {.bindings = {{"1.3.1", "Integer", "255"},
                     {"1.3.2", "String", "abc"},
                     {"1.3.3", "OID", "1.3.6.1"},
                     {"1.3.4", "IpAddress", "10.0.0.5"},
                     {"1.3.5", "Counter", "5"},
                     {"1.3.6", "Gauge", "7"},
                     {"1.3.7", "TimeTick", "256"},
                     {"1.3.8", "Counter64", "4294967296"},
                     {"1.3.9", "Opaque", "AB"},
                     {"1.3.10", "Opaque", ""},
                     {"1.3.11", "Opaque", "A"}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    SCOPED_TRACE(toHex(row.datagram));
    const auto before = static_cast<std::int32_t>(std::time(nullptr));
    const auto message = decode(row.datagram);
    const auto after = static_cast<std::int32_t>(std::time(nullptr));
    ASSERT_NE(message, nullptr);
    expectAnswers(*message, row.answers, before, after);
  }
}

TEST(MessageDecoderValues, EveryTagOctetPicksItsClassOrOpaque) {
  for (unsigned tag = 0; tag < 256; ++tag) {
    SCOPED_TRACE(tag);
    const Octets element = hex("01 41 EE");
    BerReader reader(element);
    const auto value = decodeValue(static_cast<std::uint8_t>(tag), reader);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(reader.remaining(), 1u);
    std::string_view expected = "Opaque";
    std::uint16_t expectedTag = 0x44;
    switch (tag) {
      case 0x02:
        expected = "Integer";
        break;
      case 0x04:
        expected = "String";
        break;
      case 0x06:
        expected = "OID";
        break;
      case 0x40:
        expected = "IpAddress";
        break;
      case 0x41:
        expected = "Counter";
        break;
      case 0x42:
        expected = "Gauge";
        break;
      case 0x43:
        expected = "TimeTick";
        break;
      case 0x46:
        expected = "Counter64";
        break;
      default:
        break;
    }
    if (expected != "Opaque") expectedTag = static_cast<std::uint16_t>(tag);
    EXPECT_EQ(value->typeName(), expected);
    EXPECT_EQ(value->tag(), expectedTag);
  }
}

TEST(MessageDecoderMalformed, EveryTruncationOfTheResponseGivesNoMessage) {
  const Octets example = hex(kResponse);
  for (std::size_t size = 0; size < example.size(); ++size) {
    SCOPED_TRACE(size);
    EXPECT_EQ(decode(Octets(example.begin(), example.begin() + static_cast<std::ptrdiff_t>(size))),
              nullptr);
  }
}

TEST(MessageDecoderMalformed, MessageLengthBeyondTheDatagramGivesNoMessage) {
  const Octets example = hex(kResponse);
  struct Row {
    const char* why;
    Octets datagram;
  };
  const Row rows[] = {
      {"40 for 39 octets", withOctet(example, 1, 0x28)},
      {"127 for 39 octets", withOctet(example, 1, 0x7F)},
      {"four-octet form of 2^32 - 1", spliced(example, 1, 1, hex("84 FF FF FF FF"))},
      {"four-octet form of 2^31", spliced(example, 1, 1, hex("84 80 00 00 00"))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(decode(row.datagram), nullptr);
  }
}

TEST(MessageDecoderMalformed, LengthsOfReadElementsBeyondTheEndGiveNoMessage) {
  const Octets example = hex(kResponse);
  const Octets name = hex(kResultName);
  struct Row {
    const char* why;
    Octets datagram;
  };
  const Row rows[] = {
      {"version length 127", withOctet(example, 3, 0x7F)},
      {"community length 80 in the long form", spliced(example, 6, 1, hex("81 80"))},
      {"request-id length 40", withOctet(example, 10, 0x28)},
      {"error-index length 22 with 21 octets left", withOctet(example, 17, 0x16)},
      {"name length 126", withOctet(example, 24, 0x7E)},
      {"value length 2 with 1 octet left", withOctet(example, 37, 0x02)},
      {"value contents missing at the end", response(binding(name, hex("04 05 61 62")))},
      {"trap enterprise beyond the end",
       tlv(0x30, concat({hex("02 01 00 04 00"), tlv(0xA4, hex("06 20 2B 06 01"))}))},
      {"trap time-stamp beyond the end",
       tlv(0x30,
           concat({hex("02 01 00 04 00"),
                   tlv(0xA4, hex("06 01 2B 40 04 0A 01 01 01 02 01 06 02 01 03 43 04 01"))}))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(decode(row.datagram), nullptr);
  }
}

TEST(MessageDecoderMalformed, IndefiniteLengthFormAnywhereGivesNoMessage) {
  const Octets example = hex(kResponse);
  struct Row {
    std::size_t index;
    const char* why;
  };
  const Row rows[] = {
      {1, "message length"},  {3, "version length"},     {6, "community length"},
      {8, "PDU length"},      {10, "request-id length"}, {20, "binding list length"},
      {22, "binding length"}, {24, "name length"},       {37, "value length"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(decode(withOctet(example, row.index, 0x80)), nullptr);
  }
}

TEST(MessageDecoderMalformed, FiveOctetLongFormsGiveNoMessage) {
  const Octets example = hex(kResponse);
  struct Row {
    std::size_t index;
    const char* why;
  };
  const Row rows[] = {
      {1, "message length"},  {3, "version length"},     {6, "community length"},
      {8, "PDU length"},      {10, "request-id length"}, {20, "binding list length"},
      {22, "binding length"}, {24, "name length"},       {37, "value length"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    // The same length, with five octets after 0x85.
    const Octets five = concat({hex("85 00 00 00 00"), {example[row.index]}});
    EXPECT_EQ(decode(spliced(example, row.index, 1, five)), nullptr);
  }
}

TEST(MessageDecoderMalformed, RunawaySubIdentifierGivesNoMessage) {
  struct Row {
    const char* why;
    Octets datagram;
  };
  const Row rows[] = {
      // The name's sub-identifier is still continued when the datagram ends.
      {"name", hex("30 1C 02 01 00 04 00 A2 15 02 02 00 EA 02 01 00 02 01 00 30 09 30 07"
                   " 06 0B 2B 86 86 86 86")},
      {"value", concat({hex("30 28 02 01 00 04 00 A2 21 02 02 00 EA 02 01 00 02 01 00 30 15 30 13"),
                        hex(kResultName), hex("06 08 2B 8F FF FF")})},
      {"trap enterprise", hex("30 0E 02 01 00 04 00 A4 07 06 05 2B 06 81 82 83")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(decode(row.datagram), nullptr);
  }
}

TEST(MessageDecoderMalformed, BindingListLongerThanTheDatagramGivesNoMessage) {
  const Octets example = hex(kResponse);
  const Octets name = hex(kResultName);
  struct Row {
    const char* why;
    Octets datagram;
  };
  const Row rows[] = {
      {"one octet more than the datagram holds", withOctet(example, 20, 0x13)},
      {"127 octets", withOctet(example, 20, 0x7F)},
      {"four-octet form of 2^32 - 1", spliced(example, 20, 1, hex("84 FF FF FF FF"))},
      // The list fits, but its next element starts and runs past the end.
      {"a second binding cut short", concat({spliced(example, 20, 1, hex("14")), hex("30 0F")})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(decode(row.datagram), nullptr);
  }
  // A list that ends exactly at the end of the datagram is fine.
  EXPECT_NE(decode(response(concat({binding(name, hex("02 01 02")), binding(name, hex("05 00"))}))),
            nullptr);
}

TEST(MessageDecoderMalformed, ValueLengthBeyond16BitsGivesNoMessage) {
  const Octets name = hex(kResultName);
  // 65536 content octets, all inside the datagram: refused, not cut.
  const Octets refused = response(binding(name, tlv(0x04, Octets(65536, 'x'))));
  EXPECT_EQ(decode(refused), nullptr);

  // 65535 octets are kept whole.
  const Octets kept = response(binding(name, tlv(0x04, Octets(65535, 'x'))));
  const auto message = decode(kept);
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->valueText(1), std::string(65535, 'x'));
  EXPECT_EQ(toHex(encodeWhole(*message)), toHex(kept));
}

TEST(MessageDecoderOwnership, TheMessageOutlivesTheDatagramBuffer) {
  auto datagram = std::make_unique<Octets>(hex(kResponse));
  std::unique_ptr<SnmpMessage> message;
  {
    MessageDecoder decoder(*datagram);
    message = decoder.release();
  }
  std::fill(datagram->begin(), datagram->end(), 0xEE);
  datagram.reset();
  ASSERT_NE(message, nullptr);
  expectAnswers(*message, {}, 0, 0);
  EXPECT_EQ(toHex(encodeWhole(*message)), toHex(hex(kResponse)));
}

TEST(MessageDecoderOwnership, ReleaseHandsTheMessageOverOnce) {
  const Octets datagram = hex(kResponse);
  MessageDecoder decoder(datagram);
  std::unique_ptr<SnmpMessage> first = decoder.release();
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(decoder.release(), nullptr);

  MessageDecoder refused(Octets{0x30});
  EXPECT_EQ(refused.release(), nullptr);
}

}  // namespace
}  // namespace cfgsnap::snmp
