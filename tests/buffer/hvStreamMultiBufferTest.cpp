// hvStreamMultiBuffer: limits and allocation failures, room and readable runs around the
// ring, exact reads assembled across blocks, the back-seek window and a long random script.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "hvBufferTestUtil.h"
#include "hvTestSupport.h"

namespace {

using MultiBufferTest = hvRingTest;
// --- Construction ---------------------------------------------------------------------

TEST_F(MultiBufferTest, NewRingIsEmptyAndValid) {
  EXPECT_TRUE(Buffer().IsValid());
  EXPECT_EQ(Buffer().GetTotalBufferSize(), 8u);
  EXPECT_EQ(Buffer().GetAvailableReadSize(), 0u);
  EXPECT_EQ(Buffer().GetAvailableWriteSize(), 8u);
  EXPECT_EQ(Buffer().GetCurrentPosition(), 0u);
  EXPECT_EQ(Buffer().GetCurrentWritePosition(), 0u);
}

TEST_F(MultiBufferTest, SizesOutsideTheLimitsGiveAnInvalidRingWithoutAllocating) {
  struct Case {
    size_t blockSize, blockCount;
  };
  hvAllocationWatch watch;
  for (Case c : {Case{0, 2}, Case{4, 0}, Case{size_t(1) << 30, 2}, Case{65536, 32768},
                 Case{(SIZE_MAX >> 1) + 1, 2}, Case{SIZE_MAX, SIZE_MAX}}) {
    hvStreamMultiBuffer ring(c.blockSize, c.blockCount);
    EXPECT_EQ(ring.GetTotalBufferSize(), 0u) << c.blockSize << " x " << c.blockCount;
    unsigned char* block = nullptr;
    size_t length = 4;
    EXPECT_EQ(ring.TakeWriteBuffer(&block, &length), khvStreamingStatus_Error);
    EXPECT_EQ(length, 0u);
    length = 4;
    EXPECT_EQ(ring.TakeReadBuffer(&block, &length, true), khvStreamingStatus_Error);
    EXPECT_EQ(block, nullptr);
    hvLogCapture capture;
    EXPECT_FALSE(ring.IsValid());
    EXPECT_EQ(capture.Count(), 1u);
  }
  EXPECT_EQ(watch.Requests(), 0);
}

TEST_F(MultiBufferTest, LargestRingWithinTheLimitsIsAccepted) {
  // Refusing every allocation keeps the test small; the limit check comes first.
  hvAllocationWatch watch;
  watch.RefuseAll(true);
  hvStreamMultiBuffer ring((size_t(1) << 31) - 1, 1);
  EXPECT_EQ(watch.Requests(), 1);  // the block table was asked for: within the limits
}

TEST_F(MultiBufferTest, FailedAllocationGivesAnInvalidRingThatLogsAndFreesWhatItGot) {
  for (int failing : {1, 2, 3}) {  // the table, the first block, the second block
    static int s_failing;
    s_failing = failing;
    hvAllocationWatch watch([](int request, size_t) { return request == s_failing; });
    hvLogCapture capture;
    hvStreamMultiBuffer ring(4, 3);
    EXPECT_FALSE(ring.IsValid());
    EXPECT_EQ(ring.GetTotalBufferSize(), 0u);
    EXPECT_EQ(watch.Requests(), failing);  // no block is asked for after a failure
    auto records = capture.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].category, 11);
    EXPECT_EQ(records[0].file, "..\\..\\hvStreamBuffer");
    EXPECT_EQ(records[0].message,
              hvRecordText("hvStreamBuffer: Invalid (buffer = 0x%08lx)\n", &ring));
  }
}

// --- Writing and reading around the ring ----------------------------------------------

TEST_F(MultiBufferTest, WriteTakesGrantOneBlockAtATimeUntilFull) {
  ASSERT_EQ(TakeWrite(10), khvStreamingStatus_OK);
  EXPECT_EQ(writeLength, 4u);
  unsigned char* first = writeBlock;
  ReleaseWrite(4);
  ASSERT_EQ(TakeWrite(10), khvStreamingStatus_OK);
  EXPECT_EQ(writeLength, 4u);
  EXPECT_NE(writeBlock, first);  // the next block
  ReleaseWrite(4);
  EXPECT_EQ(TakeWrite(10), khvStreamingStatus_BufferFull);
  EXPECT_EQ(writeBlock, nullptr);
  EXPECT_EQ(writeLength, 0u);
}

TEST_F(MultiBufferTest, FullRingHandsOutOneBlockInPlaceOrAnExactRunAssembled) {
  ASSERT_TRUE(Write(8));
  EXPECT_EQ(Take(8), khvStreamingStatus_OK);
  EXPECT_EQ(got.size(), 4u);
  EXPECT_TRUE(GotSourceBytes());
  EXPECT_EQ(Take(8, true), khvStreamingStatus_OK);
  EXPECT_EQ(got.size(), 8u);
  EXPECT_TRUE(GotSourceBytes());
  EXPECT_EQ(Take(9, true), khvStreamingStatus_TooLarge);
  EXPECT_EQ(readBlock, nullptr);
  EXPECT_EQ(gotLength, 0u);
  EXPECT_EQ(ring->ReadThreshold(), 0u);  // nobody can be served, so nobody waits
}

