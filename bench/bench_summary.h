// bench_summary.h: SummaryReporter, the codec benchmark's console reporter,
// which also keeps every benchmark's median and prints, after the run, the
// comparison with Net-SNMP and the floor and the scaling checks.
//
// Medians are of CPU time per iteration: on a shared, loaded machine CPU
// time leaves out the time the process waited for a core. With repetitions
// the reporter takes the "median" aggregate; with one repetition the single
// run stands for it.
//
// A scaling family is a benchmark named FAMILY with one numeric argument,
// the element count N. Its checks: the time per element at the largest N is
// at most 3x that at the smallest N; and, because the fixed cost of a
// message inflates the per-element time at small N, also the cost of each
// element added between the two largest N is at most 3x the cost of each
// element added between the two smallest. A missing benchmark is reported,
// not failed, so a filtered run still prints what it has.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace cfgsnap::bench {

struct MedianRun {
  double cpuNanoseconds = 0;
  double allocations = 0;
  double allocatedOctets = 0;
  int repetitions = 1;
};

struct ScalingFamily {
  std::string family;   // benchmark name, e.g. "decode_bindings"
  std::string element;  // what N counts, e.g. "binding"
};

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;

  // Prints the machine line, the comparison table and the scaling tables.
  // Gives false when a scaling check failed.
  bool printSummary(const std::string& loadBefore, const std::vector<ScalingFamily>& families,
                    bool checkScaling) const;

 private:
  const MedianRun* find(const std::string& name) const;

  std::map<std::string, MedianRun> medians_;
};

// The first line of /proc/loadavg's three averages, or "unknown".
std::string loadAverage();

}  // namespace cfgsnap::bench
