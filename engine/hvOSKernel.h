// The kernel calls under the OS layer, one implementation per system (engine/win32/,
// engine/posix/). They only reach the system: states, the stack and priority rules, and
// every log record live in hvOSThread.cpp and hvOSMutex.cpp.
#ifndef HULVOSTREAMING_ENGINE_HVOSKERNEL_H
#define HULVOSTREAMING_ENGINE_HVOSKERNEL_H

#include <cstddef>
#include <cstdint>

// A system thread that was created suspended. Owned by the caller of
// hvOSKernel_CreateThread until hvOSKernel_CloseThread.
struct hvOSKernelThread;

// Storage for the system lock, kept inside the mutex record so a mutex is one allocation.
// Each system checks that its lock fits.
struct hvOSKernelLock {
  alignas(16) unsigned char storage[64];
};

// The error of the last failed call on this thread (GetLastError, or the errno value).
long hvOSKernel_LastError();

// Creates a thread that stays suspended until resumed, then runs routine(argument).
// `stackReservation` 0 means the system default. Null on failure.
hvOSKernelThread* hvOSKernel_CreateThread(uint64_t stackReservation, void (*routine)(void*),
                                          void* argument);
// The previous suspend count (1 for a thread that was just created, 0 for a running one),
// or -1 on failure.
long hvOSKernel_ResumeThread(hvOSKernelThread* thread);
// Waits without time limit for the thread to end: 0 when it has, otherwise the failure.
long hvOSKernel_WaitThread(hvOSKernelThread* thread);
// Releases the handle; a thread that was never resumed never runs its routine. May be called
// by the thread itself.
bool hvOSKernel_CloseThread(hvOSKernelThread* thread);
// `priority` is a Windows thread priority, -2 (lowest) to 2 (highest).
bool hvOSKernel_SetThreadPriority(hvOSKernelThread* thread, int priority);

void hvOSKernel_Sleep(int milliseconds);
uint32_t hvOSKernel_ProcessId();
// Never 0, so 0 can mean "no thread".
uint32_t hvOSKernel_ThreadId();

// A recursive lock, initialised in place.
bool hvOSKernel_InitLock(hvOSKernelLock* lock);
void hvOSKernel_DestroyLock(hvOSKernelLock* lock);
void hvOSKernel_Lock(hvOSKernelLock* lock);
void hvOSKernel_Unlock(hvOSKernelLock* lock);

// `text` is NUL-terminated 16-bit text.
void hvOSKernel_DebugOutput(const char16_t* text);
bool hvOSKernel_DebuggerPresent();
void hvOSKernel_DebugBreak();

#endif