TEST_F(MultiBufferTest, ExactReadsAcrossBlocksAndTheWrapMatchTheSource) {
  Make(5, 3);
  ASSERT_TRUE(Write(15));
  for (size_t length : {3u, 7u, 4u, 1u}) {  // 0-2, 3-9 (crosses), 10-13 (crosses), 14
    ASSERT_EQ(Take(length, true), khvStreamingStatus_OK);
    ASSERT_EQ(got.size(), length);
    EXPECT_TRUE(GotSourceBytes()) << "at " << takenAt;
    ASSERT_EQ(Release(length), khvStreamingStatus_OK);
  }
  ASSERT_TRUE(Write(13));  // 15-27 wraps to the ring's start
  ASSERT_EQ(Take(13, true), khvStreamingStatus_OK);
  EXPECT_EQ(got.size(), 13u);
  EXPECT_TRUE(GotSourceBytes());
  ASSERT_EQ(Release(2), khvStreamingStatus_OK);  // 17..27 runs over the last block into the first
  ASSERT_TRUE(Write(4));
  ASSERT_EQ(Take(15, true), khvStreamingStatus_OK);
  EXPECT_TRUE(GotSourceBytes());
  EXPECT_EQ(got.size(), 15u);
}

TEST_F(MultiBufferTest, AvailableWriteSizeCountsReadBytesAsFree) {
  ASSERT_TRUE(Write(8));
  ASSERT_EQ(Take(6, true), khvStreamingStatus_OK);
  ASSERT_EQ(Release(6), khvStreamingStatus_OK);
  EXPECT_EQ(Buffer().GetAvailableWriteSize(), 6u);
  EXPECT_EQ(Buffer().GetAvailableReadSize(), 2u);
}

// --- The back-seek window -------------------------------------------------------------

TEST_F(MultiBufferTest, SeekBackInsideTheWindowOnlyMovesTheReadPosition) {
  ASSERT_TRUE(Write(8));
  ASSERT_EQ(Take(6, true), khvStreamingStatus_OK);
  ASSERT_EQ(Release(6), khvStreamingStatus_OK);
  EXPECT_TRUE(Buffer().WillSeek(2));
  EXPECT_TRUE(Buffer().Seek(2));
  EXPECT_EQ(Buffer().GetCurrentWritePosition(), 8u);
  ASSERT_EQ(Take(8), khvStreamingStatus_OK);
  EXPECT_EQ(takenAt, 2u);
  EXPECT_EQ(got.size(), 2u);  // the rest of block 0
  EXPECT_TRUE(GotSourceBytes());
  EXPECT_EQ(ring->State(), khvStreamBuffer_Streaming);
}

TEST_F(MultiBufferTest, WritingOverReadBytesShrinksTheWindow) {
  ASSERT_TRUE(Write(8));
  ASSERT_EQ(Take(6, true), khvStreamingStatus_OK);
  ASSERT_EQ(Release(6), khvStreamingStatus_OK);
  ASSERT_TRUE(Write(4));  // positions 8 to 11 reuse the room of 0 to 3
  EXPECT_FALSE(Buffer().WillSeek(2));
  EXPECT_TRUE(Buffer().WillSeek(4));
  EXPECT_TRUE(Buffer().WillSeek(12));  // the write position itself
  EXPECT_FALSE(Buffer().WillSeek(13));
  EXPECT_TRUE(Buffer().Seek(4));
  ASSERT_EQ(Take(8, true), khvStreamingStatus_OK);
  EXPECT_TRUE(GotSourceBytes());
}

TEST_F(MultiBufferTest, TakenWriteRoomLeavesTheWindowBeforeItIsFilled) {
  ASSERT_TRUE(Write(8));
  ASSERT_EQ(Take(8, true), khvStreamingStatus_OK);
  ASSERT_EQ(Release(8), khvStreamingStatus_OK);
  ASSERT_EQ(TakeWrite(4), khvStreamingStatus_OK);  // room of 0 to 3, not yet committed
  EXPECT_FALSE(Buffer().Seek(3));                  // would read the bytes being overwritten
  EXPECT_EQ(ring->State(), khvStreamBuffer_SeekPending);
}

