// Tests of the PDUs: the kinds and their construction values, field encoding
// of request and trap PDUs, makeResponse, and decodeFields with matching and
// non-matching tags.
#include "snmp/pdu.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "codec_test_support.h"

namespace cfgsnap::snmp {
namespace {

using test::encodeExactly;
using test::hex;
using test::toHex;

std::string fieldsOf(const SnmpPduBase& pdu) {
  return toHex(encodeExactly(pdu.fieldsSize(), [&](BerCursor& c) { pdu.encodeFields(c); }));
}

TEST(PduKinds, RequestKindsStartWithTheClockAndZeroErrors) {
  struct Row {
    std::uint32_t tag;
    std::optional<std::string_view> agentAddress;
  };
  const Row rows[] = {
      {0xA0, std::nullopt}, {0xA1, std::nullopt},      {0xA2, std::nullopt},
      {0xA3, std::nullopt}, {0xA7, "255.255.255.255"},  // the SNMPv2 trap's fixed agent address
                                                        // word
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tag);
    const auto before = static_cast<std::int32_t>(std::time(nullptr));
    const auto pdu = makePdu(row.tag);
    const auto after = static_cast<std::int32_t>(std::time(nullptr));
    ASSERT_NE(pdu, nullptr);
    EXPECT_EQ(pdu->tag(), row.tag);
    EXPECT_GE(pdu->requestId(), before);
    EXPECT_LE(pdu->requestId(), after);
    EXPECT_EQ(pdu->errorStatus(), 0);
    EXPECT_EQ(pdu->errorIndex(), 0);
    // Trap fields do not exist here: 0 or nothing, and setting them does nothing.
    pdu->setGenericTrap(6);
    pdu->setSpecificTrap(3);
    pdu->setTimestamp(100);
    pdu->setEnterprise("1.3.6.1.4.1.9");
    pdu->setAgentAddress("10.1.1.1");
    EXPECT_EQ(pdu->genericTrap(), 0);
    EXPECT_EQ(pdu->specificTrap(), 0);
    EXPECT_EQ(pdu->timestamp(), 0u);
    EXPECT_EQ(pdu->enterpriseText(), std::nullopt);
    EXPECT_EQ(pdu->agentAddressText(), row.agentAddress);

    pdu->setRequestId(123);
    EXPECT_EQ(pdu->fieldsSize(), 9u);
    EXPECT_EQ(fieldsOf(*pdu), "02 01 7B 02 01 00 02 01 00");
  }
  EXPECT_EQ(GetRequestPdu().tag(), 0xA0);
  EXPECT_EQ(GetNextRequestPdu().tag(), 0xA1);
  EXPECT_EQ(GetResponsePdu().tag(), 0xA2);
  EXPECT_EQ(SetRequestPdu().tag(), 0xA3);
  EXPECT_EQ(V2TrapPdu().tag(), 0xA7);
  EXPECT_EQ(TrapPdu().tag(), 0xA4);
}

TEST(PduKinds, OnlyTheSixPduTagsHaveAKind) {
  for (std::uint32_t tag = 0; tag < 0x200; ++tag) {
    SCOPED_TRACE(tag);
    const bool known = (tag >= 0xA0 && tag <= 0xA4) || tag == 0xA7;
    const auto pdu = makePdu(tag);
    EXPECT_EQ(pdu != nullptr, known);
    if (pdu) {
      EXPECT_EQ(pdu->tag(), tag);
    }
  }
}

TEST(RequestPdu, EncodesItsThreeIntegers) {
  struct Row {
    std::int32_t requestId;
    std::int32_t errorStatus;
    std::int32_t errorIndex;
    const char* fields;
  };
  const Row rows[] = {
      {123, 0, 0, "02 01 7B 02 01 00 02 01 00"},
      {234, 0, 0, "02 02 00 EA 02 01 00 02 01 00"},
      {-1, 2, 1, "02 01 FF 02 01 02 02 01 01"},
      {2147483647, 5, 4, "02 04 7F FF FF FF 02 01 05 02 01 04"},
      {65536, 128, 0, "02 03 01 00 00 02 02 00 80 02 01 00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fields);
    GetRequestPdu pdu;
    pdu.setErrorIndex(row.errorIndex);
    pdu.setErrorStatus(row.errorStatus);
    pdu.setRequestId(row.requestId);
    EXPECT_EQ(fieldsOf(pdu), toHex(hex(row.fields)));
  }
}

TEST(RequestPdu, MakeResponseChangesOnlyTheTag) {
  GetRequestPdu pdu;
  pdu.setRequestId(5);
  pdu.setErrorStatus(2);
  pdu.setErrorIndex(1);
  const std::string before = fieldsOf(pdu);
  pdu.makeResponse();
  EXPECT_EQ(pdu.tag(), 0xA2);
  EXPECT_EQ(pdu.requestId(), 5);
  EXPECT_EQ(pdu.errorStatus(), 2);
  EXPECT_EQ(pdu.errorIndex(), 1);
  EXPECT_EQ(fieldsOf(pdu), before);

  V2TrapPdu trap;
  trap.makeResponse();
  EXPECT_EQ(trap.tag(), 0xA2);
}

TEST(TrapPdu, StartsEmptyAndIgnoresRequestFields) {
  TrapPdu pdu;
  EXPECT_EQ(pdu.tag(), 0xA4);
  EXPECT_EQ(pdu.fieldsSize(), 0u);
  EXPECT_EQ(fieldsOf(pdu), "");
  pdu.setRequestId(123);
  pdu.setErrorStatus(2);
  pdu.setErrorIndex(1);
  EXPECT_EQ(pdu.requestId(), 0);
  EXPECT_EQ(pdu.errorStatus(), 0);
  EXPECT_EQ(pdu.errorIndex(), 0);
  EXPECT_EQ(pdu.enterpriseText(), std::nullopt);
  EXPECT_EQ(pdu.agentAddressText(), std::nullopt);
  EXPECT_EQ(pdu.genericTrap(), 0);
  EXPECT_EQ(pdu.specificTrap(), 0);
  EXPECT_EQ(pdu.timestamp(), 0u);
  EXPECT_EQ(fieldsOf(pdu), "");
}

TEST(TrapPdu, EncodesItsFieldsInWireOrderWhateverOrderTheyWereSet) {
  TrapPdu pdu;
  pdu.setTimestamp(100);
  pdu.setSpecificTrap(3);
  pdu.setGenericTrap(6);
  pdu.setAgentAddress("10.1.1.1");
  pdu.setEnterprise("1.3.6.1.4.1.9");
  const char* const fields = "06 06 2B 06 01 04 01 09 40 04 0A 01 01 01 02 01 06 02 01 03 43 01 64";
  EXPECT_EQ(pdu.fieldsSize(), 23u);
  EXPECT_EQ(fieldsOf(pdu), fields);
  EXPECT_EQ(pdu.enterpriseText(), "1.3.6.1.4.1.9");
  EXPECT_EQ(pdu.agentAddressText(), "10.1.1.1");
  EXPECT_EQ(pdu.genericTrap(), 6);
  EXPECT_EQ(pdu.specificTrap(), 3);
  EXPECT_EQ(pdu.timestamp(), 100u);

  // Decoding those octets gives the same fields back.
  const auto data = hex(fields);
  BerReader reader(data);
  TrapPdu decoded;
  decoded.decodeFields(reader);
  EXPECT_TRUE(reader.ok());
  EXPECT_EQ(reader.remaining(), 0u);
  EXPECT_EQ(decoded.enterpriseText(), "1.3.6.1.4.1.9");
  EXPECT_EQ(decoded.agentAddressText(), "10.1.1.1");
  EXPECT_EQ(decoded.genericTrap(), 6);
  EXPECT_EQ(decoded.specificTrap(), 3);
  EXPECT_EQ(decoded.timestamp(), 100u);
  EXPECT_EQ(fieldsOf(decoded), fields);

  // Only what was set is encoded.
  TrapPdu partial;
  partial.setSpecificTrap(3);
  partial.setEnterprise("1.3.6.1.4.1.9");
  EXPECT_EQ(fieldsOf(partial), "06 06 2B 06 01 04 01 09 02 01 03");
  EXPECT_EQ(partial.fieldsSize(), 11u);
}

TEST(RequestPdu, DecodeFieldsConsumesOnlyTheTagOfAFieldWithAnotherTag) {
  struct Row {
    const char* octets;
    const char* why;
    std::optional<std::int32_t> requestId;  // none: the construction value stays
    std::int32_t errorStatus;
    std::int32_t errorIndex;
    std::size_t consumed;
  };
  const Row rows[] = {
      {"02 01 05 02 01 00 02 01 00 30", "all three integers", 5, 0, 0, 9},
      {"02 02 00 EA 02 01 03 02 01 02 30", "request-id of two octets", 234, 3, 2, 10},
      // The first element is tagged 04: only that octet is consumed, and the
      // error-status is looked for at the length octet after it.
      {"04 02 01 07 02 01 09 30", "request-id tagged as OCTET STRING", std::nullopt, 7, 9, 7},
      {"02 01 05 41 02 01 00", "error-status tagged Counter, error-index reads on", 5, 0, 0, 7},
      {"30 30 30 02", "no integer at all: three tags consumed", std::nullopt, 0, 0, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const auto data = hex(row.octets);
    BerReader reader(data);
    GetResponsePdu pdu;
    const std::int32_t constructed = pdu.requestId();
    pdu.decodeFields(reader);
    EXPECT_TRUE(reader.ok());
    EXPECT_EQ(pdu.requestId(), row.requestId.value_or(constructed));
    EXPECT_EQ(pdu.errorStatus(), row.errorStatus);
    EXPECT_EQ(pdu.errorIndex(), row.errorIndex);
    EXPECT_EQ(data.size() - reader.remaining(), row.consumed);
  }
}

TEST(TrapPdu, DecodeFieldsLeavesFieldsWithAnotherTagAbsent) {
  // Enterprise tagged 04: only the tag is consumed; the agent address is then
  // looked for at the enterprise's length octet (06), which is no 0x40 either,
  // and so on, until the integers line up again.
  const auto data = hex("04 06 02 01 06 02 01 03 43 01 64");
  BerReader reader(data);
  TrapPdu pdu;
  pdu.decodeFields(reader);
  EXPECT_TRUE(reader.ok());
  EXPECT_EQ(pdu.enterpriseText(), std::nullopt);
  EXPECT_EQ(pdu.agentAddressText(), std::nullopt);
  EXPECT_EQ(pdu.genericTrap(), 6);
  EXPECT_EQ(pdu.specificTrap(), 3);
  EXPECT_EQ(pdu.timestamp(), 100u);
  EXPECT_EQ(reader.remaining(), 0u);
  EXPECT_EQ(fieldsOf(pdu), "02 01 06 02 01 03 43 01 64");
}

TEST(PduDecoding, FieldsThatRunPastTheDataLeaveTheReaderFailed) {
  struct Row {
    std::uint32_t tag;
    const char* octets;
    const char* why;
    std::optional<std::int32_t> requestId;  // none: the construction value stays
  };
  const Row rows[] = {
      {0xA2, "", "no fields at all", std::nullopt},
      {0xA2, "02 01 05 02 01", "error-status contents missing", 5},
      {0xA2, "02 05 01 02", "request-id longer than the data", std::nullopt},
      {0xA2, "02 80 05", "indefinite length", std::nullopt},
      {0xA4, "06 06 2B 06 01", "enterprise cut short", std::nullopt},
      {0xA4, "06 03 2B 06 01 40 04 0A 01", "agent address cut short", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const auto data = hex(row.octets);
    BerReader reader(data);
    const auto pdu = makePdu(row.tag);
    const std::int32_t constructed = pdu->requestId();
    pdu->decodeFields(reader);
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(pdu->requestId(), row.requestId.value_or(constructed));
  }
}

}  // namespace
}  // namespace cfgsnap::snmp
