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

// The debugger convention for naming a thread: exception 0x406D1388 with this block.
const DWORD kSetThreadNameException = 0x406D1388;
#pragma pack(push, 8)
struct ThreadNameInfo {
  DWORD type;  // 0x1000
  LPCSTR name;
  DWORD threadId;
  DWORD flags;
};
#pragma pack(pop)

// MinGW has no __try/__except, so the naming exception is caught by a vectored handler
// installed around the raise. An attached debugger sees the exception first (that is the
// point of raising it); without one, this handler resumes execution. Vectored handlers run
// for every thread, so a concurrent naming on another thread is resumed just the same.
LONG CALLBACK ContinueAfterThreadName(EXCEPTION_POINTERS* exception) {
  return exception->ExceptionRecord->ExceptionCode == kSetThreadNameException
             ? EXCEPTION_CONTINUE_EXECUTION
             : EXCEPTION_CONTINUE_SEARCH;
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

void hvOSKernel_SetThreadName(const char* name) {
  ThreadNameInfo info = {0x1000, name, GetCurrentThreadId(), 0};
  PVOID handler = AddVectoredExceptionHandler(1, ContinueAfterThreadName);
  if (!handler) return;  // raising without a handler would end the process
  RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                 reinterpret_cast<const ULONG_PTR*>(&info));
  RemoveVectoredExceptionHandler(handler);
}

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
