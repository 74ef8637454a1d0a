// With glibc the program's own malloc, calloc and realloc take the place of the C library's
// in every library loaded (operator new and GLib's g_malloc end there too), count, and forward
// to glibc's own entry points. Each thread counts for itself, so a pipe's other thread does
// not disturb a parser's count.
#include "hvBenchAllocations.h"

#if HV_BENCH_COUNT_MALLOC

#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace {

thread_local uint64_t t_allocations = 0;

}  // namespace

extern "C" void* malloc(size_t size) noexcept {
  ++t_allocations;
  return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) noexcept {
  ++t_allocations;
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) noexcept {
  ++t_allocations;
  return __libc_realloc(block, size);
}

void hvBenchAllocations_SeeGlibSlices(char** argv) {
  const char* slices = getenv("G_SLICE");
  if (slices && strcmp(slices, "always-malloc") == 0) return;
  setenv("G_SLICE", "always-malloc", 1);
  execv("/proc/self/exe", argv);
}

bool hvBenchAllocations_Counted() { return true; }
uint64_t hvBenchAllocations_OfThisThread() { return t_allocations; }

#else

void hvBenchAllocations_SeeGlibSlices(char**) {}
bool hvBenchAllocations_Counted() { return false; }
uint64_t hvBenchAllocations_OfThisThread() { return 0; }

#endif
