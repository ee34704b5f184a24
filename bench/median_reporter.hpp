// A Google Benchmark reporter that keeps each benchmark's median (repetitions with
// aggregates), so that a benchmark program can print ratios against a peer measured in
// the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace tintbox::bench {

class MedianReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" &&
                !run.error_occurred) {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;  // in the benchmarks' time unit
};

// benchmark::Initialize with the repetitions of all benchmarks interleaved in random
// order, so that a busy spell of a shared machine falls on ours and the peer's alike
// instead of on one of them (a flag given on the command line still wins).
inline void initialize_interleaved(int* argc, char** argv) {
    static std::vector<char*> arguments;
    static char interleaved[] = "--benchmark_enable_random_interleaving=true";
    arguments.assign(argv, argv + *argc);
    arguments.insert(arguments.begin() + (*argc > 0 ? 1 : 0), interleaved);
    arguments.push_back(nullptr);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    *argc = count;
}

// Registers a benchmark to run 9 times in microseconds, reporting the aggregates only
// (the medians the reporter keeps).
template <class Function>
void register_for_medians(const char* name, Function function) {
    benchmark::RegisterBenchmark(name, function)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(9)
        ->ReportAggregatesOnly(true);
}

// "OURS median ... | PEER median ... | ratio ...", when both ran.
inline void print_ratio(const MedianReporter& reporter, const char* ours, const char* peer) {
    const auto a = reporter.medians.find(ours);
    const auto b = reporter.medians.find(peer);
    if (a != reporter.medians.end() && b != reporter.medians.end()) {
        std::printf("%-42s median %9.3f us | %-38s median %9.3f us | ratio %.3f\n", ours, a->second,
                    peer, b->second, a->second / b->second);
    }
}

}  // namespace tintbox::bench
