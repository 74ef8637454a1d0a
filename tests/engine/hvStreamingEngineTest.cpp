// hvStreamingEngine with real threads: sleep bounds, wake-ups, add and remove requests from
// several threads, and the stop sequence. Waits have deadlines; nothing relies on a lucky
// schedule, and timing checks leave wide margins.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hulvoStreaming/hvStreamingEngine.h"
#include "hvTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;
const auto kDeadline = std::chrono::seconds(10);

// An agent the test owns: it records what the engine does to it and lets the test wait for it.
class ProbeAgent : public hvStreamingAgent {
 public:
  explicit ProbeAgent(uint32_t bound = khvStreamingAgent_NoSleepBound) : m_bound(bound) {}
  ~ProbeAgent() override {}

  std::function<void()> onProcess;

  int Processes() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_processes;
  }
  int Removals() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_removals;
  }
  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
  }
  bool WaitForProcesses(int count) {
    return WaitFor([&] { return m_processes >= count; });
  }
  bool WaitForRemoval() {
    return WaitFor([&] { return m_removals > 0; });
  }

 protected:
  uint32_t PreProcess() override {
    Note("pre");
    return m_bound;
  }
  void Process() override {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      ++m_processes;
    }
    Note("process");
    if (onProcess) onProcess();
  }
  // The test owns the agent, so removal only records itself.
  void RemovedFromStreamingEngine() override {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_removals;
    m_changed.notify_all();
  }

 private:
  void Note(const char* event) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_events.size() < 16) m_events.push_back(event);
    m_changed.notify_all();
  }
  template <typename Condition>
  bool WaitFor(Condition condition) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, kDeadline, condition);
  }

  const uint32_t m_bound;
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  int m_processes = 0;
  int m_removals = 0;
  std::vector<std::string> m_events;
};

class StreamingEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(engine.Setup(), 0); }
  void TearDown() override { engine.Terminate(); }
  // Registers the agent and waits until it has run once.
  void Attach(ProbeAgent& agent) {
    agent.SetStreamingEngine(&engine);
    ASSERT_TRUE(agent.WaitForProcesses(1));
  }
  void Detach(ProbeAgent& agent) {
    engine.RemoveTransferAgent(&agent);
    ASSERT_TRUE(agent.WaitForRemoval());
  }
  hvStreamingEngine engine;
};

TEST_F(StreamingEngineTest, AddedAgentRunsInThePassThatAddsIt) {
  ProbeAgent agent;
  Attach(agent);
  // The request is applied after the pass's PreProcess round, so Process comes first.
  EXPECT_EQ(agent.Events().front(), "process");
  EXPECT_EQ(engine.GetTransferAgentCount(), 1u);
  Detach(agent);
  EXPECT_EQ(engine.GetTransferAgentCount(), 0u);
}

TEST_F(StreamingEngineTest, ShortestBoundWins) {
  ProbeAgent slow(5000), fast(20);
  Attach(slow);
  Attach(fast);
  int start = fast.Processes();
  auto began = Clock::now();
  ASSERT_TRUE(fast.WaitForProcesses(start + 5));
  // Five passes at 20 ms; had the engine taken the 5 s bound, this would take 25 s.
  EXPECT_LT(Clock::now() - began, std::chrono::milliseconds(4000));
  EXPECT_GE(slow.Processes(), start + 5 - 1);  // every agent runs on every pass
  Detach(slow);
  Detach(fast);
}

TEST_F(StreamingEngineTest, ZeroBoundRunsPassesBackToBack) {
  ProbeAgent busy(0);
  Attach(busy);
  EXPECT_TRUE(busy.WaitForProcesses(500));
  Detach(busy);
}

TEST_F(StreamingEngineTest, UnboundedEngineSleepsUntilWokenUp) {
  ProbeAgent idle;
  Attach(idle);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // room for a wrong extra pass
  EXPECT_EQ(idle.Processes(), 1);
  engine.WakeUp();
  EXPECT_TRUE(idle.WaitForProcesses(2));
  idle.WakeUp();  // through the agent
  EXPECT_TRUE(idle.WaitForProcesses(3));
  Detach(idle);
}

TEST_F(StreamingEngineTest, WakeUpFromInsideProcessHasNoEffect) {
  ProbeAgent self;
  self.onProcess = [&] { self.WakeUp(); };
  Attach(self);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(self.Processes(), 1);
  Detach(self);
}

TEST_F(StreamingEngineTest, WakeUpWhileEngineIsBusyEndsItsNextWait) {
  ProbeAgent first;
  std::atomic<bool> woke{false};
  // The wake signal arrives while the engine thread runs Process, not while it waits.
  first.onProcess = [&] {
    if (!woke.exchange(true)) {
      std::thread other([&] { engine.WakeUp(); });
      other.join();
    }
  };
  Attach(first);
  EXPECT_TRUE(first.WaitForProcesses(2));
  Detach(first);
}

TEST_F(StreamingEngineTest, RemovingUnknownAgentStillTellsIt) {
  ProbeAgent stranger;
  engine.RemoveTransferAgent(&stranger);
  EXPECT_TRUE(stranger.WaitForRemoval());
  EXPECT_EQ(stranger.Processes(), 0);
}

