#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "hv/hvMutex.h"
#include "hv/hvStoppableThread.h"

namespace {

const uint32_t kDeadlineMs = 10000;

// Runs until cancelled, reporting what it saw from inside the thread. Stops its own thread
// before its members go away, as every owner must.
class Worker : public hvStoppableThread {
 public:
  explicit Worker(bool loopUntilCancelled = true)
      : hvStoppableThread("hvTestWorker", 3), m_loop(loopUntilCancelled) {}
  ~Worker() override {
    ThreadCancel();
    ThreadWaitTerminate();
  }

  bool WaitStarted() { return m_started.WaitTimeout(kDeadlineMs); }
  int32_t ThreadData() const { return m_threadData; }

  std::atomic<bool> insideSawContext{false};
  std::atomic<bool> returned{false};
  std::atomic<int> runs{0};

 protected:
  void OnRun() override {
    m_threadData = 4;
    insideSawContext.store(InThreadContext());
    ThreadWaitTerminate();  // on the thread itself: must return, not deadlock
    runs.fetch_add(1);
    m_started.Signal();
    while (m_loop && !TestExit()) ThreadSleep(1);
    returned.store(true);
  }

 private:
  bool m_loop;
  hvCondition m_started;
};

TEST(hvStoppableThreadTest, RunsUntilCancelledAndWaitReturnsAfterOnRun) {
  Worker worker;
  EXPECT_EQ(worker.ThreadCreate(), 0);
  ASSERT_TRUE(worker.WaitStarted());
  EXPECT_TRUE(worker.IsRunning());
  EXPECT_FALSE(worker.TestExit());
  worker.ThreadCancel();
  EXPECT_TRUE(worker.TestExit());
  worker.ThreadWaitTerminate();
  EXPECT_TRUE(worker.returned.load());
  EXPECT_FALSE(worker.IsRunning());
  worker.ThreadWaitTerminate();  // a second wait is harmless
}

TEST(hvStoppableThreadTest, InThreadContextOnlyOnTheThreadItself) {
  Worker worker(false);
  EXPECT_FALSE(worker.InThreadContext());
  ASSERT_EQ(worker.ThreadCreate(), 0);
  ASSERT_TRUE(worker.WaitStarted());
  EXPECT_FALSE(worker.InThreadContext());
  worker.ThreadWaitTerminate();
  EXPECT_TRUE(worker.insideSawContext.load());
  EXPECT_EQ(worker.ThreadData(), 4);
}

TEST(hvStoppableThreadTest, SecondStartWhileRunningIsRefused) {
  Worker worker;
  ASSERT_EQ(worker.ThreadCreate(), 0);
  ASSERT_TRUE(worker.WaitStarted());
  EXPECT_EQ(worker.ThreadCreate(), -1);
  worker.ThreadCancel();
  worker.ThreadWaitTerminate();
  EXPECT_EQ(worker.runs.load(), 1);
}

TEST(hvStoppableThreadTest, FinishedThreadCanBeStartedAgainWithoutWaiting) {
  Worker worker(false);
  ASSERT_EQ(worker.Go(9), 0);
  ASSERT_TRUE(worker.WaitStarted());
  EXPECT_EQ(worker.GetParameter(), 9);
  // The first run may still be finishing; ThreadCreate refuses until it has.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
  while (worker.ThreadCreate() != 0 && std::chrono::steady_clock::now() < deadline)
    hvStoppableThread::ThreadSleep(1);
  ASSERT_TRUE(worker.WaitStarted());
  worker.ThreadWaitTerminate();
  EXPECT_EQ(worker.runs.load(), 2);
}

TEST(hvStoppableThreadTest, NeverStartedThreadNeedsNoStop) {
  Worker worker;
  worker.ThreadWaitTerminate();
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_STREQ(worker.GetName(), "hvTestWorker");
  EXPECT_EQ(worker.GetParameter(), 3);
  EXPECT_EQ(worker.ThreadSetPriority(80), 0);
  EXPECT_EQ(worker.GetPriority(), 80);
}

// A thread that ended by itself but was never waited for used to abort the process when its
// object was destroyed (a joinable std::thread).
TEST(hvStoppableThreadTest, DestroyingFinishedButUnwaitedThreadIsSafe) {
  struct Quick : hvStoppableThread {
    Quick() : hvStoppableThread(nullptr, 0) {}
    void OnRun() override { done.Signal(); }
    hvCondition done;
  };
  auto* quick = new Quick;
  ASSERT_EQ(quick->ThreadCreate(), 0);
  ASSERT_TRUE(quick->done.WaitTimeout(kDeadlineMs));
  delete quick;
}

TEST(hvStoppableThreadTest, OnRunMayDestroyItsOwnObject) {
  struct SelfDeleting : hvStoppableThread {
    explicit SelfDeleting(hvCondition* gone) : hvStoppableThread("self", 0), m_gone(gone) {}
    void OnRun() override {
      hvCondition* gone = m_gone;
      delete this;
      gone->Signal();
    }
    hvCondition* m_gone;
  };
  hvCondition gone;
  auto* thread = new SelfDeleting(&gone);
  ASSERT_EQ(thread->ThreadCreate(), 0);
  EXPECT_TRUE(gone.WaitTimeout(kDeadlineMs));
}

TEST(hvStoppableThreadTest, SleepLastsAtLeastTheTimeAsked) {
  auto start = std::chrono::steady_clock::now();
  hvStoppableThread::ThreadSleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19));
}

}  // namespace
