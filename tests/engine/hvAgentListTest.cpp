// hvStreamingAgent on its own and the agent list template.
#include <gtest/gtest.h>

#include <vector>

#include "hulvoStreaming/hvStreamingEngine.h"
#include "hvTestSupport.h"

namespace {

class CountingAgent : public hvStreamingAgent {
 public:
  explicit CountingAgent(int* destroyed = nullptr) : m_destroyed(destroyed) {}
  ~CountingAgent() override {
    if (m_destroyed) ++*m_destroyed;
  }
  void Process() override {}
  using hvStreamingAgent::PreProcess;
  using hvStreamingAgent::RemovedFromStreamingEngine;
  using hvStreamingAgent::TransferTerminated;

 private:
  int* m_destroyed;
};

TEST(StreamingAgent, NewAgentHasNoEngineAndLogsWakeUp) {
  CountingAgent agent;
  EXPECT_EQ(agent.GetStatus(), khvStreamingStatus_OK);
  EXPECT_FALSE(agent.IsTerminated());
  EXPECT_EQ(agent.GetStreamingEngine(), nullptr);
  EXPECT_EQ(agent.PreProcess(), khvStreamingAgent_NoSleepBound);
  hvLogCapture log;
  agent.WakeUp();
  auto records = log.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].category, 11);
  EXPECT_EQ(records[0].file, "..\\..\\hvStreamingAgent");
  EXPECT_EQ(records[0].message, "hvStreamingAgent: Cannot wake up, no engine specified\n");
}

TEST(StreamingAgent, TransferTerminatedOnlyRecordsOutcome) {
  CountingAgent agent;
  agent.TransferTerminated(khvStreamingStatus_Error);
  EXPECT_EQ(agent.GetStatus(), khvStreamingStatus_Error);
  EXPECT_TRUE(agent.IsTerminated());
  CountingAgent copy(agent);
  EXPECT_TRUE(copy.IsTerminated());
  EXPECT_EQ(copy.GetStatus(), khvStreamingStatus_Error);
}

TEST(StreamingAgent, DefaultRemovalDeletesAgent) {
  int destroyed = 0;
  auto* agent = new CountingAgent(&destroyed);
  agent->RemovedFromStreamingEngine();
  EXPECT_EQ(destroyed, 1);
}

using AgentList = hvList<hvStreamingAgent*>;

std::vector<hvStreamingAgent*> Values(const AgentList& list) {
  std::vector<hvStreamingAgent*> values;
  hvListIterator<hvStreamingAgent*> it(list);
  while (it.Next()) values.push_back(*it);
  return values;
}

class AgentListTest : public ::testing::Test {
 protected:
  CountingAgent a, b, c, x;
  AgentList list;
};

TEST_F(AgentListTest, PushesKeepOrder) {
  list.push_back(&a);
  list.push_back(&b);
  list.push_front(&c);
  EXPECT_EQ(Values(list), (std::vector<hvStreamingAgent*>{&c, &a, &b}));
  EXPECT_EQ(list.front(), &c);
  EXPECT_EQ(list.back(), &b);
  EXPECT_EQ(list.size(), 3u);
  list.push_after(&x, *list.find(&c));
  list.push_before(&x, *list.find(&b));
  EXPECT_EQ(Values(list), (std::vector<hvStreamingAgent*>{&c, &x, &a, &x, &b}));
}

TEST_F(AgentListTest, PopByValueRemovesFirstMatchOnly) {
  list.push_back(&a);
  list.push_back(&b);
  list.push_back(&b);
  list.pop(&b);
  EXPECT_EQ(Values(list), (std::vector<hvStreamingAgent*>{&a, &b}));
  list.pop(&x);
  EXPECT_EQ(list.size(), 2u);
}

TEST_F(AgentListTest, PopsAtEitherEndAndByIterator) {
  list.push_back(&a);
  list.push_back(&b);
  list.push_back(&c);
  list.pop_front();
  list.pop_back();
  EXPECT_EQ(Values(list), (std::vector<hvStreamingAgent*>{&b}));
  hvListIterator<hvStreamingAgent*> it(list);
  ASSERT_TRUE(it.Next());
  list.pop(it);
  EXPECT_EQ(list.size(), 0u);
}

TEST_F(AgentListTest, EmptyListPopsAndEraseAreHarmless) {
  list.pop_front();
  list.pop_back();
  list.push_back(&a);
  list.push_back(&b);
  list.erase();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_TRUE(Values(list).empty());
}

}  // namespace
