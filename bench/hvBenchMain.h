// The main() of the comparison benchmarks. The machines these run on are shared, so each
// figure is the median of several repetitions, and the repetitions of the compared
// programs are interleaved at random so a busy moment does not fall on one side only.
// Flags given on the command line come after these defaults and override them.
//
// Names. scripts/bench-report.py pairs the benchmarks of one run by name, so every
// benchmark is named <work>/<side>[/<args>]: the side "hulvo" is this library, any other side
// is the library or yardstick it is compared with ("gupnp-av", "gmime", "uriparser",
// "spsc_queue", "mutex_ring", "memcpy", "read", "cv_pingpong", "curl", ...). Benchmarks with
// the same work and args are compared with each other. The rate compared is
// items_per_second when the benchmark sets one (SetItemsProcessed), else bytes_per_second.
// A benchmark that sets the counter lower_is_better=1 (a latency) is compared by its time
// instead: its counter median_us when it has one, else its real time per iteration. Other
// counters (allocs_per_text, refused, ...) are shown beside the rates. A line a program
// prints for the report, such as a side left out for want of its library, starts with the
// program's name ("hvMimeBench: built without GMime, ...").
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

// Every repetition goes to the JSON file (--benchmark_out) so the report can pair them; the
// console shows the aggregates only. A tenth of a second per repetition keeps the whole run
// short on a shared machine while the median of five stays steady.
inline int hvBenchMain(int argc, char** argv) {
  static char repetitions[] = "--benchmark_repetitions=5";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char aggregates[] = "--benchmark_display_aggregates_only=true";
  static char minTime[] = "--benchmark_min_time=0.1";
  std::vector<char*> args(argv, argv + argc);
  args.insert(args.begin() + (argc > 0 ? 1 : 0), {repetitions, interleave, aggregates, minTime});
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

#endif
