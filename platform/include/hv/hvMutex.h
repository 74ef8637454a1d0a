// hvMutex: a plain (non-recursive) mutual exclusion lock; hvCondition: an auto-reset event.
// Both may be used from any thread. Their state lives inside the object, so constructing one
// allocates nothing and cannot fail: a lock that silently stopped locking would be worse
// than any error it could report.
//
// Both spin a little before they put a thread to sleep, when the machine has more than one
// processor: the library's locks are held for a few dozen instructions, and a producer and a
// consumer streaming through a ring usually wake each other within microseconds, far sooner
// than a sleep and a wake-up cost. A condition whose signals keep coming late spins less.
#ifndef HV_HVMUTEX_H
#define HV_HVMUTEX_H

#include <atomic>
#include <chrono>
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
  // Consumes a kept Signal, if there is one.
  bool TakeSignal();
  // Sleeps in m_changed until a Signal comes or `deadline` passes (null: no deadline).
  bool Sleep(const std::chrono::steady_clock::time_point* deadline);

  std::mutex m_mutex;  // held by a Signal that wakes a sleeper, and by the sleepers
  std::condition_variable m_changed;
  // Bit 0 keeps a Signal until one wait consumes it, so a Signal that comes before the wait
  // is not lost; the bits above count the threads that sleep, or are about to, in
  // m_changed. One word, so a Signal that finds no sleeper can keep itself without the lock
  // and without touching the object afterwards (a woken waiter may destroy it at once).
  std::atomic<uint32_t> m_state;
  // How long a wait looks for a signal before it sleeps; adapts to how soon signals come.
  std::atomic<uint32_t> m_spinMicroseconds;
};

#endif
