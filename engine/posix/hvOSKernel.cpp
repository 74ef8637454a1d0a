// POSIX kernel calls of the OS layer. pthreads have no suspended creation, so a new thread
// waits at a start gate until it is resumed; the suspend count of the gate answers resume
// as ResumeThread does.
#include "engine/hvOSKernel.h"

#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

static_assert(sizeof(pthread_mutex_t) <= sizeof(hvOSKernelLock::storage) &&
                  alignof(pthread_mutex_t) <= alignof(hvOSKernelLock),
              "a pthread mutex must fit in hvOSKernelLock");

namespace {

thread_local long t_lastError = 0;

bool Fail(int error) {
  t_lastError = error;
  return false;
}

pthread_mutex_t* Mutex(hvOSKernelLock* lock) {
  return reinterpret_cast<pthread_mutex_t*>(lock->storage);
}

}  // namespace

// Shared by the owner's handle and the running thread; whichever lets go last frees it, so
// a detached thread may close its own handle and still return through it.
struct hvOSKernelThread {
  pthread_t thread;
  pthread_mutex_t gateLock;
  pthread_cond_t gateOpened;
  int suspendCount;  // 1 until resumed; guarded by gateLock
  bool cancelled;    // closed before it was resumed: the routine never runs
  bool waited;       // joined, so there is nothing left to detach (owner only)
  void (*routine)(void*);
  void* argument;
  std::atomic<int> references;
};

