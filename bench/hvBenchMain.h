// The main() of the comparison benchmarks. The machines these run on are shared, so each
// figure is the median of several repetitions, and the repetitions of the compared
// programs are interleaved at random so a busy moment does not fall on one side only.
// Flags given on the command line come after these defaults and override them.
#ifndef HV_BENCH_HVBENCHMAIN_H
#define HV_BENCH_HVBENCHMAIN_H

#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

// On a shared machine the wall clock mostly measures the other users. The processor time of
// the whole process (every thread of a pipe included) barely depends on them, so each
// transfer benchmark also reports bytes per processor second, as the counter "cpu_GiB/s".
class hvProcessCpuClock {
 public:
  hvProcessCpuClock() : m_start(std::clock()) {}
  void Report(benchmark::State& state, double bytes) const {
    double seconds = static_cast<double>(std::clock() - m_start) / CLOCKS_PER_SEC;
    if (seconds > 0) state.counters["cpu_GiB/s"] = bytes / seconds / (1024.0 * 1024.0 * 1024.0);
  }

 private:
  std::clock_t m_start;
};

inline int hvBenchMain(int argc, char** argv) {
  static char repetitions[] = "--benchmark_repetitions=5";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char aggregates[] = "--benchmark_report_aggregates_only=true";
  std::vector<char*> args(argv, argv + argc);
  args.insert(args.begin() + (argc > 0 ? 1 : 0), {repetitions, interleave, aggregates});
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

#endif
