// hvQuery and hvQueryManager: a thread-safe first-in first-out queue of work items handed
// from any thread to the one that processes them (typically an hvStoppableThread).
//
// Ownership: from AddQuery() on, a query belongs to its manager. Whoever takes it with
// GetQuery() handles it and then calls Done(), which disposes of it; nobody deletes a query
// directly. Queries still queued when the manager stops or is destroyed are disposed of
// by the manager.
#ifndef HV_HVQUERY_H
#define HV_HVQUERY_H

#include <atomic>
#include <cstddef>

#include "hv/hvPlatform.h"

class hvQueryManager;

// A work item; derive to carry the work. Allocate with new.
class HV_EXPORT hvQuery {
 public:
  hvQuery();
  hvQuery(const hvQuery&) = delete;
  hvQuery& operator=(const hvQuery&) = delete;

  // Ends the handling of a query taken from GetQuery(): marks it executed and destroys it.
  // A derived query that must outlive its handling (someone waits for its result)
  // overrides this to call MarkExecuted() only, and takes over its own disposal.
  virtual void Done();
  virtual bool HasBeenExecuted() const;

 protected:
  virtual ~hvQuery();
  void MarkExecuted();

 private:
  friend class hvQueryManager;

  hvQuery* m_next;  // the next queued query; only the manager touches it, under its lock
  std::atomic<bool> m_executed;
};

class HV_EXPORT hvQueryManager {
 public:
  hvQueryManager();
  // Disposes of the queries still queued.
  virtual ~hvQueryManager();
  hvQueryManager(const hvQueryManager&) = delete;
  hvQueryManager& operator=(const hvQueryManager&) = delete;

 protected:
  // Called after each query has been queued, outside the queue's lock, on the adding
  // thread; the processing side overrides it to wake up. The base does nothing.
  virtual void SignalQueryToProcess();
  // Called for each accepted query before it is queued, on the adding thread. The base
  // clears the query's executed mark.
  virtual void InitQuery(hvQuery* query);

 public:
  // Takes ownership of `query` (null is ignored), queues it and signals. Once stopped, the
  // query is disposed of at once and nothing is signalled; returns false then.
  bool AddQuery(hvQuery* query);
  // The oldest queued query, now in the caller's hands until its Done(); null when none.
  hvQuery* GetQuery();
  // Refuses further queries and disposes of the queued ones. Final.
  void Stop();
  bool IsStopped() const;
  size_t GetQueryCount() const;

 private:
  struct Impl;
  Impl* m_impl;
};

#endif
