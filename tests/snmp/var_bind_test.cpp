// Tests of VarBind and VarBindList: wire form and sizes (the long length form
// included), append and replaceHead, and who releases what.
#include "snmp/var_bind.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codec_test_support.h"
#include "snmp/integer_values.h"
#include "snmp/octet_values.h"

namespace cfgsnap::snmp {
namespace {

using test::CountedValue;
using test::encodeSized;
using test::hex;
using test::toHex;

constexpr const char* kResultOid = "1.3.6.1.4.1.9.5.1.5.5.0";
constexpr const char* kResultOidElement = "06 0B 2B 06 01 04 01 09 05 01 05 05 00";

std::unique_ptr<VarBind> binding(const char* oid, std::unique_ptr<SnmpValue> value) {
  return std::make_unique<VarBind>(oid ? std::make_unique<SnmpOid>(oid) : nullptr,
                                   std::move(value));
}

// The names of a list's chain, in order.
std::vector<std::string> names(const VarBindList& list) {
  std::vector<std::string> result;
  for (const VarBind* b = list.head(); b; b = b->next()) result.push_back(b->name()->toText());
  return result;
}

TEST(VarBindEncoding, WritesNameAndValueOrNull) {
  struct Row {
    const char* what;
    std::unique_ptr<VarBind> binding;
    std::string encoding;
  };
  Row rows[] = {
      {"name without value: NULL", binding(kResultOid, nullptr),
       std::string("30 0F ") + kResultOidElement + " 05 00"},
      {"neither name nor value", binding(nullptr, nullptr), "30 02 05 00"},
      {"value without name", binding(nullptr, std::make_unique<SnmpInteger>(3)), "30 03 02 01 03"},
      {"name and integer", binding(kResultOid, std::make_unique<SnmpInteger>(2)),
       std::string("30 10 ") + kResultOidElement + " 02 01 02"},
      {"name and string",
       binding("1.3.6.1.4.1.9.5.1.5.2.0", std::make_unique<SnmpString>("sw1.cfg")),
       "30 16 06 0B 2B 06 01 04 01 09 05 01 05 02 00 04 07 73 77 31 2E 63 66 67"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(toHex(encodeSized(*row.binding)), toHex(hex(row.encoding)));
  }
}

TEST(VarBindEncoding, ContentsOf127OctetsTakeTheLongForm) {
  // The name takes 13 octets; a string of s characters takes s + 2 (s < 127).
  struct Row {
    std::size_t stringLength;
    const char* header;
    std::uint32_t encodedSize;
  };
  const Row rows[] = {
      {111, "30 7E", 128},     // contents 126
      {112, "30 81 7F", 130},  // contents 127
      {113, "30 81 80", 131},  // contents 128
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stringLength);
    const auto b =
        binding(kResultOid, std::make_unique<SnmpString>(std::string(row.stringLength, 'a')));
    EXPECT_EQ(b->encodedSize(), row.encodedSize);
    const auto encoding = encodeSized(*b);
    const auto header = hex(row.header);
    EXPECT_EQ(toHex(std::span(encoding).first(header.size())), toHex(header));

    // The same holds for a list holding only that binding: contents of
    // row.encodedSize octets, all long form.
    VarBindList list;
    list.append(
        binding(kResultOid, std::make_unique<SnmpString>(std::string(row.stringLength, 'a'))));
    EXPECT_EQ(list.encodedSize(), 1 + lengthOctets(row.encodedSize) + row.encodedSize);
    const auto listEncoding = encodeSized(list);
    EXPECT_EQ(toHex(std::span(listEncoding).subspan(1 + lengthOctets(row.encodedSize))),
              toHex(encoding));
  }
  // A list whose contents are exactly 127 octets: one binding of 127.
  VarBindList list;
  list.append(binding(kResultOid, std::make_unique<SnmpString>(std::string(110, 'a'))));
  EXPECT_EQ(list.encodedSize(), 130u);
  const auto encoding = encodeSized(list);
  EXPECT_EQ(toHex(std::span(encoding).first(3)), "30 81 7F");
}

TEST(VarBindList, EncodesEmptyOneAndTwoBindings) {
  VarBindList list;
  EXPECT_EQ(list.head(), nullptr);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.encodedSize(), 2u);
  EXPECT_EQ(toHex(encodeSized(list)), "30 00");

  list.append(binding(kResultOid, nullptr));
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(toHex(encodeSized(list)),
            toHex(hex(std::string("30 11 30 0F ") + kResultOidElement + " 05 00")));

