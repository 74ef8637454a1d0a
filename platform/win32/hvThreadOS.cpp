#include "../hvThreadOS.h"

#include <windows.h>

namespace {

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

void hvThreadOS_NameCurrent(const char* name) {
  ThreadNameInfo info = {0x1000, name, GetCurrentThreadId(), 0};
  PVOID handler = AddVectoredExceptionHandler(1, ContinueAfterThreadName);
  if (!handler) return;  // raising without a handler would end the process
  RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                 reinterpret_cast<const ULONG_PTR*>(&info));
  RemoveVectoredExceptionHandler(handler);
}
