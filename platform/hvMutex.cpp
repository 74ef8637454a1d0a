#include "hv/hvMutex.h"

#include <algorithm>
#include <chrono>
#include <thread>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <immintrin.h>
#define HV_CPU_RELAX() _mm_pause()
#else
#define HV_CPU_RELAX() std::this_thread::yield()
#endif

namespace {

using Clock = std::chrono::steady_clock;

const uint32_t kSignalled = 1;
const uint32_t kSleeper = 2;

// A condition's spin: at most about what putting a thread to sleep and waking it costs
// (spinning longer can only lose), at least a few microseconds, which even a waiter whose
// signals come late loses little to and a burst of quick signals gains from.
const uint32_t kMaxSpinMicroseconds = 20;
const uint32_t kMinSpinMicroseconds = 4;
const auto kMaxConditionSpin = std::chrono::microseconds(kMaxSpinMicroseconds);
// The library's critical sections are a few dozen instructions: a holder that has not let go
// after this many pauses is not about to.
const int kLockSpins = 100;

bool MayAnotherThreadRun() {
  static const bool several = std::thread::hardware_concurrency() > 1;
  return several;
}

}  // namespace

hvMutex::hvMutex() {}
hvMutex::~hvMutex() {}

void hvMutex::Lock() {
  if (m_mutex.try_lock()) return;
  if (MayAnotherThreadRun()) {
    for (int spin = 0; spin < kLockSpins; ++spin) {
      HV_CPU_RELAX();
      if (m_mutex.try_lock()) return;
    }
  }
  m_mutex.lock();
}

void hvMutex::Unlock() { m_mutex.unlock(); }

hvCondition::hvCondition() : m_state(0), m_spinMicroseconds(kMaxSpinMicroseconds) {}
hvCondition::~hvCondition() {}

bool hvCondition::TakeSignal() {
  uint32_t state = m_state.load(std::memory_order_relaxed);
  while (state & kSignalled) {
    if (m_state.compare_exchange_weak(state, state & ~kSignalled, std::memory_order_acquire,
                                      std::memory_order_relaxed))
      return true;
  }
  return false;
}

bool hvCondition::Sleep(const Clock::time_point* deadline) {
  const Clock::time_point start = Clock::now();
  const uint32_t budget = m_spinMicroseconds.load(std::memory_order_relaxed);
  if (MayAnotherThreadRun()) {
    Clock::time_point spinEnd = start + std::chrono::microseconds(budget);
    if (deadline && *deadline < spinEnd) spinEnd = *deadline;
    for (int spin = 1;; ++spin) {
      if (TakeSignal()) return true;
      HV_CPU_RELAX();
      // The clock is read now and then only; a pause is far shorter than a read.
      if (spin % 32 == 0 && Clock::now() >= spinEnd) break;
    }
  }
  std::unique_lock<std::mutex> lock(m_mutex);
  // Registered in the same word the Signal looks at, so a Signal either sees this sleeper
  // (and wakes it under the lock) or was kept before it (and the wait below finds it).
  m_state.fetch_add(kSleeper, std::memory_order_relaxed);
  bool signalled;
  if (deadline)
    signalled = m_changed.wait_until(lock, *deadline, [this] { return TakeSignal(); });
  else
    signalled = (m_changed.wait(lock, [this] { return TakeSignal(); }), true);
  m_state.fetch_sub(kSleeper, std::memory_order_relaxed);
  lock.unlock();
  // A signal that came within the longest spin would have been cheaper to spin for: spin
  // longer next time. One that took longer (its sender was not running, or had nothing to
  // say yet) halves the spin, so on a busy machine a waiter stops burning the processor its
  // sender needs.
  const bool soon = signalled && Clock::now() - start <= kMaxConditionSpin;
  const uint32_t next = soon ? 2 * budget : budget / 2;
  m_spinMicroseconds.store(std::min(kMaxSpinMicroseconds, std::max(kMinSpinMicroseconds, next)),
                           std::memory_order_relaxed);
  return signalled;
}

void hvCondition::Wait() { Sleep(nullptr); }

bool hvCondition::WaitTimeout(uint32_t milliseconds) {
  if (TakeSignal()) return true;
  if (milliseconds == 0) return false;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  return Sleep(&deadline);
}

void hvCondition::Signal() {
  uint32_t state = m_state.load(std::memory_order_relaxed);
  while (state < kSleeper) {
    // Nobody sleeps: keep the signal. This exchange is the last touch of the object.
    if (m_state.compare_exchange_weak(state, state | kSignalled, std::memory_order_release,
                                      std::memory_order_relaxed))
      return;
  }
  // Notified under the lock: a woken sleeper needs it to return, so it cannot destroy the
  // object before this call is done with it.
  std::lock_guard<std::mutex> lock(m_mutex);
  m_state.fetch_or(kSignalled, std::memory_order_release);
  m_changed.notify_one();
}
