// The streaming engine: one background thread that runs the application's transfer agents
// over and over. Agents are handed to the engine thread and taken from it through its query
// queue, so only that thread edits the agent list; AddTransferAgent, RemoveTransferAgent,
// WakeUp, GetTransferAgentCount and Terminate may be called from any thread.
#ifndef HULVOSTREAMING_HVSTREAMINGENGINE_H
#define HULVOSTREAMING_HVSTREAMINGENGINE_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvStream.h"
#include "hv/hvBaseList.h"
#include "hv/hvMutex.h"
#include "hv/hvPlatform.h"
#include "hv/hvQuery.h"
#include "hv/hvStoppableThread.h"

class hvStreamingEngine;

// The bound of hvStreamingAgent::PreProcess() that sets no limit on the engine's sleep.
constexpr uint32_t khvStreamingAgent_NoSleepBound = 0xFFFFFFFFu;

// One unit of transfer work, derived by the application. Agents live on the heap; once
// registered, an agent is disposed of by its own RemovedFromStreamingEngine() after the
// engine has dropped it (by default that deletes it). PreProcess, Process and
// RemovedFromStreamingEngine run only on the engine thread, one agent at a time.
class HV_EXPORT hvStreamingAgent {
 public:
  hvStreamingAgent();
  hvStreamingAgent(const hvStreamingAgent& other);
  hvStreamingAgent& operator=(const hvStreamingAgent& other);

  // Stores the engine and queues this agent for it. Register an agent once; not null.
  void SetStreamingEngine(hvStreamingEngine* engine);
  // Cuts the engine's sleep short; logs when no engine is set.
  void WakeUp();

  hvStreamingEngine* GetStreamingEngine() const;
  // The outcome given to TransferTerminated, readable from any thread.
  hvStreamingStatus GetStatus() const;
  bool IsTerminated() const;

 protected:
  virtual ~hvStreamingAgent();
  // Called on the engine thread once the engine has handled this agent's removal.
  // The default deletes the agent; an override that keeps it takes over its disposal.
  virtual void RemovedFromStreamingEngine();
  // Called at the start of every pass: how long (ms) the engine may sleep before the next
  // Process(). khvStreamingAgent_NoSleepBound (the default) sets no bound; 0 forbids sleeping.
  virtual uint32_t PreProcess();
  // The transfer step, once per pass after the sleep.
  virtual void Process() = 0;
  // Records the outcome; the agent keeps running until its removal is requested.
  void TransferTerminated(hvStreamingStatus status);

 private:
  friend class hvStreamingEngine;
  friend class hvTransferAgentQuery;  // tells the agent of a removal the engine never applied

  std::atomic<int32_t> m_status;  // an hvStreamingStatus; OK after construction
  std::atomic<bool> m_terminated;
  std::atomic<hvStreamingEngine*> m_engine;  // not owned
};

template <typename T>
class hvList;

// One value in an hvList; created and released by the list itself.
template <typename T>
class hvListItem : public hvBaseListItem {
 public:
  explicit hvListItem(const T& value) : value(value) {}
  ~hvListItem() override {}
  T value;
};

// Walks an hvList from front to back: the first Next() moves onto the first item.
template <typename T>
class hvListIterator : public hvBaseListForwardIterator {
 public:
  explicit hvListIterator(const hvList<T>& list) : hvBaseListForwardIterator(list) {}
  hvListItem<T>* Item() const { return static_cast<hvListItem<T>*>(m_current); }
  T& operator*() const { return Item()->value; }
};

// A list of values kept in list items it owns. It does not own what the values point to.
// No lock of its own.
template <typename T>
class hvList : public hvBaseList {
 public:
  hvList() {}
  ~hvList() override {}

  void push_back(const T& value) { PushBack(new hvListItem<T>(value)); }
  void push_front(const T& value) { PushFront(new hvListItem<T>(value)); }
  void push_after(const T& value, hvListItem<T>& where) {
    PushAfter(new hvListItem<T>(value), &where);
  }
  void push_before(const T& value, hvListItem<T>& where) {
    PushBefore(new hvListItem<T>(value), &where);
  }
  // The pops on an empty list do nothing.
  void pop_front() { Remove(first); }
  void pop_back() { Remove(last); }
  void pop(hvListItem<T>& item) { Remove(&item); }
  void pop(hvListIterator<T>& it) { Remove(it.Item()); }
  // Removes the first item holding `value`; nothing when none does.
  void pop(const T& value) { Remove(find(value)); }
  void erase() {
    while (first) Remove(first);
  }
  // The list must not be empty.
  T& front() const { return static_cast<hvListItem<T>*>(first)->value; }
  T& back() const { return static_cast<hvListItem<T>*>(last)->value; }
  uint64_t size() const { return count.load(std::memory_order_relaxed); }
  // The first item holding `value`, or null.
  hvListItem<T>* find(const T& value) const {
    for (hvBaseListItem* item = first; item; item = item->next)
      if (static_cast<hvListItem<T>*>(item)->value == value)
        return static_cast<hvListItem<T>*>(item);
    return nullptr;
  }
};

// Runs agents on one thread. Each pass asks every agent's PreProcess() how long it may
// sleep, sleeps for the shortest time or until woken, applies the queued add and remove
// requests, then calls every agent's Process(). The engine owns neither its agents nor
// their lifetime.
class HV_EXPORT hvStreamingEngine : public hvStoppableThread, public hvQueryManager {
 public:
  hvStreamingEngine();
  // Call Terminate() first: the destructor neither stops the thread nor notifies agents.
  ~hvStreamingEngine() override;

  // Starts the engine thread: 0 on success, -1 when the thread could not be created.
  int Setup();
  // Stops the engine: new agents are refused, the thread ends once every agent has been
  // removed (RemoveTransferAgent), and only then does Terminate return. Removals queued
  // before it are all applied on the engine thread. One that comes too late for that thread
  // still calls the agent's RemovedFromStreamingEngine(), on the thread that queued it or
  // on the one calling Terminate(), so no removed agent is left undisposed.
  void Terminate();
  // Cuts the current or next sleep short. No effect on the engine thread itself.
  void WakeUp();
  // Queue a request for the engine thread; they take effect on its next pass. An add
  // request that arrives after Terminate() is dropped: the agent never runs and is not told.
  void AddTransferAgent(hvStreamingAgent* agent);
  void RemoveTransferAgent(hvStreamingAgent* agent);
  // Agents in the list now; queued requests are not counted.
  size_t GetTransferAgentCount();

 protected:
  void SignalQueryToProcess() override;
  void OnRun() override;

 private:
  uint32_t ShortestSleep();
  void ApplyQueuedRequests();

  hvCondition m_wake;  // the engine thread sleeps on it; signals are kept until a wait
  hvList<hvStreamingAgent*> m_agents;  // edited only on the engine thread
};

#endif
