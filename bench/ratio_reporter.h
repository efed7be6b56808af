// A console reporter that, after the runs, prints each of our benchmarks against the reference
// it is compared with: the time per iteration of both, the time per operation when the
// benchmark says how many operations an iteration performs, and the ratio ours / reference.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Pairs of run names (as printed, with their arguments): ours, then the reference.
  explicit RatioReporter(std::vector<std::pair<std::string, std::string>> pairs) : pairs_(std::move(pairs)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.iterations == 0) continue;
      double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      auto ops = run.counters.find("ops");
      seconds_[run.benchmark_name()] = {seconds, ops == run.counters.end() ? 0.0 : static_cast<double>(ops->second)};
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-44s %14s %14s %9s\n", "ours vs reference", "ours", "reference", "ratio");
    for (const auto& [ours, reference] : pairs_) {
      auto a = seconds_.find(ours), b = seconds_.find(reference);
      if (a == seconds_.end() || b == seconds_.end()) continue;
      std::printf("%-44s %14s %14s %9.2f\n", ours.c_str(), Format(a->second).c_str(), Format(b->second).c_str(),
                  a->second.first / b->second.first);
    }
  }

 private:
  // Milliseconds per iteration, or nanoseconds per operation when the run counted operations.
  static std::string Format(const std::pair<double, double>& timing) {
    char text[64];
    if (timing.second > 0) std::snprintf(text, sizeof text, "%.1f ns/op", timing.first * 1e9 / timing.second);
    else std::snprintf(text, sizeof text, "%.2f ms", timing.first * 1e3);
    return text;
  }

  std::vector<std::pair<std::string, std::string>> pairs_;
  std::map<std::string, std::pair<double, double>> seconds_;
};

// Runs the registered benchmarks with the reporter.
inline int RunWithRatios(int argc, char** argv, std::vector<std::pair<std::string, std::string>> pairs) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(std::move(pairs));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
