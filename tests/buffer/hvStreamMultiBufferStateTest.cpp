// hvStreamMultiBuffer: what every state answers, the threshold callback, faulty releases
// and the polling wait.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "hvBufferTestUtil.h"
#include "hvTestSupport.h"

namespace {

using MultiBufferStateTest = hvRingTest;
// --- States ---------------------------------------------------------------------------

TEST_F(MultiBufferStateTest, EndOfStreamDeliversTheRemainderThenEnds) {
  ASSERT_TRUE(Write(3));
  Buffer().SignalEndOfStream();
  EXPECT_EQ(ring->EndPosition(), 3u);
  EXPECT_EQ(Take(8, true), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got.size(), 3u);
  EXPECT_TRUE(GotSourceBytes());
  EXPECT_EQ(Release(3), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(Take(8, true), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(gotLength, 0u);
  EXPECT_EQ(readBlock, nullptr);
}

TEST_F(MultiBufferStateTest, EndOfStreamIsReportedOnlyAtTheEndPosition) {
  ASSERT_TRUE(Write(6));
  Buffer().SignalEndOfStream();
  EXPECT_EQ(Take(2), khvStreamingStatus_OK);
  EXPECT_EQ(Release(2), khvStreamingStatus_OK);
  EXPECT_EQ(Take(8), khvStreamingStatus_OK);  // 2 and 3: the block ends before the end
  EXPECT_EQ(got.size(), 2u);
  EXPECT_EQ(Release(2), khvStreamingStatus_OK);
  EXPECT_EQ(Take(8), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(Release(2), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(Buffer().Seek(1));  // back inside the window: not the end any more
  EXPECT_EQ(Take(1), khvStreamingStatus_OK);
}

TEST_F(MultiBufferStateTest, WritingAfterTheEndIsRefusedAndLogged) {
  for (auto signal : {&hvStreamBuffer::SignalEndOfStream, &hvStreamBuffer::SignalReadError}) {
    Make(4, 2);
    (Buffer().*signal)();
    hvLogCapture capture;
    EXPECT_EQ(TakeWrite(4), khvStreamingStatus_InvalidOperation);
    EXPECT_EQ(writeBlock, nullptr);
    EXPECT_EQ(writeLength, 0u);
    auto records = capture.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].category, 12);
    EXPECT_EQ(records[0].file, "..\\..\\hvStreamMultiBuffer");
    EXPECT_EQ(records[0].message,
              hvRecordText("hvStreamMultiBuffer: TakeWriteBuffer called in invalid state %d "
                           "(buffer=0x%08lx)\n",
                           ring.get(), static_cast<int>(ring->State())));
  }
}

TEST_F(MultiBufferStateTest, ReadErrorWithholdsTheTakeThatWouldReachIt) {
  ASSERT_TRUE(Write(8));
  Buffer().SignalReadError();
  EXPECT_EQ(Take(8), khvStreamingStatus_OK);
  EXPECT_EQ(got.size(), 4u);
  EXPECT_EQ(Release(4), khvStreamingStatus_OK);
  EXPECT_EQ(Take(8), khvStreamingStatus_Error);
  EXPECT_EQ(readBlock, nullptr);
  EXPECT_EQ(gotLength, 0u);
  EXPECT_EQ(Take(3), khvStreamingStatus_OK);           // short of the error position
  EXPECT_EQ(Take(6, true), khvStreamingStatus_Error);  // can never be served
  EXPECT_EQ(readBlock, nullptr);
  EXPECT_EQ(Release(4), khvStreamingStatus_Error);
}

TEST_F(MultiBufferStateTest, InterruptedRingRefusesBothSidesButKeepsACommittedBlock) {
  ASSERT_TRUE(Write(2));
  ASSERT_EQ(TakeWrite(2), khvStreamingStatus_OK);
  Buffer().SignalInterrupted();
  EXPECT_EQ(ReleaseWrite(2), khvStreamingStatus_OK);
  EXPECT_EQ(Buffer().GetAvailableReadSize(), 4u);
  EXPECT_EQ(TakeWrite(2), khvStreamingStatus_Interrupted);
  EXPECT_EQ(Take(2), khvStreamingStatus_Interrupted);
  EXPECT_EQ(readBlock, nullptr);
  EXPECT_EQ(Release(1), khvStreamingStatus_Interrupted);
}

TEST_F(MultiBufferStateTest, ResetSeekLeavesAnEndedRingForStreaming) {
  ASSERT_TRUE(Write(3));
  Buffer().SignalInterrupted();
  EXPECT_FALSE(Buffer().Seek(40));
  Buffer().SignalSeekDone();
  EXPECT_EQ(ring->State(), khvStreamBuffer_Streaming);
  ASSERT_TRUE(Write(5));
  EXPECT_EQ(Take(5, true), khvStreamingStatus_OK);
  EXPECT_TRUE(GotSourceBytes());
}

// A producer may commit a block it took before someone else signalled the end.
TEST_F(MultiBufferStateTest, BlockCommittedAfterTheEndIsReadAndStillEndsTheStream) {
  ASSERT_TRUE(Write(2));
  ASSERT_EQ(TakeWrite(2), khvStreamingStatus_OK);
  Buffer().SignalEndOfStream();
  ReleaseWrite(2);
  EXPECT_EQ(Take(4, true), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got.size(), 4u);
  EXPECT_EQ(Release(4), khvStreamingStatus_EndOfStream);
}

TEST_F(MultiBufferStateTest, WritesStopAtTheLastStreamPosition) {
  EXPECT_FALSE(Buffer().Seek(UINT64_MAX - 2));
  Buffer().SignalSeekDone();
  EXPECT_FALSE(Write(8));  // two bytes fit, then the position cannot grow
  EXPECT_EQ(Buffer().GetCurrentWritePosition(), UINT64_MAX);
  EXPECT_EQ(TakeWrite(1), khvStreamingStatus_InvalidOperation);
  EXPECT_EQ(Take(8, true), khvStreamingStatus_OK);  // waits: the end was never signalled
  Buffer().SignalEndOfStream();
  EXPECT_EQ(Take(8, true), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got.size(), 2u);
  EXPECT_TRUE(GotSourceBytes());
}

// --- Threshold callback ---------------------------------------------------------------

TEST_F(MultiBufferStateTest, EmptyTakeLeavesAThresholdThatTheWriteReleaseHonours) {
  EXPECT_EQ(Take(4), khvStreamingStatus_OK);
  EXPECT_EQ(readBlock, nullptr);
  EXPECT_EQ(ring->ReadThreshold(), 1u);
  ASSERT_TRUE(Write(1));
  EXPECT_EQ(thresholdCalls, 1);

  Make(4, 2);
  EXPECT_EQ(Take(6, true), khvStreamingStatus_OK);
  EXPECT_EQ(ring->ReadThreshold(), 6u);
  ASSERT_TRUE(Write(5));
  EXPECT_EQ(thresholdCalls, 1);
  ASSERT_TRUE(Write(1));
  EXPECT_EQ(thresholdCalls, 2);
  EXPECT_EQ(Take(6, true), khvStreamingStatus_OK);
  EXPECT_EQ(ring->ReadThreshold(), 0u);
  ASSERT_TRUE(Write(1));
  EXPECT_EQ(thresholdCalls, 2);
}

// --- Faulty releases ------------------------------------------------------------------

TEST_F(MultiBufferStateTest, ReadReleaseBeyondTheReadableBytesIsClamped) {
  ASSERT_TRUE(Write(3));
  ASSERT_EQ(Take(3), khvStreamingStatus_OK);
  EXPECT_EQ(Release(100), khvStreamingStatus_OK);
  EXPECT_EQ(Buffer().GetCurrentPosition(), 3u);
  EXPECT_EQ(Buffer().GetAvailableReadSize(), 0u);
  EXPECT_EQ(Take(1), khvStreamingStatus_OK);  // used to hand out room nobody wrote
  EXPECT_EQ(readBlock, nullptr);
  ASSERT_TRUE(Write(8));
  ASSERT_EQ(Take(8, true), khvStreamingStatus_OK);
  EXPECT_TRUE(GotSourceBytes());
}

TEST_F(MultiBufferStateTest, WriteReleaseBeyondTheGrantedRoomIsClamped) {
  ASSERT_TRUE(Write(5));
  ASSERT_EQ(Take(5, true), khvStreamingStatus_OK);
  ASSERT_EQ(Release(5), khvStreamingStatus_OK);
  ASSERT_EQ(TakeWrite(8), khvStreamingStatus_OK);
  ASSERT_EQ(writeLength, 3u);
  EXPECT_EQ(ReleaseWrite(1000), khvStreamingStatus_OK);
  EXPECT_EQ(Buffer().GetCurrentWritePosition(), 8u);
  EXPECT_EQ(ReleaseWrite(1), khvStreamingStatus_OK);  // nothing granted any more
  EXPECT_EQ(Buffer().GetCurrentWritePosition(), 8u);
  ASSERT_TRUE(Write(5));
  EXPECT_EQ(Take(8, true), khvStreamingStatus_OK);
  EXPECT_TRUE(GotSourceBytes());
}

TEST_F(MultiBufferStateTest, ReleaseOfRoomTakenBeforeAResetSeekCommitsNothingAfterSeekDone) {
  ASSERT_EQ(TakeWrite(4), khvStreamingStatus_OK);
  EXPECT_FALSE(Buffer().Seek(20));
  Buffer().SignalSeekDone();
  EXPECT_EQ(ReleaseWrite(4), khvStreamingStatus_OK);
  EXPECT_EQ(Buffer().GetAvailableReadSize(), 0u);  // the stale bytes are not position 20
}

TEST_F(MultiBufferStateTest, NullWriteReleaseIsLoggedAndCommitted) {
  ASSERT_EQ(TakeWrite(4), khvStreamingStatus_OK);
  hvLogCapture capture;
  EXPECT_EQ(Buffer().ReleaseWriteBuffer(nullptr, 4), khvStreamingStatus_OK);
  EXPECT_EQ(Buffer().GetAvailableReadSize(), 4u);
  auto records = capture.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].category, 12);
  EXPECT_EQ(records[0].file, "..\\..\\hvStreamMultiBuffer");
  EXPECT_EQ(records[0].message,
            hvRecordText("hvStreamMultiBuffer: ReleaseWriteBuffer called with NULL buffer ptr "
                         "(buffer=0x%08lx)\n",
                         ring.get()));
}

// --- Polling wait ---------------------------------------------------------------------

TEST_F(MultiBufferStateTest, PollingWaitAnswersAtOnceWhenTheBytesAreThere) {
  ASSERT_TRUE(Write(5));
  EXPECT_TRUE(ring->ReachReadSizeThreshold(5, 0));
  EXPECT_FALSE(ring->ReachReadSizeThreshold(6, 0));  // one poll, then gives up
}

// Waits are given 5 s; those that must give up early are timed, so a wait that ignores its
// reason to stop fails in seconds instead of passing late.
TEST_F(MultiBufferStateTest, PollingWaitGivesUpOnAFullRingOrATimeout) {
  ASSERT_TRUE(Write(8));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ring->ReachReadSizeThreshold(9, 5000));  // a full ring cannot grow
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
      << "a full ring was waited on until the timeout";
  Make(4, 2);
  EXPECT_FALSE(ring->ReachReadSizeThreshold(5, 250));
}

TEST_F(MultiBufferStateTest, PollingWaitEndsWhenDataArrivesOrTheStreamStops) {
  std::thread writer([&] { ASSERT_TRUE(Write(3)); });
  EXPECT_TRUE(ring->ReachReadSizeThreshold(3, 5000));
  writer.join();

  auto start = std::chrono::steady_clock::now();
  std::thread stopper([&] { ring->StopStream(); });
  EXPECT_FALSE(ring->ReachReadSizeThreshold(4, 5000));
  stopper.join();
  EXPECT_FALSE(ring->ReachReadSizeThreshold(4, 5000));  // stopped stays stopped
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
      << "a stopped ring was waited on until the timeout";
  ASSERT_EQ(Take(3), khvStreamingStatus_OK);  // takes are not affected
  EXPECT_EQ(got.size(), 3u);
}

}  // namespace