namespace {

void Release(hvOSKernelThread* thread) {
  if (thread->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  pthread_cond_destroy(&thread->gateOpened);
  pthread_mutex_destroy(&thread->gateLock);
  delete thread;
}

void* ThreadMain(void* parameter) {
  hvOSKernelThread* thread = static_cast<hvOSKernelThread*>(parameter);
  pthread_mutex_lock(&thread->gateLock);
  while (thread->suspendCount > 0 && !thread->cancelled) {
    pthread_cond_wait(&thread->gateOpened, &thread->gateLock);
  }
  const bool run = !thread->cancelled;
  pthread_mutex_unlock(&thread->gateLock);
  if (run) thread->routine(thread->argument);
  Release(thread);
  return nullptr;
}

size_t MinimumStack() {
  const long minimum = sysconf(_SC_THREAD_STACK_MIN);
  return minimum > 0 ? static_cast<size_t>(minimum) : static_cast<size_t>(PTHREAD_STACK_MIN);
}

}  // namespace

long hvOSKernel_LastError() { return t_lastError; }

hvOSKernelThread* hvOSKernel_CreateThread(uint64_t stackReservation, void (*routine)(void*),
                                          void* argument) {
  hvOSKernelThread* thread = new (std::nothrow) hvOSKernelThread;
  if (!thread) {
    Fail(ENOMEM);
    return nullptr;
  }
  thread->suspendCount = 1;
  thread->cancelled = false;
  thread->waited = false;
  thread->routine = routine;
  thread->argument = argument;
  thread->references.store(2, std::memory_order_relaxed);
  pthread_mutex_init(&thread->gateLock, nullptr);
  pthread_cond_init(&thread->gateOpened, nullptr);

  pthread_attr_t attributes;
  int error = pthread_attr_init(&attributes);
  const bool haveAttributes = error == 0;
  if (error == 0 && stackReservation != 0) {
    // The system refuses stacks below its minimum; a reservation is a lower bound anyway.
    // glibc also places the thread's static TLS inside this size, which matters only for
    // TLS-heavy runtimes such as ThreadSanitizer's.
    const uint64_t size = stackReservation < MinimumStack() ? MinimumStack() : stackReservation;
    error = size > SIZE_MAX ? EINVAL
                            : pthread_attr_setstacksize(&attributes, static_cast<size_t>(size));
  }
  if (error == 0) error = pthread_create(&thread->thread, &attributes, ThreadMain, thread);
  if (haveAttributes) pthread_attr_destroy(&attributes);
  if (error != 0) {
    thread->references.store(1, std::memory_order_relaxed);
    Release(thread);
    Fail(error);
    return nullptr;
  }
  return thread;
}

long hvOSKernel_ResumeThread(hvOSKernelThread* thread) {
  pthread_mutex_lock(&thread->gateLock);
  const long previous = thread->suspendCount;
  if (thread->suspendCount > 0 && --thread->suspendCount == 0) {
    pthread_cond_signal(&thread->gateOpened);
  }
  pthread_mutex_unlock(&thread->gateLock);
  return previous;
}

long hvOSKernel_WaitThread(hvOSKernelThread* thread) {
  const int error = pthread_join(thread->thread, nullptr);
  if (error != 0) {
    Fail(error);
    return -1;
  }
  thread->waited = true;
  return 0;
}

bool hvOSKernel_CloseThread(hvOSKernelThread* thread) {
  pthread_mutex_lock(&thread->gateLock);
  if (thread->suspendCount > 0) {
    thread->cancelled = true;
    pthread_cond_signal(&thread->gateOpened);
  }
  pthread_mutex_unlock(&thread->gateLock);
  const int error = thread->waited ? 0 : pthread_detach(thread->thread);
  Release(thread);
  return error == 0 || Fail(error);
}

bool hvOSKernel_SetThreadPriority(hvOSKernelThread*, int) {
  // Under the default time-sharing policy an unprivileged process can lower a thread's
  // priority but never raise it again, so the Windows bands have no faithful mapping. The
  // priority stays advisory and is reported as set.
  return true;
}

void hvOSKernel_Sleep(int milliseconds) {
  timespec remaining = {milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

uint32_t hvOSKernel_ProcessId() { return static_cast<uint32_t>(getpid()); }

uint32_t hvOSKernel_ThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

bool hvOSKernel_InitLock(hvOSKernelLock* lock) {
  pthread_mutexattr_t attributes;
  int error = pthread_mutexattr_init(&attributes);
  if (error != 0) return Fail(error);
  error = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  if (error == 0) error = pthread_mutex_init(Mutex(lock), &attributes);
  pthread_mutexattr_destroy(&attributes);
  return error == 0 || Fail(error);
}

void hvOSKernel_DestroyLock(hvOSKernelLock* lock) { pthread_mutex_destroy(Mutex(lock)); }

void hvOSKernel_Lock(hvOSKernelLock* lock) { pthread_mutex_lock(Mutex(lock)); }

void hvOSKernel_Unlock(hvOSKernelLock* lock) { pthread_mutex_unlock(Mutex(lock)); }

void hvOSKernel_DebugOutput(const char16_t* text) {
  // No debugger channel here: standard error, in UTF-8. The layer's text holds one
  // character per original byte (below 0x100), so two bytes per character are enough.
  char line[2 * 256 + 1];
  size_t length = 0;
  for (; *text && length + 2 < sizeof(line); ++text) {
    if (*text < 0x80) {
      line[length++] = static_cast<char>(*text);
    } else if (*text >= 0x800) {
      line[length++] = '?';
    } else {
      line[length++] = static_cast<char>(0xC0 | (*text >> 6));
      line[length++] = static_cast<char>(0x80 | (*text & 0x3F));
    }
  }
  fwrite(line, 1, length, stderr);
  fflush(stderr);
}

bool hvOSKernel_DebuggerPresent() {
  // A tracer (gdb, strace) shows up as a non-zero TracerPid.
  FILE* status = fopen("/proc/self/status", "r");
  if (!status) return false;
  char line[256];
  long tracer = 0;
  while (fgets(line, sizeof(line), status)) {
    if (strncmp(line, "TracerPid:", 10) == 0) {
      tracer = strtol(line + 10, nullptr, 10);
      break;
    }
  }
  fclose(status);
  return tracer != 0;
}

void hvOSKernel_DebugBreak() { raise(SIGTRAP); }
