// hvMutex: a plain (non-recursive) mutual exclusion lock; hvCondition: an auto-reset event.
// Both may be used from any thread. Their state lives inside the object, so constructing one
// allocates nothing and cannot fail: a lock that silently stopped locking would be worse
// than any error it could report.
#ifndef HV_HVMUTEX_H
#define HV_HVMUTEX_H

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "hv/hvPlatform.h"

class HV_EXPORT hvMutex {
 public:
  hvMutex();
  ~hvMutex();
  hvMutex(const hvMutex&) = delete;
  hvMutex& operator=(const hvMutex&) = delete;

  void Lock();
  void Unlock();

 private:
  std::mutex m_mutex;
};

// A Signal ends one wait on the same object; a Signal given while nobody waits is kept and
// ends the next wait at once. Several Signals before a wait count as one.
class HV_EXPORT hvCondition {
 public:
  hvCondition();
  ~hvCondition();
  hvCondition(const hvCondition&) = delete;
  hvCondition& operator=(const hvCondition&) = delete;

  void Wait();
  // Returns true when signalled, false when the time ran out.
  bool WaitTimeout(uint32_t milliseconds);
  void Signal();

 private:
  std::mutex m_mutex;  // guards m_signalled
  std::condition_variable m_changed;
  // Keeps a Signal until one wait consumes it, so a Signal that comes before the wait is
  // not lost.
  bool m_signalled;
};

#endif
