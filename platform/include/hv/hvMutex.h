// hvMutex: a plain (non-recursive) mutual exclusion lock; hvCondition: an auto-reset event.
// Both may be used from any thread.
#ifndef HV_HVMUTEX_H
#define HV_HVMUTEX_H

#include <cstdint>

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
  struct Impl;
  Impl* m_impl;
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
  struct Impl;
  Impl* m_impl;
};

#endif
