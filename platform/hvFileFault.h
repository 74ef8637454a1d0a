// The side of hvFileFault that hvFile consults before each kernel read or seek.
#ifndef HV_PLATFORM_HVFILEFAULT_H
#define HV_PLATFORM_HVFILEFAULT_H

#include <atomic>

#include "hv/hvFileFault.h"

namespace hvFileFaultInternal {
extern std::atomic<bool> g_armed;
// Counts the call; true when this one gets the fault, with its kind in *kind.
bool Take(hvFileFaultOperation operation, hvFileFaultKind* kind);
}  // namespace hvFileFaultInternal

// Null while unarmed, which is the cheap test every read and seek makes.
inline bool hvFileFault_Take(hvFileFaultOperation operation, hvFileFaultKind* kind) {
  return hvFileFaultInternal::g_armed.load(std::memory_order_relaxed) &&
         hvFileFaultInternal::Take(operation, kind);
}

#endif
