#pragma once
// Console output of a benchmark program that measures steps against floors measured in the same
// run: for each pair, the time of the step, the time of its floor and their ratio, on a line of
// its own. Times are per iteration, the medians of the repetitions. The repetitions of all the
// program's benchmarks are interleaved, so that a change of load on the machine reaches both sides
// of a ratio alike. Colours only when the output is a terminal.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvom::bench {

// A measured benchmark and its floor: their function names and the words printed before their
// times.
struct RatioPair {
  std::string measured;
  std::string measuredLabel;
  std::string floor;
  std::string floorLabel;
};

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::vector<RatioPair> pairs)
      : ConsoleReporter(isatty(fileno(stdout)) != 0 ? OO_ColorTabular : OO_Tabular), pairs_(std::move(pairs)) {}
  RatioReporter(std::string measured, std::string measuredLabel, std::string floor, std::string floorLabel)
      : RatioReporter({RatioPair{std::move(measured), std::move(measuredLabel), std::move(floor),
                                 std::move(floorLabel)}}) {}

  // A line printed after the ratios.
  void addNote(std::string line) { notes_.push_back(std::move(line)); }

  // The median time of a benchmark in its unit, or 0 before it ran.
  double time(const std::string& name) const {
    const auto found = times_.find(name);
    return found != times_.end() ? found->second : 0;
  }

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
    for (const RatioPair& pair : pairs_) {
      const double measured = time(pair.measured);
      const double floor = time(pair.floor);
      if (measured <= 0 || floor <= 0) continue;
      std::printf("%s %.3f ms, %s %.3f ms, ratio %.2f\n", pair.measuredLabel.c_str(), measured,
                  pair.floorLabel.c_str(), floor, measured / floor);
    }
    for (const std::string& note : notes_) std::printf("%s\n", note.c_str());
    std::fflush(stdout);
  }

 private:
  std::vector<RatioPair> pairs_;
  std::vector<std::string> notes_;
  std::map<std::string, double> times_;
  std::map<std::string, bool> medians_;
};

// Runs the program's benchmarks with the reporter, their repetitions in an interleaved order
// unless the command line chooses otherwise. Returns the program's exit code.
inline int RunInterleaved(int argc, char** argv, RatioReporter& reporter) {
  std::vector<char*> arguments(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  bool chosen = false;
  for (int i = 1; i < argc; ++i) chosen = chosen || std::string_view(argv[i]).starts_with("--benchmark_enable_random");
  if (!chosen) arguments.insert(arguments.begin() + 1, interleave.data());
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace kvom::bench
