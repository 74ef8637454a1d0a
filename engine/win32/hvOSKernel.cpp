// Windows kernel calls of the OS layer.
#include "engine/hvOSKernel.h"

#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(hvOSKernelLock::storage) &&
                  alignof(CRITICAL_SECTION) <= alignof(hvOSKernelLock),
              "a critical section must fit in hvOSKernelLock");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is 16-bit on Windows");

namespace {

// The kernel handle carries the routine and its argument, so the thread procedure has one
// pointer to read. Freed by hvOSKernel_CloseThread; the thread never touches it after it
// has called the routine.
struct Start {
  void (*routine)(void*);
  void* argument;
};

DWORD WINAPI ThreadProc(LPVOID parameter) {
  const Start start = *static_cast<Start*>(parameter);
  start.routine(start.argument);
  return 0;
}

CRITICAL_SECTION* Section(hvOSKernelLock* lock) {
  return reinterpret_cast<CRITICAL_SECTION*>(lock->storage);
}

}  // namespace

struct hvOSKernelThread {
  HANDLE handle;
  Start start;
};

long hvOSKernel_LastError() { return static_cast<long>(GetLastError()); }

hvOSKernelThread* hvOSKernel_CreateThread(uint64_t stackReservation, void (*routine)(void*),
                                          void* argument) {
  hvOSKernelThread* thread =
      static_cast<hvOSKernelThread*>(HeapAlloc(GetProcessHeap(), 0, sizeof(hvOSKernelThread)));
  if (!thread) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  thread->start = {routine, argument};
  const DWORD flags = stackReservation == 0 ? CREATE_SUSPENDED
                                            : CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION;
  thread->handle = CreateThread(nullptr, static_cast<SIZE_T>(stackReservation), ThreadProc,
                                &thread->start, flags, nullptr);
  if (!thread->handle) {
    const DWORD error = GetLastError();
    HeapFree(GetProcessHeap(), 0, thread);
    SetLastError(error);
    return nullptr;
  }
  return thread;
}

long hvOSKernel_ResumeThread(hvOSKernelThread* thread) {
  const DWORD count = ResumeThread(thread->handle);
  return count == static_cast<DWORD>(-1) ? -1 : static_cast<long>(count);
}

long hvOSKernel_WaitThread(hvOSKernelThread* thread) {
  return static_cast<long>(WaitForSingleObject(thread->handle, INFINITE));
}

bool hvOSKernel_CloseThread(hvOSKernelThread* thread) {
  const BOOL closed = CloseHandle(thread->handle);
  const DWORD error = GetLastError();
  HeapFree(GetProcessHeap(), 0, thread);
  SetLastError(error);
  return closed != 0;
}

bool hvOSKernel_SetThreadPriority(hvOSKernelThread* thread, int priority) {
  return SetThreadPriority(thread->handle, priority) != 0;
}

void hvOSKernel_Sleep(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

uint32_t hvOSKernel_ProcessId() { return GetCurrentProcessId(); }

uint32_t hvOSKernel_ThreadId() { return GetCurrentThreadId(); }

bool hvOSKernel_InitLock(hvOSKernelLock* lock) {
  InitializeCriticalSection(Section(lock));
  return true;
}

void hvOSKernel_DestroyLock(hvOSKernelLock* lock) { DeleteCriticalSection(Section(lock)); }

void hvOSKernel_Lock(hvOSKernelLock* lock) { EnterCriticalSection(Section(lock)); }

void hvOSKernel_Unlock(hvOSKernelLock* lock) { LeaveCriticalSection(Section(lock)); }

void hvOSKernel_DebugOutput(const char16_t* text) {
  OutputDebugStringW(reinterpret_cast<const wchar_t*>(text));
}

bool hvOSKernel_DebuggerPresent() { return IsDebuggerPresent() != 0; }

void hvOSKernel_DebugBreak() { DebugBreak(); }
