#include "hv/hvMutex.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct hvMutex::Impl {
  std::mutex mutex;
};

// Nothing throws: a failed allocation leaves a null Impl, and every verb on it does nothing.
hvMutex::hvMutex() : m_impl(new (std::nothrow) Impl) {}
hvMutex::~hvMutex() { delete m_impl; }

void hvMutex::Lock() {
  if (m_impl) m_impl->mutex.lock();
}

void hvMutex::Unlock() {
  if (m_impl) m_impl->mutex.unlock();
}

// An auto-reset event: `signalled` keeps a Signal until one wait consumes it, so a Signal
// that comes before the wait is not lost.
struct hvCondition::Impl {
  std::mutex mutex;
  std::condition_variable changed;
  bool signalled = false;
};

hvCondition::hvCondition() : m_impl(new (std::nothrow) Impl) {}
hvCondition::~hvCondition() { delete m_impl; }

void hvCondition::Wait() {
  if (!m_impl) return;
  std::unique_lock<std::mutex> lock(m_impl->mutex);
  m_impl->changed.wait(lock, [this] { return m_impl->signalled; });
  m_impl->signalled = false;
}

bool hvCondition::WaitTimeout(uint32_t milliseconds) {
  if (!m_impl) return false;
  std::unique_lock<std::mutex> lock(m_impl->mutex);
  if (!m_impl->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [this] { return m_impl->signalled; }))
    return false;
  m_impl->signalled = false;
  return true;
}

void hvCondition::Signal() {
  if (!m_impl) return;
  // Notified under the lock: a woken waiter may destroy the object as soon as it returns.
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->signalled = true;
  m_impl->changed.notify_one();
}
