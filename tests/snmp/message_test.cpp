// Tests of SnmpMessage: the wire images of the save request and the poll,
// exact sizes around the long length forms, the flat accessors with their
// answers for what is missing, addV2TrapBindings and setPdu.
#include "snmp/message.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codec_test_support.h"

namespace cfgsnap::snmp {
namespace {

using test::encodeWhole;
using test::hex;
using test::toHex;

constexpr const char* kTftpHost = "1.3.6.1.4.1.9.5.1.5.1.0";
constexpr const char* kTftpFile = "1.3.6.1.4.1.9.5.1.5.2.0";
constexpr const char* kTftpModule = "1.3.6.1.4.1.9.5.1.5.3.0";
constexpr const char* kTftpAction = "1.3.6.1.4.1.9.5.1.5.4.0";
constexpr const char* kTftpResult = "1.3.6.1.4.1.9.5.1.5.5.0";

void appendBinding(SnmpMessage& message, const char* oid, std::unique_ptr<SnmpValue> value) {
  message.appendBinding(
      std::make_unique<VarBind>(std::make_unique<SnmpOid>(oid), std::move(value)));
}

std::optional<std::int32_t> versionOf(const SnmpMessage& message) {
  try {
    return message.version();
  } catch (int thrown) {
    EXPECT_EQ(thrown, 0) << "version() of a message without one throws the integer 0";
    return std::nullopt;
  }
}

TEST(MessageWireImage, SaveRequestIs105Octets) {
  SnmpMessage message(0xA3, 0);
  message.setCommunity("");
  message.setRequestId(123);
  appendBinding(message, kTftpHost, std::make_unique<SnmpString>("10.0.0.5"));
  appendBinding(message, kTftpFile, std::make_unique<SnmpString>("sw1.cfg"));
  appendBinding(message, kTftpModule, std::make_unique<SnmpInteger>(1));
  appendBinding(message, kTftpAction, std::make_unique<SnmpInteger>(3));

  const auto expected = hex(
      "30 67 02 01 00 04 00 A3 60 02 01 7B 02 01 00 02 01 00 30 55 30 17 06 0B 2B 06 01 04 01 09"
      " 05 01 05 01 00 04 08 31 30 2E 30 2E 30 2E 35 30 16 06 0B 2B 06 01 04 01 09 05 01 05 02 00"
      " 04 07 73 77 31 2E 63 66 67 30 10 06 0B 2B 06 01 04 01 09 05 01 05 03 00 02 01 01 30 10 06"
      " 0B 2B 06 01 04 01 09 05 01 05 04 00 02 01 03");
  ASSERT_EQ(expected.size(), 105u);
  EXPECT_EQ(message.encodedSize(), 105u);
  EXPECT_EQ(toHex(encodeWhole(message)), toHex(expected));
}

TEST(MessageWireImage, PollIs38Octets) {
  SnmpMessage message(0xA0, 0);
  message.setCommunity("");
  message.setRequestId(234);
  message.appendBinding(std::make_unique<VarBind>(std::make_unique<SnmpOid>(kTftpResult), nullptr));

  const auto expected = hex(
      "30 24 02 01 00 04 00 A0 1D 02 02 00 EA 02 01 00 02 01 00 30 11 30 0F 06 0B 2B 06 01 04 01"
      " 09 05 01 05 05 00 05 00");
  ASSERT_EQ(expected.size(), 38u);
  EXPECT_EQ(message.encodedSize(), 38u);
  EXPECT_EQ(toHex(encodeWhole(message)), toHex(expected));
}

TEST(MessageWireImage, TrapMessageCarriesTheTrapFields) {
  SnmpMessage message(0xA4, 0);
  message.setCommunity("public");
  message.setEnterprise("1.3.6.1.4.1.9");
  message.setAgentAddress("10.1.1.1");
  message.setGenericTrap(6);
  message.setSpecificTrap(3);
  message.setTimestamp(100);
  message.setRequestId(7);  // a trap has no request-id: ignored
  const auto expected =
      hex("30 26 02 01 00 04 06 70 75 62 6C 69 63 A4 19"
          " 06 06 2B 06 01 04 01 09 40 04 0A 01 01 01 02 01 06 02 01 03 43 01 64 30 00");
  EXPECT_EQ(toHex(encodeWhole(message)), toHex(expected));
  EXPECT_EQ(message.pduTag(), 0xA4);
  EXPECT_EQ(message.enterpriseText(), "1.3.6.1.4.1.9");
  EXPECT_EQ(message.agentAddressText(), "10.1.1.1");
  EXPECT_EQ(message.genericTrap(), 6);
  EXPECT_EQ(message.specificTrap(), 3);
  EXPECT_EQ(message.timestamp(), 100u);
  EXPECT_EQ(message.requestId(), 0);
}

TEST(MessageConstruction, AnswersForEachPduTypeCode) {
  struct Row {
    const char* what;
    std::unique_ptr<SnmpMessage> message;
    std::uint8_t pduTag;
    std::optional<std::int32_t> version;
    bool requestIdFromClock;
    const char* encoding;  // when it does not depend on the clock
    std::optional<std::string_view> agentAddress;
  };
  const auto before = static_cast<std::int32_t>(std::time(nullptr));
  Row rows[] = {
      {"SetRequest", std::make_unique<SnmpMessage>(0xA3, 0), 0xA3, 0, true, nullptr, std::nullopt},
      {"GetRequest", std::make_unique<SnmpMessage>(0xA0, 0), 0xA0, 0, true, nullptr, std::nullopt},
      {"GetNextRequest", std::make_unique<SnmpMessage>(0xA1, 1), 0xA1, 1, true, nullptr,
       std::nullopt},
      {"GetResponse", std::make_unique<SnmpMessage>(0xA2, 0), 0xA2, 0, true, nullptr, std::nullopt},
      {"SNMPv2 trap", std::make_unique<SnmpMessage>(0xA7, 1), 0xA7, 1, true, nullptr,
       "255.255.255.255"},
      {"Trap", std::make_unique<SnmpMessage>(0xA4, 0), 0xA4, 0, false,
       "30 0F 02 01 00 04 06 68 61 72 62 6F 72 A4 02 30 00", std::nullopt},
      // Codes without a kind: version and community only.
      {"code 165", std::make_unique<SnmpMessage>(0xA5, 0), 0xFF, 0, false,
       "30 0B 02 01 00 04 06 68 61 72 62 6F 72", std::nullopt},
      {"code 166", std::make_unique<SnmpMessage>(0xA6, 0), 0xFF, 0, false,
       "30 0B 02 01 00 04 06 68 61 72 62 6F 72", std::nullopt},
      {"code 0 with version 200", std::make_unique<SnmpMessage>(0, 200), 0xFF, 200, false,
       "30 0C 02 02 00 C8 04 06 68 61 72 62 6F 72", std::nullopt},
      // The empty message the decoder fills: no version either.
      {"constructed empty", std::make_unique<SnmpMessage>(), 0xFF, std::nullopt, false,
       "30 08 04 06 68 61 72 62 6F 72", std::nullopt},
  };
  const auto after = static_cast<std::int32_t>(std::time(nullptr));
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    SnmpMessage& m = *row.message;
    EXPECT_EQ(m.pduTag(), row.pduTag);
    EXPECT_EQ(versionOf(m), row.version);
    EXPECT_EQ(m.communityText(), "harbor");
    EXPECT_EQ(m.bindingCount(), 0);
    EXPECT_EQ(m.nameText(1), "NULL");
    EXPECT_EQ(m.valueTypeName(1), "NULL");
    EXPECT_EQ(m.valueText(1), "NULL");
    EXPECT_EQ(m.errorStatus(), 0);
    EXPECT_EQ(m.errorIndex(), 0);
    EXPECT_EQ(m.genericTrap(), 0);
    EXPECT_EQ(m.enterpriseText(), std::nullopt);
    EXPECT_EQ(m.agentAddressText(), row.agentAddress);
    if (row.requestIdFromClock) {
      EXPECT_GE(m.requestId(), before);
      EXPECT_LE(m.requestId(), after);
      m.setRequestId(42);
      EXPECT_EQ(m.requestId(), 42);
    } else {
      m.setRequestId(42);  // no request-id to set
      EXPECT_EQ(m.requestId(), 0);
    }
    const auto encoding = encodeWhole(m);
    EXPECT_EQ(encoding.size(), m.encodedSize());
    if (row.encoding) {
      EXPECT_EQ(toHex(encoding), toHex(hex(row.encoding)));
    }
  }
}

TEST(MessageConstruction, AMessageWithoutAPduIgnoresEverySetter) {
  SnmpMessage message(0xA5, 0);
  message.setRequestId(1);
  message.setErrorStatus(2);
  message.setErrorIndex(3);
  message.setGenericTrap(4);
  message.setSpecificTrap(5);
  message.setTimestamp(6);
  message.setAgentAddress("1.2.3.4");
  message.setEnterprise("1.3.6");
  EXPECT_EQ(message.requestId(), 0);
  EXPECT_EQ(message.errorStatus(), 0);
  EXPECT_EQ(message.errorIndex(), 0);
  EXPECT_EQ(message.genericTrap(), 0);
  EXPECT_EQ(message.specificTrap(), 0);
  EXPECT_EQ(message.timestamp(), 0u);
  EXPECT_EQ(message.agentAddressText(), std::nullopt);
  EXPECT_EQ(message.enterpriseText(), std::nullopt);
  EXPECT_EQ(message.pduTag(), 0xFF);
  // Bindings of a message without a PDU have nowhere to go on the wire.
  appendBinding(message, kTftpResult, std::make_unique<SnmpInteger>(1));
  EXPECT_EQ(message.bindingCount(), 1);
  EXPECT_EQ(toHex(encodeWhole(message)), "30 0B 02 01 00 04 06 68 61 72 62 6F 72");
}

TEST(MessageSizes, MessageContentsAround127And256Octets) {
  // Code 165 gives version (3 octets) and community only; a community of c
  // characters takes c + 2 octets below 127 and c + 3 from there.
  struct Row {
    std::size_t communityLength;
    std::uint32_t contents;
    const char* header;
    std::uint32_t encodedSize;
  };
  const Row rows[] = {
      {121, 126, "30 7E", 128},    {122, 127, "30 81 7F", 130},    {123, 128, "30 81 80", 131},
      {249, 255, "30 81 FF", 258}, {250, 256, "30 82 01 00", 260},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.contents);
    SnmpMessage message(0xA5, 0);
    message.setCommunity(std::string(row.communityLength, 'c'));
    EXPECT_EQ(message.contentSize(), row.contents);
    EXPECT_EQ(message.encodedSize(), row.encodedSize);
    const auto encoding = encodeWhole(message);
    const auto header = hex(row.header);
    EXPECT_EQ(toHex(std::span(encoding).first(header.size())), toHex(header));
  }
}

