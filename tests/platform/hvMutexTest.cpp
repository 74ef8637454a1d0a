#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "hv/hvMutex.h"

namespace {

// Long enough that a working wake-up never hits it, short enough to fail fast when broken.
const uint32_t kDeadlineMs = 10000;

TEST(hvConditionTest, SignalBeforeWaitEndsTheNextWait) {
  hvCondition condition;
  condition.Signal();
  EXPECT_TRUE(condition.WaitTimeout(kDeadlineMs));
}

TEST(hvConditionTest, SignalIsConsumedByOneWaitAndSeveralCountAsOne) {
  hvCondition condition;
  condition.Signal();
  condition.Signal();
  EXPECT_TRUE(condition.WaitTimeout(0));
  EXPECT_FALSE(condition.WaitTimeout(0));
}

TEST(hvConditionTest, WaitTimeoutWithoutSignalTimesOut) {
  hvCondition condition;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(condition.WaitTimeout(30));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
}

TEST(hvConditionTest, SignalFromAnotherThreadWakesWaiter) {
  hvCondition request, reply;
  std::atomic<int> wakes{0};
  std::thread waiter([&] {
    for (int i = 0; i < 100; ++i) {
      request.Wait();
      wakes.fetch_add(1);
      reply.Signal();
    }
  });
  for (int i = 0; i < 100; ++i) {
    request.Signal();
    ASSERT_TRUE(reply.WaitTimeout(kDeadlineMs)) << "round " << i;
  }
  waiter.join();
  EXPECT_EQ(wakes.load(), 100);
}

TEST(hvMutexTest, LockSerialisesIncrementsFromSeveralThreads) {
  hvMutex mutex;
  long counter = 0;  // plain on purpose: only the mutex protects it
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        mutex.Lock();
        ++counter;
        mutex.Unlock();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 40000);
}

}  // namespace
