#include "hv/hvMutex.h"

#include <chrono>

hvMutex::hvMutex() {}
hvMutex::~hvMutex() {}

void hvMutex::Lock() { m_mutex.lock(); }

void hvMutex::Unlock() { m_mutex.unlock(); }

hvCondition::hvCondition() : m_signalled(false) {}
hvCondition::~hvCondition() {}

void hvCondition::Wait() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return m_signalled; });
  m_signalled = false;
}

bool hvCondition::WaitTimeout(uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                          [this] { return m_signalled; }))
    return false;
  m_signalled = false;
  return true;
}

void hvCondition::Signal() {
  // Notified under the lock: a woken waiter may destroy the object as soon as it returns.
  std::lock_guard<std::mutex> lock(m_mutex);
  m_signalled = true;
  m_changed.notify_one();
}