TEST(MessageSizes, PduContentsAround127And256Octets) {
  // GetRequest with an empty community, request-id 234 and zero errors (10
  // octets of fields), and one binding of the result object with a string of
  // s characters: the PDU contents are 10 + the list's size.
  struct Row {
    std::size_t stringLength;
    const char* pduHeader;
    std::uint32_t encodedSize;
  };
  const Row rows[] = {
      {97, "A0 7E", 136},         // PDU contents 126
      {98, "A0 81 7F", 138},      // 127
      {223, "A0 81 FF", 267},     // 255
      {224, "A0 82 01 00", 269},  // 256
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stringLength);
    SnmpMessage message(0xA0, 0);
    message.setCommunity("");
    message.setRequestId(234);
    appendBinding(message, kTftpResult,
                  std::make_unique<SnmpString>(std::string(row.stringLength, 's')));
    EXPECT_EQ(message.encodedSize(), row.encodedSize);
    const auto encoding = encodeWhole(message);
    // The PDU tag follows the message header, the version and the community
    // (5 octets).
    const std::size_t pduAt = 1 + lengthOctets(message.contentSize()) + 5;
    const auto header = hex(row.pduHeader);
    ASSERT_GT(encoding.size(), pduAt + header.size());
    EXPECT_EQ(toHex(std::span(encoding).subspan(pduAt, header.size())), toHex(header));
  }
}

