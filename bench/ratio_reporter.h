#pragma once
// Console output of a benchmark program that ends with the time of a measured benchmark, the time
// of its floor and their ratio. Times are per iteration; with repetitions, the medians.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kvom::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // The benchmarks' function names and the words printed before their times.
  RatioReporter(std::string measured, std::string measuredLabel, std::string floor, std::string floorLabel)
      : measured_(std::move(measured)),
        measuredLabel_(std::move(measuredLabel)),
        floor_(std::move(floor)),
        floorLabel_(std::move(floorLabel)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        times_[name] = run.GetAdjustedRealTime();
        medians_[name] = true;
      } else if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !medians_[name]) {
        times_[name] = run.GetAdjustedRealTime();
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto measured = times_.find(measured_);
    const auto floor = times_.find(floor_);
    if (measured == times_.end() || floor == times_.end() || floor->second <= 0) return;
    std::printf("%s %.3f ms, %s %.3f ms, ratio %.2f\n", measuredLabel_.c_str(), measured->second, floorLabel_.c_str(),
                floor->second, measured->second / floor->second);
  }

 private:
  std::string measured_;
  std::string measuredLabel_;
  std::string floor_;
  std::string floorLabel_;
  std::map<std::string, double> times_;
  std::map<std::string, bool> medians_;
};

}  // namespace kvom::bench
