#include "hv/hvQuery.h"

#include <mutex>
#include <new>

hvQuery::hvQuery() : m_next(nullptr), m_executed(false) {}

hvQuery::~hvQuery() {}

void hvQuery::Done() {
  MarkExecuted();
  delete this;
}

bool hvQuery::HasBeenExecuted() const { return m_executed.load(); }

void hvQuery::MarkExecuted() { m_executed.store(true); }

// The queue is linked through the queries themselves, so adding never allocates and
// cannot fail.
struct hvQueryManager::Impl {
  mutable std::mutex lock;
  hvQuery* first = nullptr;
  hvQuery* last = nullptr;
  size_t count = 0;
  bool stopped = false;

  // Unlinks the whole queue; the caller disposes of it outside the lock.
  hvQuery* TakeAll() {
    hvQuery* all = first;
    first = last = nullptr;
    count = 0;
    return all;
  }
};

hvQueryManager::hvQueryManager() : m_impl(new (std::nothrow) Impl) {}

hvQueryManager::~hvQueryManager() {
  Stop();
  delete m_impl;
}

void hvQueryManager::SignalQueryToProcess() {}

void hvQueryManager::InitQuery(hvQuery* query) { query->m_executed.store(false); }

bool hvQueryManager::AddQuery(hvQuery* query) {
  if (!query) return false;
  if (IsStopped() || !m_impl) {
    delete query;
    return false;
  }
  InitQuery(query);
  {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    // Stop() may have come while InitQuery() ran.
    if (m_impl->stopped) {
      delete query;
      return false;
    }
    query->m_next = nullptr;
    if (m_impl->last)
      m_impl->last->m_next = query;
    else
      m_impl->first = query;
    m_impl->last = query;
    ++m_impl->count;
  }
  SignalQueryToProcess();
  return true;
}

hvQuery* hvQueryManager::GetQuery() {
  if (!m_impl) return nullptr;
  std::lock_guard<std::mutex> guard(m_impl->lock);
  hvQuery* query = m_impl->first;
  if (!query) return nullptr;
  m_impl->first = query->m_next;
  if (!m_impl->first) m_impl->last = nullptr;
  --m_impl->count;
  query->m_next = nullptr;
  return query;
}

void hvQueryManager::Stop() {
  if (!m_impl) return;
  hvQuery* queued;
  {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    m_impl->stopped = true;
    queued = m_impl->TakeAll();
  }
  // Outside the lock: a query's destructor may well add to or read this queue.
  while (queued) {
    hvQuery* following = queued->m_next;
    delete queued;
    queued = following;
  }
}

bool hvQueryManager::IsStopped() const {
  if (!m_impl) return true;
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->stopped;
}

size_t hvQueryManager::GetQueryCount() const {
  if (!m_impl) return 0;
  std::lock_guard<std::mutex> guard(m_impl->lock);
  return m_impl->count;
}