TEST(MessageAccessors, BindingIndexesOutsideTheListAnswerNull) {
  SnmpMessage message(0xA2, 0);
  appendBinding(message, kTftpResult, std::make_unique<SnmpInteger>(2));
  appendBinding(message, kTftpFile, std::make_unique<SnmpString>("sw1.cfg"));
  message.appendBinding(std::make_unique<VarBind>(std::make_unique<SnmpOid>(kTftpHost), nullptr));
  message.appendBinding(std::make_unique<VarBind>(nullptr, std::make_unique<SnmpInteger>(9)));
  ASSERT_EQ(message.bindingCount(), 4);

  struct Row {
    std::int32_t index;
    const char* name;
    const char* type;
    const char* text;
  };
  const Row rows[] = {
      {1, kTftpResult, "Integer", "2"},    {2, kTftpFile, "String", "sw1.cfg"},
      {3, kTftpHost, "NULL", "NULL"},  // a binding without a value
      {4, "NULL", "Integer", "9"},     // a binding without a name
      {0, "NULL", "NULL", "NULL"},         {-1, "NULL", "NULL", "NULL"},
      {5, "NULL", "NULL", "NULL"},         {INT32_MIN, "NULL", "NULL", "NULL"},
      {INT32_MAX, "NULL", "NULL", "NULL"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(message.nameText(row.index), row.name);
    EXPECT_EQ(message.valueTypeName(row.index), row.type);
    EXPECT_EQ(message.valueText(row.index), row.text);
  }
}

TEST(MessageTrapBindings, PutsUpTimeAndTrapIdentifierInFront) {
  struct Row {
    std::int32_t generic;
    std::int32_t specific;
    const char* enterprise;
    const char* trapOid;
  };
  const Row rows[] = {
      {0, 0, "", "1.3.6.1.3.1.1.5.1"},
      {1, 0, "1.3.6.1.4.1.9", "1.3.6.1.3.1.1.5.2"},
      {5, 9, "1.3.6.1.4.1.9", "1.3.6.1.3.1.1.5.6"},
      {6, 3, "1.3.6.1.4.1.9", "1.3.6.1.4.1.9.0.3"},
      {-1, 7, "1.3.6.1.4.1.9", "1.3.6.1.4.1.9.0.7"},
      {6, 3, "", "0.3."},  // no enterprise: the text ".0.3", read as an OID
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trapOid);
    SnmpMessage message(0xA7, 1);
    appendBinding(message, "1.3.6.1.2.1.1.5.0", std::make_unique<SnmpString>("A"));
    appendBinding(message, "1.3.6.1.2.1.1.6.0", std::make_unique<SnmpInteger>(66));
    message.addV2TrapBindings(100, row.enterprise, row.generic, row.specific);
    ASSERT_EQ(message.bindingCount(), 4);
    EXPECT_EQ(message.nameText(1), "1.3.6.1.2.1.1.3.0");
    EXPECT_EQ(message.valueTypeName(1), "TimeTick");
    EXPECT_EQ(message.valueText(1), "100");
    EXPECT_EQ(message.nameText(2), "1.3.6.1.6.3.1.1.4.1.0");
    EXPECT_EQ(message.valueTypeName(2), "OID");
    EXPECT_EQ(message.valueText(2), row.trapOid);
    EXPECT_EQ(message.nameText(3), "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(message.valueText(3), "A");
    EXPECT_EQ(message.nameText(4), "1.3.6.1.2.1.1.6.0");
    EXPECT_EQ(message.valueText(4), "66");
    encodeWhole(message);
  }
}

TEST(MessageTrapBindings, OnAnEmptyListGivesJustTheTwoBindings) {
  SnmpMessage message(0xA7, 1);
  message.setCommunity("");
  message.setRequestId(1);
  message.addV2TrapBindings(100, "", 0, 0);
  ASSERT_EQ(message.bindingCount(), 2);
  appendBinding(message, "1.3.6.1.2.1.1.5.0", std::make_unique<SnmpInteger>(5));
  EXPECT_EQ(message.nameText(3), "1.3.6.1.2.1.1.5.0");
  EXPECT_EQ(toHex(encodeWhole(message)),
            toHex(hex("30 48 02 01 01 04 00 A7 41 02 01 01 02 01 00 02 01 00 30 36"
                      " 30 0D 06 08 2B 06 01 02 01 01 03 00 43 01 64"
                      " 30 16 06 0A 2B 06 01 06 03 01 01 04 01 00 06 08 2B 06 01 03 01 01 05 01"
                      " 30 0D 06 08 2B 06 01 02 01 01 05 00 02 01 05")));
}

TEST(MessageTrapBindings, DoNothingUnlessTheTypeCodeIs167) {
  struct Row {
    const char* what;
    std::unique_ptr<SnmpMessage> message;
  };
  Row rows[] = {
      {"SetRequest", std::make_unique<SnmpMessage>(0xA3, 0)},
      {"Trap", std::make_unique<SnmpMessage>(0xA4, 0)},
      {"code 165", std::make_unique<SnmpMessage>(0xA5, 0)},
      {"decoded message, code 0", std::make_unique<SnmpMessage>()},
  };
  // A decoded SNMPv2 trap still has code 0: its PDU alone does not count.
  rows[3].message->setPdu(std::make_unique<V2TrapPdu>());
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    SnmpMessage& m = *row.message;
    appendBinding(m, "1.3.6.1.2.1.1.5.0", std::make_unique<SnmpString>("A"));
    const std::string before = toHex(encodeWhole(m));
    m.addV2TrapBindings(100, "1.3.6.1.4.1.9", 6, 3);
    EXPECT_EQ(m.bindingCount(), 1);
    EXPECT_EQ(m.nameText(1), "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(toHex(encodeWhole(m)), before);
  }
}

TEST(MessageSetPdu, ReplacesThePduButKeepsTheTypeCode) {
  SnmpMessage message(0xA3, 0);
  message.setPdu(std::make_unique<TrapPdu>());
  EXPECT_EQ(message.pduTag(), 0xA4);
  EXPECT_EQ(message.pduType(), 0xA3u);
  EXPECT_EQ(message.requestId(), 0);

  // A message of code 167 keeps adding trap bindings whatever PDU it holds.
  SnmpMessage trap(0xA7, 1);
  trap.setPdu(std::make_unique<GetRequestPdu>());
  EXPECT_EQ(trap.pduTag(), 0xA0);
  trap.addV2TrapBindings(1, "", 0, 0);
  EXPECT_EQ(trap.bindingCount(), 2);

  message.setPdu(nullptr);
  EXPECT_EQ(message.pduTag(), 0xFF);
  EXPECT_EQ(toHex(encodeWhole(message)), "30 0B 02 01 00 04 06 68 61 72 62 6F 72");
}

TEST(MessageSetters, InstallNewPartsAndReleaseTheOldOnes) {
  SnmpMessage message;
  message.setVersion(std::make_unique<SnmpInteger>(1));
  message.setVersion(std::make_unique<SnmpInteger>(0));
  EXPECT_EQ(message.version(), 0);
  message.setCommunityValue(std::make_unique<SnmpString>("one"));
  message.setCommunity("two");
  EXPECT_EQ(message.communityText(), "two");
  message.setCommunityValue(nullptr);
  EXPECT_EQ(message.communityText(), std::nullopt);
  EXPECT_EQ(toHex(encodeWhole(message)), "30 03 02 01 00");
}

// Encoding into a buffer smaller than encodedSize() breaks the sizing rule;
// the cursor stops the program before it writes outside the buffer.
TEST(MessageDeathTest, EncodingIntoAShortBufferAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  SnmpMessage message(0xA0, 0);
  message.setRequestId(234);
  message.appendBinding(std::make_unique<VarBind>(std::make_unique<SnmpOid>(kTftpResult), nullptr));
  std::vector<std::uint8_t> buffer(message.encodedSize() - 1);
  EXPECT_DEATH(
      {
        BerCursor cursor{std::span(buffer)};
        message.encode(cursor);
      },
      "check failed");
}

}  // namespace
}  // namespace cfgsnap::snmp
