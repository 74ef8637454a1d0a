// hvMemoryStream: growth, the shared read/write position, take/release/get statuses, the
// stopped state, draining another stream, and positions past the stored bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

#include "hulvoStreaming/hvBulkMemory.h"
#include "hulvoStreaming/hvStream.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

// Makes bulk allocations of at least `failFrom` bytes fail while alive.
class FailLargeAllocations {
 public:
  explicit FailLargeAllocations(size_t failFrom) : m_failFrom(failFrom) {
    hvBulkMemory_SetHook(&FailLargeAllocations::Hook, this);
  }
  ~FailLargeAllocations() { hvBulkMemory_SetHook(nullptr, nullptr); }

 private:
  static bool Hook(size_t size, void* self) {
    return size < static_cast<FailLargeAllocations*>(self)->m_failFrom;
  }
  size_t m_failFrom;
};

class MemoryStreamTest : public ::testing::Test {
 protected:
  void Recreate(size_t capacity) { stream.reset(new hvMemoryStream(capacity, "video/mpeg")); }
  bool Write(const std::string& bytes) {
    return stream->WriteBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  }
  hvStreamingStatus Take(size_t wanted, std::string* got) {
    unsigned char* data = nullptr;
    size_t length = wanted;
    hvStreamingStatus status = stream->PullTake(&data, &length, false);
    lastTakeNull = data == nullptr;
    got->assign(data ? reinterpret_cast<char*>(data) : "", data ? length : 0);
    lastLength = length;
    return status;
  }
  hvStreamingStatus Get(size_t wanted, std::string* got) {
    std::string buffer(wanted, '\0');
    size_t length = wanted;
    hvStreamingStatus status =
        stream->PullGet(reinterpret_cast<unsigned char*>(&buffer[0]), &length, false);
    got->assign(buffer.data(), length);
    return status;
  }
  hvStreamPtr<hvMemoryStream> stream{new hvMemoryStream(1000, "video/mpeg")};
  bool lastTakeNull = false;
  size_t lastLength = 0;
};

TEST_F(MemoryStreamTest, NewStreamDescribesItself) {
  EXPECT_TRUE(stream->IsValid());
  EXPECT_EQ(stream->GetTotalBufferSize(), 1000u);
  EXPECT_EQ(stream->GetStreamSize(), 0u);
  EXPECT_EQ(stream->GetStreamPosition(), 0u);
  EXPECT_STREQ(stream->GetID(), "memory");
  EXPECT_TRUE(stream->GetExtension().IsEmpty());
  EXPECT_TRUE(stream->GetFileName().IsEmpty());
  EXPECT_EQ(stream->GetMimeType(), "video/mpeg");
  EXPECT_EQ(stream->SeekTime(0), khvStreamingStatus_SeekNotSupported);
  EXPECT_EQ(stream->GetAvailableReadSize(), static_cast<size_t>(-1));
}

TEST_F(MemoryStreamTest, GrowthReachingCapacityRoundsToPages) {
  ASSERT_TRUE(Write(std::string(1000, 'x')));  // 1000 >= 1000 grows: 0 + 333 + 1000 + 4096
  EXPECT_EQ(stream->GetTotalBufferSize(), 4096u);
  Recreate(0);
  ASSERT_TRUE(Write(std::string(10, 'x')));
  EXPECT_EQ(stream->GetTotalBufferSize(), 4096u);
  Recreate(4096);
  ASSERT_TRUE(stream->SeekBytes(4096) == khvStreamingStatus_OK);
  ASSERT_TRUE(Write(""));  // a write of 0 bytes at the capacity still grows
  EXPECT_EQ(stream->GetTotalBufferSize(), (4096u + 1365u + 4096u) / 4096u * 4096u);
}

