// The library's own recursive mutex. The owner field is written only by the thread that
// holds the lock (set after entering, cleared before leaving) but read by any thread in
// hvOSMutex_IsOwner, hence atomic.
#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/hvOSKernel.h"
#include "hulvoStreaming/hvOSThread.h"
#include "hv/hvLogReport.h"

namespace {
const char kLogSource[] = "..\\..\\win32\\hvMutex.win32";
}  // namespace

struct hvOSMutex {
  hvOSKernelLock lock;
  // Id of the thread that locked last; 0 after creation and after every unlock, so a nested
  // lock's first unlock already reads as "not owned".
  std::atomic<uint32_t> owner;
};

hvOSMutex* hvOSMutex_Create() {
  void* memory = malloc(sizeof(hvOSMutex));
  hvOSMutex* mutex = memory ? new (memory) hvOSMutex : nullptr;
  if (mutex && !hvOSKernel_InitLock(&mutex->lock)) {
    // Only a system out of resources refuses a lock; that reads as the same failure.
    mutex->~hvOSMutex();
    free(mutex);
    mutex = nullptr;
  }
  if (!mutex) {
    HV_LOG(khvLogCategory_OSLayer, kLogSource, "hvOSMutex: Cannot allocate memory for a mutex\n");
    return nullptr;
  }
  mutex->owner.store(0, std::memory_order_relaxed);
  return mutex;
}

void hvOSMutex_Destroy(hvOSMutex* mutex) {
  if (!mutex) return;
  hvOSKernel_DestroyLock(&mutex->lock);
  mutex->~hvOSMutex();
  free(mutex);
}

int hvOSMutex_Lock(hvOSMutex* mutex) {
  hvOSKernel_Lock(&mutex->lock);
  mutex->owner.store(hvOSKernel_ThreadId(), std::memory_order_relaxed);
  return 0;
}

int hvOSMutex_Unlock(hvOSMutex* mutex) {
  mutex->owner.store(0, std::memory_order_relaxed);
  hvOSKernel_Unlock(&mutex->lock);
  return 0;
}

int hvOSMutex_IsOwner(hvOSMutex* mutex) {
  return mutex->owner.load(std::memory_order_relaxed) == hvOSKernel_ThreadId() ? 1 : 0;
}