  list.append(binding("1.3.6.1.4.1.9.5.1.5.3.0", std::make_unique<SnmpInteger>(1)));
  list.append(binding("1.3.6.1.4.1.9.5.1.5.4.0", nullptr));
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(toHex(encodeSized(list)),
            toHex(hex(std::string("30 34 30 0F ") + kResultOidElement +
                      " 05 00"
                      " 30 10 06 0B 2B 06 01 04 01 09 05 01 05 03 00 02 01 01"
                      " 30 0F 06 0B 2B 06 01 04 01 09 05 01 05 04 00 05 00")));
}

TEST(VarBindList, AppendReturnsTheBindingOnlyWhenItBecameTheHead) {
  VarBindList list;
  auto first = binding("1.1", nullptr);
  VarBind* const firstAddress = first.get();
  EXPECT_EQ(list.append(std::move(first)), firstAddress);
  EXPECT_EQ(list.append(binding("1.2", nullptr)), nullptr);
  EXPECT_EQ(list.append(binding("1.3", nullptr)), nullptr);
  EXPECT_EQ(list.append(nullptr), nullptr);  // nothing appended, nothing changed
  EXPECT_EQ(list.head(), firstAddress);
  EXPECT_EQ(names(list), (std::vector<std::string>{"1.1.", "1.2.", "1.3."}));
}

TEST(VarBindList, ReplaceHeadHandsBackTheChainAndAppendReattachesIt) {
  // The order that putting two bindings in front of a list relies on:
  // replaceHead(b1), append(b2), append(old chain).
  VarBindList list;
  list.append(binding("1.10", nullptr));
  list.append(binding("1.11", nullptr));
  std::unique_ptr<VarBind> old = list.replaceHead(binding("1.1", nullptr));
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->name()->toText(), "1.10.");
  ASSERT_NE(old->next(), nullptr);
  EXPECT_EQ(old->next()->name()->toText(), "1.11.");
  EXPECT_EQ(names(list), (std::vector<std::string>{"1.1."}));

  EXPECT_EQ(list.append(binding("1.2", nullptr)), nullptr);
  EXPECT_EQ(list.append(std::move(old)), nullptr);
  // A later append goes after the whole re-attached chain.
  list.append(binding("1.12", nullptr));
  EXPECT_EQ(names(list), (std::vector<std::string>{"1.1.", "1.2.", "1.10.", "1.11.", "1.12."}));
  EXPECT_EQ(list.count(), 5);
  EXPECT_EQ(list.encodedSize(), 2 + 5 * 7u);  // each 30 05 06 01 xx 05 00
  EXPECT_EQ(encodeSized(list).size(), list.encodedSize());
}

TEST(VarBindList, ReplaceHeadOnAnEmptyListTakesTheWholeChain) {
  VarBindList source;
  source.append(binding("1.1", nullptr));
  source.append(binding("1.2", nullptr));
  std::unique_ptr<VarBind> chain = source.replaceHead(nullptr);
  EXPECT_EQ(source.head(), nullptr);
  EXPECT_EQ(toHex(encodeSized(source)), "30 00");

  VarBindList list;
  EXPECT_EQ(list.replaceHead(std::move(chain)), nullptr);
  EXPECT_EQ(names(list), (std::vector<std::string>{"1.1.", "1.2."}));
  list.append(binding("1.3", nullptr));
  EXPECT_EQ(names(list), (std::vector<std::string>{"1.1.", "1.2.", "1.3."}));
}

TEST(VarBindOwnership, EveryNameAndValueIsReleasedExactlyOnce) {
  int live = 0;
  auto counted = [&] { return std::make_unique<CountedValue>(live); };
  {
    VarBind b(counted(), counted());
    EXPECT_EQ(live, 2);
    b.setValue(counted());  // the replaced value is released
    EXPECT_EQ(live, 2);
    b.setName(counted());
    EXPECT_EQ(live, 2);
  }
  EXPECT_EQ(live, 0);

  std::unique_ptr<VarBind> chain;
  {
    VarBindList list;
    for (int i = 0; i < 3; ++i) list.append(std::make_unique<VarBind>(counted(), counted()));
    EXPECT_EQ(live, 6);
    chain = list.replaceHead(std::make_unique<VarBind>(counted(), nullptr));
    EXPECT_EQ(live, 7);
  }
  // The list released only what it still owned; the handed-back chain lives.
  EXPECT_EQ(live, 6);
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(chain->name()->toText(), "counted");
  chain.reset();  // the chain goes with its first binding
  EXPECT_EQ(live, 0);
}

TEST(VarBindOwnership, AVeryLongChainIsReleasedWithoutDeepRecursion) {
  int live = 0;
  {
    VarBindList list;
    for (int i = 0; i < 200000; ++i)
      list.append(std::make_unique<VarBind>(std::make_unique<CountedValue>(live), nullptr));
    EXPECT_EQ(list.count(), 200000);
  }
  EXPECT_EQ(live, 0);
}

}  // namespace
}  // namespace cfgsnap::snmp