TEST_F(MemoryStreamTest, ManySmallWritesKeepEveryByte) {
  std::string expected = hvPatternBytes(100000);
  for (size_t at = 0; at < expected.size(); at += 7) ASSERT_TRUE(Write(expected.substr(at, 7)));
  ASSERT_EQ(stream->SeekBytes(0), khvStreamingStatus_OK);
  std::string got;
  EXPECT_EQ(Get(expected.size(), &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got, expected);
}

TEST_F(MemoryStreamTest, ReadsShareThePositionWithWrites) {
  ASSERT_TRUE(Write(hvPatternBytes(100)));
  std::string got;
  EXPECT_EQ(Get(10, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got.empty());
  ASSERT_EQ(stream->SeekBytes(0), khvStreamingStatus_OK);
  EXPECT_EQ(Get(40, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, hvPatternBytes(100).substr(0, 40));
  EXPECT_EQ(Get(100, &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got, hvPatternBytes(100).substr(40));
}

TEST_F(MemoryStreamTest, TakeOfExactRemainderIsOkThenEnd) {
  ASSERT_TRUE(Write("abcdef"));
  stream->SeekBytes(2);
  std::string got;
  EXPECT_EQ(Take(4, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, "cdef");
  EXPECT_EQ(stream->GetStreamPosition(), 2u);  // a take does not move the position
  EXPECT_EQ(stream->PullRelease(nullptr, 4), khvStreamingStatus_OK);
  EXPECT_EQ(Take(1, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(lastTakeNull);
  EXPECT_EQ(lastLength, 0u);
}

TEST_F(MemoryStreamTest, TakeOfAllBitsGivesEverythingWithEnd) {
  ASSERT_TRUE(Write("abcdef"));
  stream->SeekBytes(1);
  std::string got;
  EXPECT_EQ(Take(static_cast<size_t>(-1), &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got, "bcdef");
}

TEST_F(MemoryStreamTest, WriteAfterSeekBackOverwritesWithoutShrinking) {
  ASSERT_TRUE(Write("abcdef"));
  stream->SeekBytes(1);
  ASSERT_TRUE(Write("XY"));
  EXPECT_EQ(stream->GetStreamSize(), 6u);
  EXPECT_EQ(stream->GetStreamPosition(), 3u);
  stream->SeekBytes(0);
  std::string got;
  Get(6, &got);
  EXPECT_EQ(got, "aXYdef");
}

TEST_F(MemoryStreamTest, SeekLimitIsFourGigabytesMinusOne) {
  EXPECT_EQ(stream->SeekBytes(0x100000000ull), khvStreamingStatus_Error);
  EXPECT_EQ(stream->GetStreamPosition(), 0u);
  EXPECT_EQ(stream->SeekBytes(0xFFFFFFFFull), khvStreamingStatus_OK);
  EXPECT_EQ(stream->GetStreamPosition(), 0xFFFFFFFFull);
}

TEST_F(MemoryStreamTest, InterruptionStopsReadsAndWritesForGood) {
  ASSERT_TRUE(Write("abc"));
  stream->SeekBytes(0);
  stream->SignalInterrupted();
  std::string got;
  EXPECT_EQ(Take(2, &got), khvStreamingStatus_Interrupted);
  EXPECT_TRUE(lastTakeNull);
  EXPECT_EQ(lastLength, 0u);
  EXPECT_EQ(Get(2, &got), khvStreamingStatus_Interrupted);
  EXPECT_TRUE(got.empty());
  EXPECT_FALSE(Write("d"));
  EXPECT_EQ(stream->SeekBytes(1), khvStreamingStatus_OK);
}

// ---- Positions past the stored bytes: nothing beyond the data is ever handed out.

TEST_F(MemoryStreamTest, SeekPastEndReadsNothing) {
  ASSERT_TRUE(Write("abc"));
  stream->SeekBytes(500);
  std::string got;
  EXPECT_EQ(Take(10, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(lastTakeNull);
  EXPECT_EQ(lastLength, 0u);
  EXPECT_EQ(Take(0, &got), khvStreamingStatus_OK);
  EXPECT_TRUE(lastTakeNull);
  EXPECT_EQ(Get(10, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got.empty());
}

TEST_F(MemoryStreamTest, ReleaseLargerThanRemainderStopsAtEnd) {
  ASSERT_TRUE(Write("abcdef"));
  stream->SeekBytes(4);
  EXPECT_EQ(stream->PullRelease(nullptr, static_cast<size_t>(-1)), khvStreamingStatus_OK);
  EXPECT_EQ(stream->GetStreamPosition(), 6u);
  std::string got;
  EXPECT_EQ(Take(1, &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(lastLength, 0u);
}

TEST_F(MemoryStreamTest, WriteAfterSeekPastEndExtendsData) {
  ASSERT_TRUE(Write("ab"));
  stream->SeekBytes(5000);
  ASSERT_TRUE(Write("z"));
  EXPECT_EQ(stream->GetStreamSize(), 5001u);
  stream->SeekBytes(5000);
  std::string got;
  EXPECT_EQ(Get(5, &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got, "z");
}

TEST_F(MemoryStreamTest, GapLeftBySeekPastEndReadsAsZeros) {
  Recreate(4096);  // fresh heap memory, which a sanitizer fills with non-zero bytes
  stream->SeekBytes(100);
  ASSERT_TRUE(Write("z"));
  stream->SeekBytes(0);
  std::string got;
  EXPECT_EQ(Get(200, &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got, std::string(100, '\0') + "z");
}

TEST_F(MemoryStreamTest, EmptyWritePastEndRaisesSizeToPosition) {
  stream->SeekBytes(1000);
  ASSERT_TRUE(stream->WriteBytes(nullptr, 0));
  EXPECT_EQ(stream->GetStreamSize(), 1000u);  // used to stay at 0
  EXPECT_EQ(stream->GetStreamPosition(), 1000u);
  stream->SeekBytes(998);
  std::string got;
  EXPECT_EQ(Get(10, &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got, std::string(2, '\0'));
}

// ---- Allocation failures.

TEST_F(MemoryStreamTest, FailedGrowthStopsStreamAndLogs) {
  ASSERT_TRUE(Write("abc"));
  hvLogCapture log;
  {
    FailLargeAllocations fail(2000);
    EXPECT_FALSE(Write(std::string(1500, 'x')));
  }
  EXPECT_EQ(stream->GetStreamSize(), 0u);
  EXPECT_EQ(stream->GetStreamPosition(), 0u);
  EXPECT_FALSE(Write("a"));
  std::string got;
  EXPECT_EQ(Get(1, &got), khvStreamingStatus_Interrupted);
  auto records = log.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].category, 11);
  EXPECT_EQ(records[0].file, "..\\..\\hvMemoryStream");
  EXPECT_EQ(records[0].line, 104);
  EXPECT_EQ(records[0].message, "hvMemoryStream: realloc(4096) failed\n");
}

TEST_F(MemoryStreamTest, GrowthThatWouldOverflowFailsCleanly) {
  stream->SeekBytes(0xFFFFFFFFull);
  unsigned char byte = 1;
  // The end of this write does not fit in 64 bits; it must fail, not wrap to a small size.
  EXPECT_FALSE(stream->WriteBytes(&byte, SIZE_MAX));
  EXPECT_FALSE(Write("a"));
}

TEST_F(MemoryStreamTest, FailedInitialAllocationMakesStreamInvalid) {
  {
    FailLargeAllocations fail(500);
    Recreate(1000);
  }
  hvLogCapture log;
  EXPECT_FALSE(stream->IsValid());
  EXPECT_EQ(stream->GetTotalBufferSize(), 0u);
  std::string got;
  EXPECT_EQ(Take(1, &got), khvStreamingStatus_Error);
  EXPECT_EQ(Get(1, &got), khvStreamingStatus_Error);
  EXPECT_GE(log.Count(), 1u);
  // A write acts as the first allocation; the stream stays invalid.
  EXPECT_TRUE(Write("abc"));
  EXPECT_FALSE(stream->IsValid());
}

// ---- Draining another stream.

// Answers each take from a script of {status, bytes}; counts releases.
class ScriptedSource : public hvStream {
 public:
  struct Step {
    hvStreamingStatus status;
    std::string bytes;
  };
  std::deque<Step> steps;
  std::string current;
  int releases = 0;
  size_t lastRequested = 0;

  hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool) override {
    lastRequested = *length;
    if (steps.empty()) return khvStreamingStatus_Error;
    Step step = steps.front();
    steps.pop_front();
    current = step.bytes;
    *data = current.empty() ? nullptr : reinterpret_cast<unsigned char*>(&current[0]);
    *length = current.size();
    return step.status;
  }
  hvStreamingStatus PullRelease(unsigned char*, size_t) override {
    ++releases;
    return khvStreamingStatus_OK;
  }
};

TEST_F(MemoryStreamTest, WriteStreamCopiesEveryPieceUntilEnd) {
  hvStreamPtr<ScriptedSource> source(new ScriptedSource);
  source->steps = {{khvStreamingStatus_OK, "abc"},
                   {khvStreamingStatus_OK, ""},  // nothing yet: polled again after 10 ms
                   {khvStreamingStatus_OK, "de"},
                   {khvStreamingStatus_OK, "f"},
                   {khvStreamingStatus_EndOfStream, ""}};
  EXPECT_TRUE(stream->WriteStream(source.get()));
  EXPECT_EQ(source->releases, 3);
  EXPECT_EQ(source->lastRequested, static_cast<size_t>(-1));
  stream->SeekBytes(0);
  std::string got;
  Get(10, &got);
  EXPECT_EQ(got, "abcdef");
}

TEST_F(MemoryStreamTest, WriteStreamEndsWithLastPieceCarryingEnd) {
  hvStreamPtr<ScriptedSource> source(new ScriptedSource);
  source->steps = {{khvStreamingStatus_EndOfStream, "xyz"}};
  EXPECT_TRUE(stream->WriteStream(source.get()));
  EXPECT_EQ(source->releases, 1);
  EXPECT_EQ(stream->GetStreamSize(), 3u);
}

TEST_F(MemoryStreamTest, WriteStreamStopsOnSourceError) {
  hvStreamPtr<ScriptedSource> source(new ScriptedSource);
  source->steps = {{khvStreamingStatus_OK, "ab"}, {khvStreamingStatus_Error, ""}};
  EXPECT_FALSE(stream->WriteStream(source.get()));
  EXPECT_EQ(source->releases, 1);
  EXPECT_EQ(stream->GetStreamPosition(), 2u);
}

TEST_F(MemoryStreamTest, WriteStreamReleasesPieceEvenWhenWriteFails) {
  hvStreamPtr<ScriptedSource> source(new ScriptedSource);
  source->steps = {{khvStreamingStatus_OK, "ab"}};
  stream->SignalInterrupted();
  EXPECT_FALSE(stream->WriteStream(source.get()));
  EXPECT_EQ(source->releases, 1);
}

TEST_F(MemoryStreamTest, WriteStreamFromAnotherMemoryStream) {
  hvStreamPtr<hvMemoryStream> source(new hvMemoryStream(16, "audio/mpeg"));
  std::string bytes = hvPatternBytes(70000, 3);
  source->WriteBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  source->SeekBytes(0);
  EXPECT_TRUE(stream->WriteStream(source.get()));
  stream->SeekBytes(0);
  std::string got;
  Get(bytes.size(), &got);
  EXPECT_EQ(got, bytes);
}

}  // namespace
