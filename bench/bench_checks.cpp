#include "bench_checks.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "codec_operations.h"
#include "snmp/message_decoder.h"
#include "snmp/octet_values.h"
#include "snmp/wire.h"
#include "support/wire_images.h"
#ifdef CFGSNAP_BENCH_NETSNMP
#include "netsnmp_peer.h"
#endif

namespace cfgsnap::bench {

namespace {

// Objects of a message as the tool builds or receives it: the message, its
// version, community and PDU, the PDU's three integers; and per binding the
// binding, its name and its value.
constexpr int kMessageObjects = 7;
constexpr int kObjectsPerBinding = 3;

constexpr int objectsOfMessage(int bindings) {
  return kMessageObjects + kObjectsPerBinding * bindings;
}

// Makes a value whose only use is to exist, so the allocation stays.
template <typename Value, typename Argument>
void make(const Argument& argument) {
  auto value = std::make_unique<Value>(argument);
  benchmark::DoNotOptimize(value.get());
}

// Blocks allocated while `operation` runs, its result released included.
template <typename Operation>
std::uint64_t blocksOf(Operation operation) {
  const AllocationCount before = allocationsSoFar();
  operation();
  return (allocationsSoFar() - before).blocks;
}

class Checker {
 public:
  void expect(bool passed, const char* name, const std::string& detail = {}) {
    if (passed) {
      std::printf("check %s: ok%s%s\n", name, detail.empty() ? "" : " ", detail.c_str());
    } else {
      std::printf("check %s: FAILED %s\n", name, detail.c_str());
      allPassed_ = false;
    }
  }
  bool allPassed() const { return allPassed_; }