TEST_F(StreamingEngineTest, AddAndRemoveFromSeveralThreadsAtOnce) {
  const int kThreads = 4, kPerThread = 25;
  hvSoak soak("engine add/remove from 4 threads");
  while (soak.Again()) {
    std::vector<std::unique_ptr<ProbeAgent>> agents;
    for (int i = 0; i < kThreads * kPerThread; ++i) agents.emplace_back(new ProbeAgent);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int i = 0; i < kPerThread; ++i)
          agents[t * kPerThread + i]->SetStreamingEngine(&engine);
        for (int i = 0; i < kPerThread; ++i) {
          engine.GetTransferAgentCount();  // read while the engine thread edits the list
          engine.RemoveTransferAgent(agents[t * kPerThread + i].get());
        }
      });
    }
    for (auto& thread : threads) thread.join();
    for (auto& agent : agents) {
      ASSERT_TRUE(agent->WaitForRemoval());
      EXPECT_EQ(agent->Removals(), 1);
    }
    EXPECT_EQ(engine.GetTransferAgentCount(), 0u);
    soak.Count(2 * kThreads * kPerThread);
  }
}

TEST(StreamingEngineStop, TerminateWithoutAgentsReturns) {
  hvStreamingEngine engine;
  ASSERT_EQ(engine.Setup(), 0);
  engine.Terminate();
}

TEST(StreamingEngineStop, TerminateBeforeSetupReturns) {
  hvStreamingEngine engine;
  engine.Terminate();
}

TEST(StreamingEngineStop, TerminateWaitsForAgentsAndRefusesNewOnes) {
  hvStreamingEngine engine;
  ASSERT_EQ(engine.Setup(), 0);
  ProbeAgent staying, late;
  staying.SetStreamingEngine(&engine);
  ASSERT_TRUE(staying.WaitForProcesses(1));

  std::atomic<bool> terminated{false};
  std::thread stopper([&] {
    engine.Terminate();
    terminated = true;
  });
  // Passes go on every 10 ms or so while the engine waits for its last agent.
  int before = staying.Processes();
  ASSERT_TRUE(staying.WaitForProcesses(before + 5));
  EXPECT_FALSE(terminated.load());

  late.SetStreamingEngine(&engine);
  ASSERT_TRUE(staying.WaitForProcesses(staying.Processes() + 3));
  EXPECT_EQ(late.Processes(), 0);

  engine.RemoveTransferAgent(&staying);
  stopper.join();
  EXPECT_TRUE(terminated.load());
  EXPECT_EQ(staying.Removals(), 1);
  EXPECT_EQ(late.Processes(), 0);
  EXPECT_EQ(late.Removals(), 0);
}

// An agent disposed of by the default RemovedFromStreamingEngine(); counts its disposals.
// Disposals on the test's own thread are counted apart: the engine thread should do them.
class CountedAgent : public hvStreamingAgent {
 public:
  static std::atomic<int> disposed, disposedOnTestThread;
  static void Reset() {
    disposed = disposedOnTestThread = 0;
    testThread = std::this_thread::get_id();
  }

 protected:
  ~CountedAgent() override {
    disposed.fetch_add(1);
    if (std::this_thread::get_id() == testThread) disposedOnTestThread.fetch_add(1);
  }
  void Process() override {}

 private:
  static std::thread::id testThread;
};
std::atomic<int> CountedAgent::disposed{0}, CountedAgent::disposedOnTestThread{0};
std::thread::id CountedAgent::testThread;

// Used to leak every agent whose removal was still queued when the engine thread, stopping,
// found its list empty: the queue was dropped with the request inside.
TEST(StreamingEngineStop, AgentsRemovedJustBeforeTerminateAreDisposed) {
  const int kCycles = 500;
  hvSoak soak("engine setup/add/remove/wake/terminate");
  while (soak.Again()) {
    CountedAgent::Reset();
    for (int i = 0; i < kCycles; ++i) {
      hvStreamingEngine engine;
      ASSERT_EQ(engine.Setup(), 0);
      hvStreamingAgent* agent = new CountedAgent;
      agent->SetStreamingEngine(&engine);
      engine.RemoveTransferAgent(agent);
      if (i % 2) engine.WakeUp();  // vary where the thread is when the stop comes
      engine.Terminate();
    }
    EXPECT_EQ(CountedAgent::disposed.load(), kCycles);
    EXPECT_EQ(CountedAgent::disposedOnTestThread.load(), 0);
    soak.Count(kCycles);
  }
}

// With no engine thread to apply them, removals are applied where they are dropped.
TEST(StreamingEngineStop, RemovalsOutsideARunningEngineStillReachTheirAgents) {
  CountedAgent::Reset();
  {
    hvStreamingEngine neverStarted;
    hvStreamingAgent* queued = new CountedAgent;
    neverStarted.RemoveTransferAgent(queued);
    neverStarted.Terminate();
  }
  hvStreamingEngine ended;
  ASSERT_EQ(ended.Setup(), 0);
  ended.Terminate();
  ended.RemoveTransferAgent(new CountedAgent);  // refused by the stopped queue
  EXPECT_EQ(CountedAgent::disposed.load(), 2);
}

TEST(StreamingEngineStop, RequestsBeforeSetupApplyOnceRunning) {
  hvStreamingEngine engine;
  ProbeAgent early;
  early.SetStreamingEngine(&engine);
  ASSERT_EQ(engine.Setup(), 0);
  EXPECT_TRUE(early.WaitForProcesses(1));
  engine.RemoveTransferAgent(&early);
  EXPECT_TRUE(early.WaitForRemoval());
  engine.Terminate();
}

}  // namespace
