// The library's thin OS layer: threads created suspended and started explicitly, a
// recursive mutex that knows its owner, sleeping, and two debugger aids. Failures are
// logged (category 7) and returned; nothing throws. A thread record is used by its single
// owner; a mutex by any thread.
#ifndef HULVOSTREAMING_HVOSTHREAD_H
#define HULVOSTREAMING_HVOSTHREAD_H

#include <cstdint>

#include "hv/hvPlatform.h"

struct hvOSThread;
struct hvOSMutex;

struct hvOSThreadParams {
  void (*entry)(void* userData);
  // Detached threads only: called with the user data once the finished thread's record is
  // destroyed.
  void (*cleanup)(void* userData);
  void* userData;
  // 0: 128 KiB, 1: the system default, 2 to 65536: 64 KiB, larger: that many bytes.
  uint64_t stackSize;
  // 1: the thread disposes of its own record when it ends; anything else: joinable.
  int32_t detached;
};

enum hvOSThreadState {
  khvOSThreadState_Creating = 0,
  khvOSThreadState_Created = 1,
  khvOSThreadState_Started = 2,
  khvOSThreadState_Joined = 3,
};

enum hvOSThreadDetachState {
  khvOSThreadDetach_Joinable = 0,
  khvOSThreadDetach_Running = 1,
  khvOSThreadDetach_Finished = 2,
};

// The thread does not run until hvOSThread_Start. Null on failure.
HV_EXPORT hvOSThread* hvOSThread_Create(const hvOSThreadParams* params);
// 0 started; 1 failed (also when already started). Starting a record that was joined before
// it ran returns once the thread has passed through without calling the entry.
HV_EXPORT int hvOSThread_Start(hvOSThread* thread);
// 0 joined (a never-started thread is marked joined and will not run); 1 detached.
HV_EXPORT int hvOSThread_Join(hvOSThread* thread);
// Releases the record without waiting for the thread. Null is accepted.
HV_EXPORT void hvOSThread_Destroy(hvOSThread* thread);
// Priority on the library's 0..100 scale. 0 set, 1 failed. Where the system cannot raise a
// thread's priority without privileges (POSIX time sharing) the value is kept advisory.
HV_EXPORT int hvOSThread_SetPriority(hvOSThread* thread, uint16_t priority);
// A negative time sleeps 0 ms.
HV_EXPORT void hvOSThread_Sleep(int milliseconds);
HV_EXPORT uint32_t hvOSThread_GetProcessId();
// Names the calling thread for an attached debugger; returns normally without one. POSIX
// keeps the first 15 characters.
HV_EXPORT void hvOSThread_SetName(const char* name);
// Writes at most 254 bytes of text (bytes from 0x80 up taken as Latin-1) and a line feed to
// the debugger output (standard error on POSIX); then breaks into an attached debugger.
HV_EXPORT void hvOSDebugOutput(const char* text);

// Queries for tests and diagnostics. The two state queries are for joinable records and for
// detached ones that have not finished (a finished detached record is already freed).
HV_EXPORT int32_t hvOSThread_GetState(const hvOSThread* thread);
HV_EXPORT int32_t hvOSThread_GetDetachState(const hvOSThread* thread);
// The stack size the layer asks the system for: 0 means the system default.
HV_EXPORT uint64_t hvOSThread_StackReservation(uint64_t requested);
// The system priority passed for a priority on the 0..100 scale (Windows values -2..2).
HV_EXPORT int hvOSThread_MapPriority(uint16_t priority);

HV_EXPORT hvOSMutex* hvOSMutex_Create();
HV_EXPORT void hvOSMutex_Destroy(hvOSMutex* mutex);
// Recursive for the owning thread; the first unlock clears the owner. Both return 0.
HV_EXPORT int hvOSMutex_Lock(hvOSMutex* mutex);
HV_EXPORT int hvOSMutex_Unlock(hvOSMutex* mutex);
// 1 when the calling thread locked the mutex last and has not unlocked it.
HV_EXPORT int hvOSMutex_IsOwner(hvOSMutex* mutex);

#endif
