// codec_bench.cpp: cfgsnap_codec_bench, the codec's benchmark beside
// Net-SNMP.
//
//   cfgsnap_codec_bench [--no-timing-checks] [--benchmark_...]
//   cfgsnap_codec_bench --instructions=N     (under callgrind, see
//                                             instruction_counts.h)
//
// It first runs the checks of bench_checks.h, then times, with Google
// Benchmark, the tool's SetRequest build and encode, the poll reply's decode
// and reads, both together, Net-SNMP doing the same (when built with it),
// a 105-octet memcpy as the floor, and the scaling families: decoding N
// bindings and converting an OID of N arcs from text to content and back.
// Every benchmark reports the heap blocks and octets it allocates per
// iteration. Unless told otherwise it runs 10 repetitions in random
// interleaving and reports their aggregates; the summary at the end gives
// the ratios and the scaling checks. Exit status: 0 when every check
// passed, 1 when one failed, 2 on a bad argument.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "allocation_counter.h"
#include "bench_checks.h"
#include "bench_summary.h"
#include "codec_operations.h"
#include "compared_operations.h"
#include "instruction_counts.h"
#include "snmp/wire.h"
#ifdef CFGSNAP_BENCH_NETSNMP
#include "netsnmp_peer.h"
#endif

namespace cfgsnap::bench {
namespace {

// Runs `work` for every iteration and records the blocks and octets it
// allocated, per iteration.
template <typename Work>
void timed(benchmark::State& state, Work work) {
  const AllocationCount before = allocationsSoFar();
  for (auto _ : state) work();
  const AllocationCount used = allocationsSoFar() - before;
  state.counters["allocs"] =
      benchmark::Counter(static_cast<double>(used.blocks), benchmark::Counter::kAvgIterations);
  state.counters["alloc_octets"] =
      benchmark::Counter(static_cast<double>(used.octets), benchmark::Counter::kAvgIterations);
}

void registerBenchmarks() {
  for (const ComparedOperation& operation : comparedOperations()) {
    const std::string name =
        std::string(operation.task) + "/" + std::string(operation.implementation);
    benchmark::RegisterBenchmark(
        name.c_str(), [run = operation.run](benchmark::State& state) { timed(state, run); });
  }

  auto* bindings = benchmark::RegisterBenchmark("decode_bindings", [](benchmark::State& state) {
    const std::vector<std::uint8_t> datagram = replyWithBindings(static_cast<int>(state.range(0)));
    timed(state, [&] { benchmark::DoNotOptimize(decodeBindingCount(datagram)); });
  });
  for (int count : {1, 10, 50, mostBindingsIn(snmp::wire::kMaxDatagramSize)}) bindings->Arg(count);

  auto* arcs = benchmark::RegisterBenchmark("oid_round_trip", [](benchmark::State& state) {
    const std::string text = oidTextWithArcs(static_cast<int>(state.range(0)));
    timed(state, [&] { benchmark::DoNotOptimize(oidRoundTrip(text)); });
  });
  for (int count : {3, 32, 256, 1024, mostOidArcs()}) arcs->Arg(count);
}

// Flags the benchmark library does not know; removed from the arguments.
struct OwnFlags {
  bool timingChecks = true;
  int instructions = 0;
  bool bad = false;
};

OwnFlags takeOwnFlags(std::vector<char*>& arguments) {
  OwnFlags flags;
  std::vector<char*> rest;
  for (char* argument : arguments) {
    const std::string_view text = argument;
    if (text == "--no-timing-checks") {
      flags.timingChecks = false;
    } else if (text.starts_with("--instructions=")) {
      flags.instructions = std::atoi(argument + std::strlen("--instructions="));
      flags.bad = flags.instructions <= 0;
    } else {
      rest.push_back(argument);
    }
  }
  arguments = rest;
  return flags;
}

int run(int argc, char** argv) {
  // Defaults first, so that the same flags given on the command line win.
  static char repetitions[] = "--benchmark_repetitions=10";
  static char interleaving[] = "--benchmark_enable_random_interleaving=true";
  static char aggregates[] = "--benchmark_report_aggregates_only=true";
  std::vector<char*> arguments = {argv[0], repetitions, interleaving, aggregates};
  arguments.insert(arguments.end(), argv + 1, argv + argc);
  const OwnFlags flags = takeOwnFlags(arguments);
  if (flags.bad) {
    std::fprintf(stderr, "cfgsnap_codec_bench: --instructions needs a positive count\n");
    return 2;
  }
  int count = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 2;

#ifdef CFGSNAP_BENCH_NETSNMP
  NetSnmpPeer peer;
  NetSnmpPeer* const peerPointer = &peer;
#else
  NetSnmpPeer* const peerPointer = nullptr;
  std::printf("built without Net-SNMP (libsnmp-dev): ours and the floor only\n");
#endif
  setPeer(peerPointer);
  if (flags.instructions > 0) return countInstructions(flags.instructions) ? 0 : 2;

  bool passed = runChecks(peerPointer);
  registerBenchmarks();
  const std::string loadBefore = loadAverage();
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  passed =
      reporter.printSummary(loadBefore, {{"decode_bindings", "binding"}, {"oid_round_trip", "arc"}},
                            flags.timingChecks) &&
      passed;
  benchmark::Shutdown();
  std::printf("\n%s\n", passed ? "all checks passed" : "SOME CHECKS FAILED");
  return passed ? 0 : 1;
}

}  // namespace
}  // namespace cfgsnap::bench

int main(int argc, char** argv) {
  return cfgsnap::bench::run(argc, argv);
}
