#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "hulvoStreaming/hvOSThread.h"

namespace {

class hvOSMutexTest : public testing::Test {
 protected:
  hvOSMutexTest() : m_mutex(hvOSMutex_Create()) {}
  ~hvOSMutexTest() override { hvOSMutex_Destroy(m_mutex); }

  int IsOwnerOnAnotherThread() {
    int owner = -1;
    std::thread([&] { owner = hvOSMutex_IsOwner(m_mutex); }).join();
    return owner;
  }

  hvOSMutex* m_mutex;
};

TEST_F(hvOSMutexTest, OwnerIsTheLockingThreadOnly) {
  ASSERT_NE(m_mutex, nullptr);
  EXPECT_EQ(hvOSMutex_IsOwner(m_mutex), 0);
  EXPECT_EQ(hvOSMutex_Lock(m_mutex), 0);
  EXPECT_EQ(hvOSMutex_IsOwner(m_mutex), 1);
  EXPECT_EQ(IsOwnerOnAnotherThread(), 0);
  EXPECT_EQ(hvOSMutex_Unlock(m_mutex), 0);
  EXPECT_EQ(hvOSMutex_IsOwner(m_mutex), 0);
}

TEST_F(hvOSMutexTest, NestedLockHoldsUntilLastUnlockButFirstUnlockClearsOwner) {
  hvOSMutex_Lock(m_mutex);
  hvOSMutex_Lock(m_mutex);
  EXPECT_EQ(hvOSMutex_IsOwner(m_mutex), 1);
  hvOSMutex_Unlock(m_mutex);
  EXPECT_EQ(hvOSMutex_IsOwner(m_mutex), 0);

  // Still held once: another thread gets in only after the second unlock.
  std::atomic<bool> entered{false};
  std::thread other([&] {
    hvOSMutex_Lock(m_mutex);
    entered = true;
    hvOSMutex_Unlock(m_mutex);
  });
  // The layer has no try-lock: give the other thread the time it would need to get in.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(entered);
  hvOSMutex_Unlock(m_mutex);
  other.join();
  EXPECT_TRUE(entered);
}

TEST_F(hvOSMutexTest, ExcludesOtherThreads) {
  const int kThreads = 4, kRounds = 20000;
  long counter = 0;  // guarded by the mutex only
  std::atomic<int> ownedWhileHeld{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        hvOSMutex_Lock(m_mutex);
        ++counter;
        ownedWhileHeld += hvOSMutex_IsOwner(m_mutex);
        hvOSMutex_Unlock(m_mutex);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, long{kThreads} * kRounds);
  EXPECT_EQ(ownedWhileHeld, kThreads * kRounds);
}

TEST(hvOSMutex, DestroyAcceptsNull) { hvOSMutex_Destroy(nullptr); }

}  // namespace
