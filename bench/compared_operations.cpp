#include "compared_operations.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <vector>

#include "codec_operations.h"
#ifdef CFGSNAP_BENCH_NETSNMP
#include "netsnmp_peer.h"
#endif

namespace cfgsnap::bench {

namespace {

NetSnmpPeer* gPeer = nullptr;
const SetRequestFields kFields;

void ourSetRequest() {
  const std::vector<std::uint8_t> octets = buildAndEncodeSetRequest(kFields);
  benchmark::DoNotOptimize(octets.data());
}

void ourPollReply() {
  std::optional<ReplyReading> reading = decodeAndRead(kPollReply);
  benchmark::DoNotOptimize(reading);
}

void ourBoth() {
  ourSetRequest();
  ourPollReply();
}

#ifdef CFGSNAP_BENCH_NETSNMP
void netsnmpSetRequest() {
  std::size_t size = gPeer->encodeSetRequest(kFields);
  benchmark::DoNotOptimize(size);
}

void netsnmpSetRequestFromText() {
  std::size_t size = gPeer->encodeSetRequest(kFields, nullptr, NetSnmpPeer::NameSource::kText);
  benchmark::DoNotOptimize(size);
}

void netsnmpPollReply() {
  std::optional<ReplyReading> reading = gPeer->decodeAndRead(kPollReply);
  benchmark::DoNotOptimize(reading);
}

void netsnmpBoth() {
  netsnmpSetRequest();
  netsnmpPollReply();
}
#endif

// Copying a message of the worked example's 105 octets: the least any
// encoder can do.
void memcpyFloor() {
  static std::array<std::uint8_t, 105> source{};
  static std::array<std::uint8_t, 105> target{};
  benchmark::DoNotOptimize(source.data());
  std::memcpy(target.data(), source.data(), source.size());
  benchmark::DoNotOptimize(target.data());
  benchmark::ClobberMemory();
}

constexpr std::array kOurs = {
    ComparedOperation{"set_request", "cfgsnap", ourSetRequest},
    ComparedOperation{"poll_reply", "cfgsnap", ourPollReply},
    ComparedOperation{"both", "cfgsnap", ourBoth},
};
#ifdef CFGSNAP_BENCH_NETSNMP
constexpr std::array kTheirs = {
    ComparedOperation{"set_request", "netsnmp", netsnmpSetRequest},
    ComparedOperation{"poll_reply", "netsnmp", netsnmpPollReply},
    ComparedOperation{"both", "netsnmp", netsnmpBoth},
    ComparedOperation{"set_request", "netsnmp_text", netsnmpSetRequestFromText},
};
#endif
constexpr ComparedOperation kFloor{"floor", "memcpy_105", memcpyFloor};

std::vector<ComparedOperation> gOperations;

}  // namespace

void setPeer(NetSnmpPeer* peer) {
  gPeer = peer;
  gOperations.clear();
}

std::span<const ComparedOperation> comparedOperations() {
  if (gOperations.empty()) {
    gOperations.assign(kOurs.begin(), kOurs.end());
#ifdef CFGSNAP_BENCH_NETSNMP
    if (gPeer) gOperations.insert(gOperations.end(), kTheirs.begin(), kTheirs.end());
#endif
    gOperations.push_back(kFloor);
  }
  return gOperations;
}

}  // namespace cfgsnap::bench
