#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "hv/hvMutex.h"
#include "hv/hvQuery.h"

namespace {

// Counts its own destruction so tests can follow who disposed of what.
class CountedQuery : public hvQuery {
 public:
  CountedQuery(int id, std::atomic<int>* destroyed) : id(id), m_destroyed(destroyed) {}
  const int id;

 protected:
  ~CountedQuery() override { m_destroyed->fetch_add(1); }

 private:
  std::atomic<int>* m_destroyed;
};

class RecordingManager : public hvQueryManager {
 public:
  std::atomic<int> signals{0};
  std::atomic<int> inits{0};
  std::atomic<size_t> queuedAtLastSignal{0};
  hvCondition wake;

 protected:
  void SignalQueryToProcess() override {
    queuedAtLastSignal.store(GetQueryCount());
    signals.fetch_add(1);
    wake.Signal();
  }
  void InitQuery(hvQuery* query) override {
    inits.fetch_add(1);
    hvQueryManager::InitQuery(query);
  }
};

class hvQueryManagerTest : public ::testing::Test {
 protected:
  bool Add(int id) { return m_manager.AddQuery(new CountedQuery(id, &m_destroyed)); }
  // Takes the oldest query, handles it (Done) and returns its id, or -1 when none.
  int TakeAndFinish() {
    hvQuery* query = m_manager.GetQuery();
    if (!query) return -1;
    int id = static_cast<CountedQuery*>(query)->id;
    query->Done();
    return id;
  }

  std::atomic<int> m_destroyed{0};
  RecordingManager m_manager;
};

TEST_F(hvQueryManagerTest, QueriesComeOutOldestFirstAndDoneDisposesThem) {
  EXPECT_TRUE(Add(1));
  EXPECT_TRUE(Add(2));
  EXPECT_TRUE(Add(3));
  EXPECT_EQ(m_manager.GetQueryCount(), 3u);
  EXPECT_EQ(TakeAndFinish(), 1);
  EXPECT_EQ(TakeAndFinish(), 2);
  EXPECT_TRUE(Add(4));
  EXPECT_EQ(TakeAndFinish(), 3);
  EXPECT_EQ(TakeAndFinish(), 4);
  EXPECT_EQ(TakeAndFinish(), -1);
  EXPECT_EQ(m_destroyed.load(), 4);
}

TEST_F(hvQueryManagerTest, EachAddInitialisesThenSignalsAfterQueueing) {
  Add(1);
  EXPECT_EQ(m_manager.inits.load(), 1);
  EXPECT_EQ(m_manager.signals.load(), 1);
  EXPECT_EQ(m_manager.queuedAtLastSignal.load(), 1u);
  Add(2);
  EXPECT_EQ(m_manager.signals.load(), 2);
  EXPECT_EQ(m_manager.queuedAtLastSignal.load(), 2u);
}

TEST_F(hvQueryManagerTest, NullQueryIsIgnored) {
  EXPECT_FALSE(m_manager.AddQuery(nullptr));
  EXPECT_EQ(m_manager.signals.load(), 0);
  EXPECT_EQ(m_manager.GetQuery(), nullptr);
}

TEST_F(hvQueryManagerTest, StopDisposesQueuedAndLaterQueriesWithoutSignal) {
  Add(1);
  Add(2);
  m_manager.Stop();
  EXPECT_TRUE(m_manager.IsStopped());
  EXPECT_EQ(m_destroyed.load(), 2);
  EXPECT_FALSE(Add(3));
  EXPECT_EQ(m_destroyed.load(), 3);
  EXPECT_EQ(m_manager.signals.load(), 2);
  EXPECT_EQ(m_manager.GetQuery(), nullptr);
}

TEST(hvQueryManagerLifetimeTest, DestroyedManagerDisposesQueuedQueries) {
  std::atomic<int> destroyed{0};
  {
    hvQueryManager manager;
    manager.AddQuery(new CountedQuery(1, &destroyed));
    manager.AddQuery(new CountedQuery(2, &destroyed));
    hvQuery* taken = manager.GetQuery();
    taken->Done();
  }
  EXPECT_EQ(destroyed.load(), 2);
}

TEST(hvQueryTest, QueryThatOutlivesItsHandlingReportsExecution) {
  struct Awaited : hvQuery {
    void Done() override { MarkExecuted(); }
    ~Awaited() override {}
  };
  hvQueryManager manager;
  Awaited* query = new Awaited;
  manager.AddQuery(query);
  EXPECT_FALSE(query->HasBeenExecuted());
  manager.GetQuery()->Done();
  EXPECT_TRUE(query->HasBeenExecuted());
  delete query;
}

// Several producers add while one consumer drains, woken by the manager's signal. Every
// query must arrive exactly once and each producer's queries in the order it added them.
TEST_F(hvQueryManagerTest, ConcurrentProducersLoseNothingAndKeepTheirOrder) {
  const int kProducers = 4, kPerProducer = 2000;
  std::vector<int> nextExpected(kProducers, 0);
  int received = 0;
  bool ordered = true;
  std::thread consumer([&] {
    while (received < kProducers * kPerProducer) {
      hvQuery* query = m_manager.GetQuery();
      if (!query) {
        if (!m_manager.wake.WaitTimeout(10000)) break;
        continue;
      }
      int id = static_cast<CountedQuery*>(query)->id;
      int producer = id / kPerProducer;
      ordered = ordered && (id % kPerProducer == nextExpected[producer]);
      nextExpected[producer] = id % kPerProducer + 1;
      ++received;
      query->Done();
    }
  });
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
    producers.emplace_back([this, p] {
      for (int i = 0; i < kPerProducer; ++i) Add(p * kPerProducer + i);
    });
  for (auto& producer : producers) producer.join();
  consumer.join();
  EXPECT_EQ(received, kProducers * kPerProducer);
  EXPECT_TRUE(ordered);
  EXPECT_EQ(m_destroyed.load(), kProducers * kPerProducer);
}

}  // namespace
