// Wake-up latency of the streaming engine: from WakeUp() on another thread to the start of
// the next Process() of its one agent (which sets no sleep bound), beside a plain
// std::condition_variable ping-pong between two threads. Median and 99th percentile in
// microseconds. The argument is a pause before each wake: 0 wakes the other thread while it
// may still be on its way back to sleep, 200 us lets it fall asleep first.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "hulvoStreaming/hvStreamingEngine.h"
#include "hvBenchMain.h"

namespace {

using Clock = std::chrono::steady_clock;

// How the woken side tells the waker it ran; the same in both benchmarks, and not timed.
class Reply {
 public:
  void Send() {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_sent = true;
    m_changed.notify_one();
  }
  void Receive() {
    std::unique_lock<std::mutex> hold(m_mutex);
    m_changed.wait(hold, [this] { return m_sent; });
    m_sent = false;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_sent = false;
};

void Pause(int microseconds) {
  if (microseconds > 0) std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

void Report(benchmark::State& state, std::vector<double>& latencies) {
  if (latencies.empty()) return;
  std::sort(latencies.begin(), latencies.end());
  state.counters["median_us"] = latencies[latencies.size() / 2];
  state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
  // A latency: the report compares the medians, lower being better.
  state.counters["lower_is_better"] = 1;
}

double Microseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::micro>(to - from).count();
}

// Records when Process() runs after an armed wake; other passes (the add request's) are not
// counted.
class TimingAgent : public hvStreamingAgent {
 public:
  void Arm() { m_armed.store(true, std::memory_order_release); }
  Clock::time_point ProcessedAt() const { return m_processedAt; }
  Reply& Replies() { return m_reply; }
  void WaitRemoved() {
    std::unique_lock<std::mutex> hold(m_mutex);
    m_changed.wait(hold, [this] { return m_removed; });
  }

 protected:
  void Process() override {
    Clock::time_point now = Clock::now();
    if (!m_armed.exchange(false, std::memory_order_acq_rel)) return;
    m_processedAt = now;
    m_reply.Send();
  }
  // The benchmark keeps the agent on its own stack, so removal only reports back.
  void RemovedFromStreamingEngine() override {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_removed = true;
    m_changed.notify_one();
  }

 private:
  std::atomic<bool> m_armed{false};
  Clock::time_point m_processedAt;
  Reply m_reply;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_removed = false;
};

void BM_EngineWakeUp(benchmark::State& state) {
  const int pause = static_cast<int>(state.range(0));
  hvStreamingEngine engine;
  if (engine.Setup() != 0) {
    state.SkipWithError("the engine thread could not start");
    return;
  }
  TimingAgent agent;
  agent.SetStreamingEngine(&engine);
  while (engine.GetTransferAgentCount() == 0) std::this_thread::yield();
  std::vector<double> latencies;
  latencies.reserve(static_cast<size_t>(state.max_iterations));
  for (auto _ : state) {
    Pause(pause);
    agent.Arm();
    Clock::time_point woken = Clock::now();
    engine.WakeUp();
    agent.Replies().Receive();
    latencies.push_back(Microseconds(woken, agent.ProcessedAt()));
  }
  engine.RemoveTransferAgent(&agent);
  agent.WaitRemoved();
  engine.Terminate();
  Report(state, latencies);
}

void BM_ConditionVariablePingPong(benchmark::State& state) {
  const int pause = static_cast<int>(state.range(0));
  std::mutex mutex;
  std::condition_variable changed;
  bool pinged = false;
  bool stop = false;
  Clock::time_point wokenAt;
  Reply reply;
  std::thread other([&] {
    for (;;) {
      std::unique_lock<std::mutex> hold(mutex);
      changed.wait(hold, [&] { return pinged || stop; });
      Clock::time_point now = Clock::now();
      if (stop) return;
      pinged = false;
      wokenAt = now;
      hold.unlock();
      reply.Send();
    }
  });
  std::vector<double> latencies;
  latencies.reserve(static_cast<size_t>(state.max_iterations));
  for (auto _ : state) {
    Pause(pause);
    Clock::time_point woken = Clock::now();
    {
      std::lock_guard<std::mutex> hold(mutex);
      pinged = true;
      changed.notify_one();
    }
    reply.Receive();
    latencies.push_back(Microseconds(woken, wokenAt));
  }
  {
    std::lock_guard<std::mutex> hold(mutex);
    stop = true;
    changed.notify_one();
  }
  other.join();
  Report(state, latencies);
}

}  // namespace

BENCHMARK(BM_EngineWakeUp)
    ->Name("engine_wake/hulvo")
    ->Arg(0)
    ->Arg(200)
    ->Iterations(2000)
    ->UseRealTime();
BENCHMARK(BM_ConditionVariablePingPong)
    ->Name("engine_wake/cv_pingpong")
    ->Arg(0)
    ->Arg(200)
    ->Iterations(2000)
    ->UseRealTime();

int main(int argc, char** argv) { return hvBenchMain(argc, argv); }
