// Counts the heap blocks a thread allocates, so the parser benchmarks can report what one
// parsed text costs in allocations: this library's and the compared libraries' alike, since
// the count is taken below them all (see hvBenchAllocations.cpp).
#ifndef HV_BENCH_HVBENCHALLOCATIONS_H
#define HV_BENCH_HVBENCHALLOCATIONS_H

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

// False where the program cannot see the allocations (no glibc, or a sanitizer's allocator).
bool hvBenchAllocations_Counted();
// Blocks the calling thread has allocated (or reallocated) so far.
uint64_t hvBenchAllocations_OfThisThread();

// For programs using GLib: its slice allocator (up to GLib 2.74) serves small blocks from its
// own slabs, unseen by a malloc count, and it is configured when GLib loads, before main().
// This starts the program again with G_SLICE=always-malloc, every slice then one malloc, as
// it is in every GLib since 2.76 (the speed does not change measurably). Call it first in
// main(); where allocations are not counted, or when the restart fails, it returns.
void hvBenchAllocations_SeeGlibSlices(char** argv);

// Runs `work` (one pass over `texts` texts) once more, untimed and warm, and where allocations
// are counted sets the counter allocs_per_text; elsewhere the counter is left out rather than
// shown as 0.
template <class Work>
void hvBenchReportAllocations(benchmark::State& state, size_t texts, Work work) {
  const uint64_t before = hvBenchAllocations_OfThisThread();
  work();
  const uint64_t made = hvBenchAllocations_OfThisThread() - before;
  if (hvBenchAllocations_Counted() && texts > 0)
    state.counters["allocs_per_text"] = static_cast<double>(made) / static_cast<double>(texts);
}

#endif
