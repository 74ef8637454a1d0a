#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "hv/hvLog.h"
#include "hv/hvLogReport.h"
#include "hvTestSupport.h"

namespace {

TEST(hvLogTest, NothingIsRecordedBelowLevelTwo) {
  for (uint16_t level : {0, 1}) {
    hvLogCapture capture(level);
    HV_LOG(khvLogCategory_Stream, "..\\..\\hvStream", "hvStream: Invalid (stream=0x%lx)\n", 0x10ul);
    EXPECT_EQ(capture.Count(), 0u) << "level " << level;
  }
}

TEST(hvLogTest, ReportCarriesSeverityCategoryFileLineAndMessage) {
  hvLogCapture capture(2);
  const int line = __LINE__ + 1;
  HV_LOG(khvLogCategory_RingBuffer, "..\\..\\hvStreamMultiBuffer", "hvX: %d and %s\n", 42, "y");
  auto records = capture.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].severity, 1);
  EXPECT_EQ(records[0].category, 12);
  EXPECT_EQ(records[0].file, "..\\..\\hvStreamMultiBuffer");
  EXPECT_EQ(records[0].line, line);
  EXPECT_EQ(records[0].message, "hvX: 42 and y\n");
}

TEST(hvLogTest, RecordStepsAppendInOrder) {
  hvLogCapture capture(2);
  hvLogRecord* record = hvLog_Begin(1, khvLogCategory_Fatal);
  ASSERT_NE(record, nullptr);
  record->file = "f";
  record->line = 7;
  hvLog_Append_F(record, "Fatal Error '%s'", "why");
  hvLog_Append_F(record, "%s", "!");
  hvLog_End(record);
  ASSERT_EQ(capture.Count(), 1u);
  EXPECT_EQ(capture.Records()[0].message, "Fatal Error 'why'!");
}

TEST(hvLogTest, OverlongMessageIsCutAndTerminated) {
  hvLogCapture capture(2);
  std::string longText(3000, 'x');
  HV_LOG(khvLogCategory_Paths, "src", "%s", longText.c_str());
  hvLogRecord* record = hvLog_Begin(1, 0);
  hvLog_Append_F(record, "%s", longText.c_str());
  hvLog_Append_F(record, "more");  // nothing fits any more
  EXPECT_EQ(record->length, sizeof(record->message) - 1);
  EXPECT_EQ(record->message[record->length], '\0');
  hvLog_End(record);
  auto records = capture.Records();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& captured : records)
    EXPECT_EQ(captured.message, std::string(sizeof(record->message) - 1, 'x'));
}

void CountingSink(const hvLogRecord*, void* calls) { ++*static_cast<int*>(calls); }

TEST(hvLogTest, NullSinkRestoresTheDefault) {
  int calls = 0;
  hvLogCapture capture(2);  // restores the default sink and the level when it goes
  hvLogSink previous = hvLog_SetSink(&CountingSink, &calls);
  EXPECT_NE(previous, nullptr);
  HV_LOG(khvLogCategory_OSLayer, "src", "one\n");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(hvLog_SetSink(nullptr, nullptr), &CountingSink);
  EXPECT_EQ(hvLog_SetSink(nullptr, nullptr), nullptr);  // null stands for the default
  EXPECT_EQ(calls, 1);
}

TEST(hvLogTest, RecordsFromSeveralThreadsArriveWhole) {
  hvLogCapture capture(2);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) HV_LOG(khvLogCategory_Stream, "src", "thread %d\n", t);
    });
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(capture.CountMessage("thread " + std::to_string(t) + "\n"), 200u);
}

}  // namespace
