#include "hulvoStreaming/hvStreamingEngine.h"

#include "engine/hvTransferAgentQuery.h"

namespace {
// The engine's priority on the 0..100 scale: the top of the above-normal band.
const uint16_t kEnginePriority = 80;
// While stopping with agents left and none bounding the sleep, passes still come this often.
const uint32_t kStoppingSleepMs = 10;
}  // namespace

hvStreamingEngine::hvStreamingEngine() : hvStoppableThread("hvStreamingEngine", 0) {}

hvStreamingEngine::~hvStreamingEngine() {}

int hvStreamingEngine::Setup() { return ThreadCreate() == 0 ? 0 : -1; }

void hvStreamingEngine::Terminate() {
  ThreadCancel();
  hvQueryManager::SignalQueryToProcess();
  m_wake.Signal();
  ThreadWaitTerminate();
  Stop();
}

void hvStreamingEngine::WakeUp() {
  // On the engine thread a new pass starts anyway; a kept signal would only cost a pass.
  if (!InThreadContext()) m_wake.Signal();
}

void hvStreamingEngine::AddTransferAgent(hvStreamingAgent* agent) {
  AddQuery(new hvTransferAgentQuery(agent, true));
}

void hvStreamingEngine::RemoveTransferAgent(hvStreamingAgent* agent) {
  AddQuery(new hvTransferAgentQuery(agent, false));
}

size_t hvStreamingEngine::GetTransferAgentCount() { return static_cast<size_t>(m_agents.size()); }

void hvStreamingEngine::SignalQueryToProcess() { m_wake.Signal(); }

uint32_t hvStreamingEngine::ShortestSleep() {
  uint32_t bound = khvStreamingAgent_NoSleepBound;
  hvListIterator<hvStreamingAgent*> it(m_agents);
  while (it.Next()) {
    uint32_t wanted = (*it)->PreProcess();
    if (wanted < bound) bound = wanted;
  }
  return bound;
}

void hvStreamingEngine::ApplyQueuedRequests() {
  while (hvQuery* query = GetQuery()) {
    auto* request = static_cast<hvTransferAgentQuery*>(query);
    if (request->add) {
      // Once stopping, new agents are refused so that the loop can run out of agents.
      if (!TestExit()) m_agents.push_back(request->agent);
    } else {
      m_agents.pop(request->agent);
      request->agent->RemovedFromStreamingEngine();
    }
    request->Done();
  }
}

void hvStreamingEngine::OnRun() {
  ThreadSetPriority(kEnginePriority);
  m_threadData = 4;
  for (;;) {
    // A stop request alone does not end the loop while agents remain. Requests queued
    // before the stop are still applied on the way out: adds are refused by now, but a
    // removal must reach its agent, which is disposed of by it.
    if (TestExit() && m_agents.size() == 0) {
      ApplyQueuedRequests();
      return;
    }
    uint32_t bound = ShortestSleep();
    if (TestExit() && bound == khvStreamingAgent_NoSleepBound) bound = kStoppingSleepMs;
    if (bound == khvStreamingAgent_NoSleepBound)
      m_wake.Wait();
    else if (bound != 0)
      m_wake.WaitTimeout(bound);
    ApplyQueuedRequests();
    hvListIterator<hvStreamingAgent*> it(m_agents);
    while (it.Next()) (*it)->Process();
  }
}