 private:
  bool allPassed_ = true;
};

std::string describe(const std::optional<ReplyReading>& reading) {
  if (!reading) return "(no message)";
  return "(request-id " + std::to_string(reading->requestId) + ", error-status " +
         std::to_string(reading->errorStatus) + ", value " + std::to_string(reading->result) + ")";
}

std::string blocksText(std::uint64_t used, std::uint64_t limit) {
  return "(" + std::to_string(used) + " blocks, limit " + std::to_string(limit) + ")";
}

void checkWireImages(Checker& checker) {
  const std::vector<std::uint8_t> ours = buildAndEncodeSetRequest({"", "10.0.0.5", "sw1.cfg"});
  checker.expect(ours == testing::fromHex(testing::kSetRequestImage), "set_request_wire_image",
                 "(" + std::to_string(ours.size()) + " octets)");
  checker.expect(decodeAndRead(kPollReply) == ReplyReading{234, 0, 2}, "poll_reply_reading",
                 describe(decodeAndRead(kPollReply)));
}

#ifdef CFGSNAP_BENCH_NETSNMP
void checkPeer(Checker& checker, NetSnmpPeer& peer) {
  const SetRequestFields fields;
  std::vector<std::uint8_t> theirs;
  peer.encodeSetRequest(fields, &theirs);
  const std::vector<std::uint8_t> ours = buildAndEncodeSetRequest(fields);
  checker.expect(theirs == ours, "netsnmp_same_octets",
                 "(" + std::to_string(ours.size()) + " octets ours, " +
                     std::to_string(theirs.size()) + " Net-SNMP's)");
  std::vector<std::uint8_t> fromText;
  peer.encodeSetRequest(fields, &fromText, NetSnmpPeer::NameSource::kText);
  checker.expect(fromText == ours, "netsnmp_text_names_same_octets",
                 "(names parsed with snmp_parse_oid)");
  const std::optional<ReplyReading> read = peer.decodeAndRead(kPollReply);
  checker.expect(read == decodeAndRead(kPollReply), "netsnmp_same_reading", describe(read));
}
#endif

void checkAllocations(Checker& checker) {
  const SetRequestFields fields;
  const std::uint64_t encodeLimit = objectsOfMessage(4) + 1;
  const std::uint64_t encode = blocksOf([&] { buildAndEncodeSetRequest(fields); });
  checker.expect(encode == encodeLimit, "encode_allocations_exact",
                 "(" + std::to_string(encode) + " blocks; " + std::to_string(objectsOfMessage(4)) +
                     " objects + 1 send buffer)");

  const std::uint64_t decodeLimit = objectsOfMessage(1);
  const std::uint64_t decode = blocksOf([] { decodeAndRead(kPollReply); });
  checker.expect(decode <= decodeLimit, "decode_allocations", blocksText(decode, decodeLimit));

  bool scaled = true;
  std::string detail;
  for (int count : {1, 10, 50, mostBindingsIn(snmp::wire::kMaxDatagramSize)}) {
    const std::vector<std::uint8_t> datagram = replyWithBindings(count);
    const std::uint64_t used = blocksOf([&] { decodeBindingCount(datagram); });
    const auto limit = static_cast<std::uint64_t>(objectsOfMessage(count));
    scaled = scaled && used <= limit;
    detail +=
        " N=" + std::to_string(count) + ":" + std::to_string(used) + "/" + std::to_string(limit);
  }
  checker.expect(scaled, "decode_allocations_per_binding", "(blocks/limit" + detail + ")");
}

void checkSmallContents(Checker& checker) {
  // 15 content octets each: the most that stay inside the object.
  const std::string fifteen = "abcdefghijklmno";
  const std::string oidOf15 = "1.3.6.1.4.1.9.5.1.5.1.0.1.2.3.4";
  const std::vector<std::uint8_t> stringElement = [&] {
    std::vector<std::uint8_t> e{snmp::wire::kOctetString, 15};
    e.insert(e.end(), fifteen.begin(), fifteen.end());
    return e;
  }();
  const std::vector<std::uint8_t> oidElement = [&] {
    std::vector<std::uint8_t> e{snmp::wire::kObjectIdentifier, 15, 0x2B};
    e.insert(e.end(), {6, 1, 4, 1, 9, 5, 1, 5, 1, 0, 1, 2, 3, 4});
    return e;
  }();
  auto decoded = [](const std::vector<std::uint8_t>& element) {
    snmp::BerReader reader(std::span<const std::uint8_t>(element).subspan(1));
    auto value = snmp::decodeValue(element[0], reader);
    benchmark::DoNotOptimize(value.get());
  };

  struct Case {
    const char* what;
    std::uint64_t blocks;
  };
  const Case cases[] = {
      {"community \"private\"",
       blocksOf([] { make<snmp::SnmpString>(SetRequestFields{}.community); })},
      {"string of 15 octets", blocksOf([&] { make<snmp::SnmpString>(fifteen); })},
      {"OID of 15 octets", blocksOf([&] { make<snmp::SnmpOid>(oidOf15); })},
      {"decoded string of 15 octets", blocksOf([&] { decoded(stringElement); })},
      {"decoded OID of 15 octets", blocksOf([&] { decoded(oidElement); })},
  };
  bool allOne = true;
  std::string detail;
  for (const Case& c : cases) {
    allOne = allOne && c.blocks == 1;
    detail += std::string(detail.empty() ? "" : ", ") + c.what + ": " + std::to_string(c.blocks);
  }
  checker.expect(allOne, "small_contents_inline", "(blocks per value: " + detail + ")");
}

void checkScalingInputs(Checker& checker) {
  const int most = mostBindingsIn(snmp::wire::kMaxDatagramSize);
  bool counted = replyWithBindings(most).size() <= snmp::wire::kMaxDatagramSize &&
                 replyWithBindings(most + 1).size() > snmp::wire::kMaxDatagramSize;
  for (int count : {1, 10, 50, most}) {
    counted = counted && decodeBindingCount(replyWithBindings(count)) == count;
  }
  checker.expect(counted, "binding_inputs",
                 "(most in 4096 octets: " + std::to_string(most) + " bindings, " +
                     std::to_string(replyWithBindings(most).size()) + " octets)");

  const int arcs = mostOidArcs();
  bool roundTrips = true;
  for (int count : {3, 16, 128, 1024, arcs}) {
    const std::string text = oidTextWithArcs(count);
    std::string shown;
    oidRoundTrip(text, &shown);
    roundTrips = roundTrips && shown == text;
  }
  const std::size_t full = oidRoundTrip(oidTextWithArcs(arcs));
  const std::size_t beyond = oidRoundTrip(oidTextWithArcs(arcs + 1));
  const bool filled = full <= snmp::wire::kOidWorkingBufferSize && beyond == full;
  checker.expect(roundTrips && filled, "oid_inputs",
                 "(most arcs: " + std::to_string(arcs) + ", " + std::to_string(full) +
                     " content octets; one arc more is cut to the same)");
}

}  // namespace

bool runChecks(NetSnmpPeer* peer) {
  Checker checker;
  checkWireImages(checker);
#ifdef CFGSNAP_BENCH_NETSNMP
  if (peer) checkPeer(checker, *peer);
#else
  (void)peer;
#endif
  checkAllocations(checker);
  checkSmallContents(checker);
  checkScalingInputs(checker);
  return checker.allPassed();
}

}  // namespace cfgsnap::bench