TEST_F(MultiBufferTest, SeekOutsideTheWindowEmptiesTheRingUntilSeekDone) {
  ASSERT_TRUE(Write(8));
  ASSERT_EQ(TakeWrite(4), khvStreamingStatus_BufferFull);
  EXPECT_FALSE(Buffer().WillSeek(100));
  EXPECT_FALSE(Buffer().Seek(100));
  EXPECT_EQ(Buffer().GetCurrentPosition(), 100u);
  EXPECT_EQ(Buffer().GetCurrentWritePosition(), 100u);
  EXPECT_EQ(ring->State(), khvStreamBuffer_SeekPending);
  EXPECT_EQ(TakeWrite(4), khvStreamingStatus_Interrupted);
  EXPECT_EQ(writeBlock, nullptr);
  EXPECT_EQ(Take(4), khvStreamingStatus_OK);
  EXPECT_EQ(readBlock, nullptr);
  EXPECT_EQ(ring->ReadThreshold(), 1u);

  Buffer().SignalSeekDone();
  ASSERT_TRUE(Write(6));         // 100 lands at ring offset 4: block 1, then wraps to block 0
  EXPECT_EQ(thresholdCalls, 2);  // both releases: the reader has not taken again yet
  ASSERT_EQ(Take(6, true), khvStreamingStatus_OK);
  EXPECT_EQ(takenAt, 100u);
  EXPECT_TRUE(GotSourceBytes());
  EXPECT_FALSE(Buffer().WillSeek(99));
}

TEST_F(MultiBufferTest, ReleasesWhileAResetSeekIsPendingAreDropped) {
  ASSERT_EQ(TakeWrite(4), khvStreamingStatus_OK);
  EXPECT_FALSE(Buffer().Seek(50));
  EXPECT_EQ(ReleaseWrite(0), khvStreamingStatus_OK);
  EXPECT_EQ(ReleaseWrite(4), khvStreamingStatus_OK);
  EXPECT_EQ(Buffer().GetCurrentWritePosition(), 50u);
  EXPECT_EQ(Buffer().GetAvailableReadSize(), 0u);
}

// --- Assembly area --------------------------------------------------------------------

TEST_F(MultiBufferTest, FailedAssemblyGrowthHandsOutNothingAndReportsAnError) {
  ASSERT_TRUE(Write(8));
  {
    hvAllocationWatch watch;
    watch.RefuseAll(true);
    EXPECT_EQ(Take(6, true), khvStreamingStatus_Error);
    EXPECT_EQ(readBlock, nullptr);
    EXPECT_EQ(gotLength, 0u);
    EXPECT_EQ(Take(3, true), khvStreamingStatus_OK);  // within one block: no copy needed
    EXPECT_EQ(got.size(), 3u);
  }
  EXPECT_EQ(Take(6, true), khvStreamingStatus_OK);
  EXPECT_TRUE(GotSourceBytes());
}

TEST_F(MultiBufferTest, SteadyStreamingAllocatesNothing) {
  Make(1000, 3);
  size_t position = 0;
  auto cycle = [&](size_t length) {
    ASSERT_TRUE(Write(length));
    ASSERT_EQ(Take(length, true), khvStreamingStatus_OK);
    ASSERT_TRUE(GotSourceBytes());
    ASSERT_EQ(Release(length), khvStreamingStatus_OK);
    position += length;
  };
  cycle(2999);  // warms the assembly area up to its largest need
  hvAllocationWatch watch;
  for (int i = 0; i < 500; ++i) cycle(1 + (i * 977) % 2999);
  EXPECT_EQ(watch.Requests(), 0);
}

// --- A long random script against the source ------------------------------------------

TEST_F(MultiBufferTest, RandomScriptKeepsEveryByteAndTheWindowRight) {
  Make(7, 3);
  std::mt19937 random(42);
  uint64_t retained = 0;
  for (int step = 0; step < 20000; ++step) {
    uint64_t read = Buffer().GetCurrentPosition();
    uint64_t write = Buffer().GetCurrentWritePosition();
    ASSERT_LE(write - read, 21u);
    ASSERT_EQ(Buffer().GetAvailableReadSize(), write - read);
    switch (random() % 4) {
      case 0: {
        size_t wanted = 1 + random() % 10;
        hvStreamingStatus status = TakeWrite(wanted);
        if (status == khvStreamingStatus_OK) {
          if (write + writeLength > 21) retained = std::max(retained, write + writeLength - 21);
          ReleaseWrite(random() % 3 == 0 ? writeLength + random() % 20 : writeLength);
        } else {
          ASSERT_EQ(status, khvStreamingStatus_BufferFull);
          ASSERT_EQ(write - read, 21u);
        }
        break;
      }
      case 1:
      case 2: {
        bool exact = random() % 2;
        size_t wanted = 1 + random() % 21;
        ASSERT_EQ(Take(wanted, exact), khvStreamingStatus_OK);
        ASSERT_TRUE(GotSourceBytes()) << "step " << step;
        if (exact && gotLength != 0) {
          ASSERT_EQ(gotLength, wanted);
        }
        if (!exact && write > read) {
          ASSERT_NE(gotLength, 0u);
        }
        Release(random() % 4 == 0 ? gotLength + random() % 30 : random() % (gotLength + 1));
        break;
      }
      default: {
        uint64_t target = read + random() % 16 - std::min<uint64_t>(read, 8);
        bool inside = (read <= target && target <= write) || (retained <= target && target < write);
        ASSERT_EQ(Buffer().WillSeek(target), inside);
        if (!inside) break;  // resets are covered elsewhere; keep the window growing here
        ASSERT_TRUE(Buffer().Seek(target));
      }
    }
  }
}

}  // namespace
