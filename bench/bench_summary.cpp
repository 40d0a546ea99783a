#include "bench_summary.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <thread>
#include <utility>

namespace cfgsnap::bench {

namespace {

double toNanoseconds(double value, benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return value;
    case benchmark::kMicrosecond:
      return value * 1e3;
    case benchmark::kMillisecond:
      return value * 1e6;
    case benchmark::kSecond:
      return value * 1e9;
  }
  return value;
}

double counterOf(const benchmark::BenchmarkReporter::Run& run, const char* name) {
  const auto found = run.counters.find(name);
  return found == run.counters.end() ? 0.0 : found->second.value;
}

std::string cpuModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.starts_with("model name")) {
      const std::size_t colon = line.find(':');
      if (colon != std::string::npos) return line.substr(colon + 2);
    }
  }
  return "unknown CPU";
}

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

struct Task {
  const char* key;
  const char* title;
};

constexpr Task kTasks[] = {
    {"set_request", "build + encode the SetRequest (4 bindings)"},
    {"poll_reply", "decode the 39-octet GetResponse + read 3 fields"},
    {"both", "both together"},
};

}  // namespace

std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  if (!(file >> one >> five >> fifteen)) return "unknown";
  return one + " " + five + " " + fifteen;
}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  benchmark::ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred) continue;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    if (!median && !single) continue;
    std::string name = run.run_name.function_name;
    if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
    medians_[name] =
        MedianRun{toNanoseconds(run.GetAdjustedCPUTime(), run.time_unit), counterOf(run, "allocs"),
                  counterOf(run, "alloc_octets"), static_cast<int>(run.repetitions)};
  }
}

const MedianRun* SummaryReporter::find(const std::string& name) const {
  const auto found = medians_.find(name);
  return found == medians_.end() ? nullptr : &found->second;
}

bool SummaryReporter::printSummary(const std::string& loadBefore,
                                   const std::vector<ScalingFamily>& families,
                                   bool checkScaling) const {
  int repetitions = 1;
  for (const auto& [name, run] : medians_) repetitions = std::max(repetitions, run.repetitions);
  std::printf("\n== Summary: median CPU time per operation over %d repetition(s)\n", repetitions);
  std::printf("machine: %s, %u cores, load average %s before, %s after; %s\n\n", cpuModel().c_str(),
              std::thread::hardware_concurrency(), loadBefore.c_str(), loadAverage().c_str(),
              "g++ " __VERSION__);

  const MedianRun* floor = find("floor/memcpy_105");
  std::printf(
      "| Operation | cfgsnap | Net-SNMP | cfgsnap / Net-SNMP | cfgsnap / floor | "
      "allocs cfgsnap | allocs Net-SNMP |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
  std::vector<std::pair<std::string, double>> ratios;
  for (const Task& task : kTasks) {
    const MedianRun* ours = find(std::string(task.key) + "/cfgsnap");
    const MedianRun* theirs = find(std::string(task.key) + "/netsnmp");
    if (!ours) continue;
    const std::string theirTime = theirs ? format("%.0f ns", theirs->cpuNanoseconds) : "-";
    const std::string ratio =
        theirs ? format("%.2f", ours->cpuNanoseconds / theirs->cpuNanoseconds) : "-";
    const std::string overFloor =
        floor ? format("%.0fx", ours->cpuNanoseconds / floor->cpuNanoseconds) : "-";
    const std::string theirAllocs = theirs ? format("%.0f", theirs->allocations) : "-";
    std::printf("| %s | %.0f ns | %s | %s | %s | %.0f | %s |\n", task.title, ours->cpuNanoseconds,
                theirTime.c_str(), ratio.c_str(), overFloor.c_str(), ours->allocations,
                theirAllocs.c_str());
    if (theirs) ratios.emplace_back(task.key, ours->cpuNanoseconds / theirs->cpuNanoseconds);
  }
  if (floor)
    std::printf("| floor: memcpy of 105 octets | %.1f ns | | | 1x | 0 | |\n",
                floor->cpuNanoseconds);
  std::printf("\n");
  const MedianRun* ourSet = find("set_request/cfgsnap");
  if (const MedianRun* fromText = find("set_request/netsnmp_text"); ourSet && fromText) {
    std::printf(
        "Net-SNMP parsing the four names from the same dotted texts (snmp_parse_oid, as "
        "snmpset does): %.0f ns, %.0f allocs; cfgsnap / that = %.2f\n\n",
        fromText->cpuNanoseconds, fromText->allocations,
        ourSet->cpuNanoseconds / fromText->cpuNanoseconds);
  }
  for (const auto& [task, ratio] : ratios) {
    std::printf("goal %s: cfgsnap / Net-SNMP = %.2f: %s (aim 0.50: %s)\n", task.c_str(), ratio,
                ratio <= 1.0 ? "met" : "NOT MET", ratio <= 0.5 ? "met" : "not met");
  }
  if (ratios.empty()) std::printf("no Net-SNMP figures: the peer is not built or not run\n");

  bool passed = true;
  for (const ScalingFamily& scaling : families) {
    std::vector<std::pair<int, double>> points;
    const std::string prefix = scaling.family + "/";
    for (const auto& [name, run] : medians_) {
      if (!name.starts_with(prefix)) continue;
      points.emplace_back(std::stoi(name.substr(prefix.size())), run.cpuNanoseconds);
    }
    std::sort(points.begin(), points.end());
    std::printf("\n%s, time per %s:\n", scaling.family.c_str(), scaling.element.c_str());
    for (const auto& [n, ns] : points) {
      std::printf("  N=%-5d %10.0f ns  %8.2f ns per %s\n", n, ns, ns / n, scaling.element.c_str());
    }
    if (points.size() < 3) {
      std::printf("  (fewer than 3 sizes ran: no scaling check)\n");
      continue;
    }
    const auto& [smallN, smallNs] = points.front();
    const auto& [largeN, largeNs] = points.back();
    const double perElement = (largeNs / largeN) / (smallNs / smallN);
    const auto& [secondN, secondNs] = points[1];
    const auto& [beforeN, beforeNs] = points[points.size() - 2];
    const double slopeSmall = (secondNs - smallNs) / (secondN - smallN);
    const double slopeLarge = (largeNs - beforeNs) / (largeN - beforeN);
    const double marginal = slopeLarge / slopeSmall;
    const bool perElementOk = perElement <= 3.0;
    const bool marginalOk = slopeSmall > 0 && marginal <= 3.0;
    std::printf(
        "check %s_per_element: %.2f ns at N=%d is %.2fx the %.2f ns at N=%d (limit 3x): %s\n",
        scaling.family.c_str(), largeNs / largeN, largeN, perElement, smallNs / smallN, smallN,
        !checkScaling  ? "not checked"
        : perElementOk ? "ok"
                       : "FAILED");
    std::printf(
        "check %s_marginal: %.2f ns per %s added from N=%d to %d is %.2fx the %.2f ns "
        "from N=%d to %d (limit 3x): %s\n",
        scaling.family.c_str(), slopeLarge, scaling.element.c_str(), beforeN, largeN, marginal,
        slopeSmall, smallN, secondN,
        !checkScaling ? "not checked"
        : marginalOk  ? "ok"
                      : "FAILED");
    if (checkScaling) passed = passed && perElementOk && marginalOk;
  }
  return passed;
}

}  // namespace cfgsnap::bench
