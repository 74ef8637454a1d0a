// Threads of the OS layer: created suspended, started explicitly, joined or left to dispose
// of themselves (detached). The record is used by its single owner, but the state and the
// detach state are also read by the new thread, so both are atomic.
#include "hulvoStreaming/hvOSThread.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/hvOSDebugText.h"
#include "engine/hvOSKernel.h"
#include "hv/hvLogReport.h"
#include "platform/hvThreadOS.h"

namespace {

const char kLogSource[] = "..\\..\\win32\\hvThread.win32";

}  // namespace

struct hvOSThread {
  hvOSKernelThread* handle;
  void (*entry)(void*);
  // Detached threads only; runs when the finished thread destroys its record.
  void (*cleanup)(void*);
  void* userData;
  std::atomic<int32_t> state;        // hvOSThreadState
  std::atomic<int32_t> detachState;  // hvOSThreadDetachState
};

namespace {

void StartRoutine(void* argument) {
  hvOSThread* thread = static_cast<hvOSThread*>(argument);
  // A record joined before it was started never runs its entry.
  if (thread->state.load(std::memory_order_acquire) != khvOSThreadState_Joined) {
    thread->entry(thread->userData);
  }
  // Nobody else touches a detached record once it is started, so the thread frees it.
  if (thread->detachState.load(std::memory_order_acquire) == khvOSThreadDetach_Running) {
    thread->detachState.store(khvOSThreadDetach_Finished, std::memory_order_release);
    hvOSThread_Destroy(thread);
  }
}

}  // namespace

uint64_t hvOSThread_StackReservation(uint64_t requested) {
  if (requested == 0) return 131072;
  if (requested == 1) return 0;
  if (requested <= 65536) return 65536;
  return requested;
}

int hvOSThread_MapPriority(uint16_t priority) {
  if (priority <= 20) return -2;
  if (priority <= 40) return -1;
  if (priority <= 60) return 0;
  if (priority <= 80) return 1;
  if (priority <= 100) return 2;
  return 0;
}

hvOSThread* hvOSThread_Create(const hvOSThreadParams* params) {
  void* memory = malloc(sizeof(hvOSThread));
  if (!memory) {
    HV_LOG(khvLogCategory_OSLayer, kLogSource, "hvOSThread: Cannot allocate memory for a thread\n");
    return nullptr;
  }
  hvOSThread* thread = new (memory) hvOSThread;
  const bool detached = params->detached == 1;
  thread->handle = nullptr;
  thread->entry = params->entry;
  thread->cleanup = detached ? params->cleanup : nullptr;
  thread->userData = params->userData;
  thread->state.store(khvOSThreadState_Creating, std::memory_order_relaxed);
  thread->detachState.store(detached ? khvOSThreadDetach_Running : khvOSThreadDetach_Joinable,
                            std::memory_order_relaxed);

  thread->handle =
      hvOSKernel_CreateThread(hvOSThread_StackReservation(params->stackSize), StartRoutine, thread);
  if (!thread->handle) {
    HV_LOG(khvLogCategory_OSLayer, kLogSource, "hvOSThread: Cannot create thread (error = %ld)\n",
           hvOSKernel_LastError());
    hvOSThread_Destroy(thread);
    return nullptr;
  }
  // Still suspended: nothing else reads the record yet.
  thread->state.store(khvOSThreadState_Created, std::memory_order_relaxed);
  return thread;
}

int hvOSThread_Start(hvOSThread* thread) {
  const int32_t previous = thread->state.load(std::memory_order_relaxed);
  const bool joined = previous == khvOSThreadState_Joined;
  // The state is written before resuming: a detached thread may finish and free its record
  // before ResumeThread has even returned. A joined record keeps its state so that its entry
  // stays skipped.
  if (!joined) thread->state.store(khvOSThreadState_Started, std::memory_order_release);
  const long suspendCount = hvOSKernel_ResumeThread(thread->handle);
  if (suspendCount != 1) {
    // Not resumed by this call, so the record is still ours to touch.
    if (!joined) thread->state.store(previous, std::memory_order_relaxed);
    HV_LOG(khvLogCategory_OSLayer, kLogSource, "hvOSThread: cannot start thread\n");
    return 1;
  }
  // A joined record started anyway only passes through the start routine; wait for that so
  // the owner may destroy the record as soon as this returns.
  if (joined) hvOSKernel_WaitThread(thread->handle);
  return 0;
}

int hvOSThread_Join(hvOSThread* thread) {
  if (thread->detachState.load(std::memory_order_acquire) == khvOSThreadDetach_Running) return 1;
  const int32_t state = thread->state.load(std::memory_order_relaxed);
  if (state == khvOSThreadState_Joined) return 0;
  if (state != khvOSThreadState_Created) {
    const long waitResult = hvOSKernel_WaitThread(thread->handle);
    if (waitResult != 0) {
      HV_LOG(khvLogCategory_OSLayer, kLogSource,
             "hvOSThread: Failed to join a thread (error = %ld, errorcode = %ld)\n", waitResult,
             hvOSKernel_LastError());
    }
  }
  thread->state.store(khvOSThreadState_Joined, std::memory_order_release);
  return 0;
}

void hvOSThread_Destroy(hvOSThread* thread) {
  if (!thread) return;
  if (thread->detachState.load(std::memory_order_acquire) == khvOSThreadDetach_Finished &&
      thread->cleanup) {
    thread->cleanup(thread->userData);
  }
  if (thread->handle && !hvOSKernel_CloseThread(thread->handle)) {
    HV_LOG(khvLogCategory_OSLayer, kLogSource,
           "hvOSThread: CloseHandle on Thread handle failed (error = %ld)\n",
           hvOSKernel_LastError());
  }
  thread->~hvOSThread();
  free(thread);
}

int hvOSThread_SetPriority(hvOSThread* thread, uint16_t priority) {
  const int mapped = hvOSThread_MapPriority(priority);
  if (!hvOSKernel_SetThreadPriority(thread->handle, mapped)) {
    HV_LOG(khvLogCategory_OSLayer, kLogSource,
           "hvOSThread: Cannot set thread priority to %d for thread %p (error = %ld)\n", mapped,
           static_cast<void*>(thread), hvOSKernel_LastError());
    return 1;
  }
  return 0;
}

int32_t hvOSThread_GetState(const hvOSThread* thread) {
  return thread->state.load(std::memory_order_acquire);
}

int32_t hvOSThread_GetDetachState(const hvOSThread* thread) {
  return thread->detachState.load(std::memory_order_acquire);
}

void hvOSThread_Sleep(int milliseconds) {
  // A negative time would read as "forever" once it reaches Sleep's unsigned argument.
  hvOSKernel_Sleep(milliseconds < 0 ? 0 : milliseconds);
}

uint32_t hvOSThread_GetProcessId() { return hvOSKernel_ProcessId(); }

void hvOSThread_SetName(const char* name) { hvThreadOS_NameCurrent(name ? name : ""); }

void hvOSDebugOutput(const char* text) {
  char16_t buffer[khvOSDebugText_BufferSize];
  hvOSDebugText_Build(text, buffer);
  hvOSKernel_DebugOutput(buffer);
  if (hvOSKernel_DebuggerPresent()) hvOSKernel_DebugBreak();
}
