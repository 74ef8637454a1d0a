// hvFileStream: the consumer's own takes top the ring up from the file; seeks are served from
// the ring where possible; interruption and file errors reach the consumer through the ring.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

int g_thresholdCalls = 0;
void CountThreshold(void*) { ++g_thresholdCalls; }

class FileStreamTest : public ::testing::Test {
 protected:
  // A stream over a scripted file of `size` pattern bytes, with the default ring or `buffer`.
  void Open(size_t size, hvStreamBuffer* buffer = nullptr) {
    bytes = hvPatternBytes(size, 11);
    file = new hvFileDouble(bytes);
    stream.reset(new hvFileStream(buffer, file, "video/MP2T", "/media/clip.TS"));
  }
  hvStreamingStatus Take(size_t wanted, std::string* got, bool exact = false) {
    unsigned char* data = nullptr;
    size_t length = wanted;
    hvStreamingStatus status = stream->PullTake(&data, &length, exact);
    got->assign(data ? reinterpret_cast<char*>(data) : "", data ? length : 0);
    return status;
  }
  hvStreamingStatus TakeAndRelease(size_t wanted, std::string* got) {
    hvStreamingStatus status = Take(wanted, got);
    if (status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream)
      status = stream->PullRelease(nullptr, got->size());
    return status;
  }
  // Reads on in takes of 300 bytes; every take before the end must deliver, and the end
  // must come with the last byte of the file.
  void ExpectReadsToEnd(size_t from) {
    std::string got, all;
    hvStreamingStatus status = khvStreamingStatus_OK;
    for (int reads = 0; status == khvStreamingStatus_OK && reads < 100000; ++reads) {
      status = TakeAndRelease(300, &got);
      all += got;
      if (status == khvStreamingStatus_OK && got.empty()) break;  // a stall
    }
    EXPECT_EQ(status, khvStreamingStatus_EndOfStream) << "after " << all.size() << " bytes";
    EXPECT_TRUE(all == bytes.substr(from)) << "got " << all.size() << " bytes";
  }
  std::string bytes;
  hvFileDouble* file = nullptr;  // owned by the stream
  hvStreamPtr<hvFileStream> stream;
};

TEST_F(FileStreamTest, DefaultRingAndDescription) {
  Open(1000);
  EXPECT_TRUE(stream->IsValid());
  EXPECT_EQ(stream->GetTotalBufferSize(), 262144u);
  EXPECT_STREQ(stream->GetID(), "hvFile");
  EXPECT_EQ(stream->GetStreamSize(), 1000u);
  EXPECT_EQ(stream->GetExtension(), "TS");
  EXPECT_EQ(stream->GetFileName(), "/media/clip.TS");
  EXPECT_EQ(stream->GetMimeType(), "video/MP2T");
  EXPECT_EQ(stream->SeekTime(0), khvStreamingStatus_SeekNotSupported);
}

TEST_F(FileStreamTest, FirstTakeReadsOnlyWhatIsAskedAndSignalsThreshold) {
  Open(1000);
  g_thresholdCalls = 0;
  stream->PushThresholdCallBack(CountThreshold, nullptr);
  std::string got;
  EXPECT_EQ(Take(100, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(0, 100));
  EXPECT_EQ(file->Tell(), 100);  // the shortfall only, read straight into the ring
  EXPECT_EQ(g_thresholdCalls, 1);
  EXPECT_EQ(stream->GetStreamPosition(), 0u);
  stream->PullRelease(nullptr, 100);
  EXPECT_EQ(stream->GetStreamPosition(), 100u);
}

TEST_F(FileStreamTest, ReadingToEndReportsEndThroughTheRing) {
  Open(1000);
  std::string got, all;
  hvStreamingStatus status;
  do {
    status = TakeAndRelease(300, &got);
    all += got;
  } while (status == khvStreamingStatus_OK && all.size() < 5000);
  EXPECT_EQ(status, khvStreamingStatus_EndOfStream);
  EXPECT_EQ(all, bytes);
  hvLogCapture log;
  EXPECT_EQ(Take(10, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got.empty());
  EXPECT_GE(log.Count(), 1u);  // the ring refuses the top-up's write take after the end
}

TEST_F(FileStreamTest, PullGetCopiesThroughTakeAndRelease) {
  Open(5000);
  std::string buffer(1200, '\0');
  size_t length = buffer.size();
  EXPECT_EQ(stream->PullGet(reinterpret_cast<unsigned char*>(&buffer[0]), &length, false),
            khvStreamingStatus_OK);
  EXPECT_EQ(buffer.substr(0, length), bytes.substr(0, length));
  EXPECT_EQ(stream->GetStreamPosition(), length);
}

TEST_F(FileStreamTest, SeekInsideRingReadsNothing) {
  Open(100000);
  std::string got;
  ASSERT_EQ(TakeAndRelease(50000, &got), khvStreamingStatus_OK);
  int readsBefore = file->reads;
  EXPECT_EQ(stream->SeekBytes(1000), khvStreamingStatus_OK);
  EXPECT_EQ(file->Tell(), 50000);  // where the ring needs its next bytes
  EXPECT_EQ(Take(500, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(1000, 500));
  EXPECT_EQ(file->reads, readsBefore);
}

TEST_F(FileStreamTest, SeekOutsideRingRestartsThere) {
  Open(100000);
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  EXPECT_EQ(stream->SeekBytes(90000), khvStreamingStatus_OK);
  EXPECT_EQ(stream->GetStreamPosition(), 90000u);
  EXPECT_EQ(Take(2000, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(90000, 2000));
}

TEST_F(FileStreamTest, ExactTakeAcrossBlocksIsWhole) {
  Open(10000, new hvStreamMultiBuffer(1024, 4));
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  // One top-up per take fills at most one block's room: an exact take answers OK with
  // nothing until the ring holds the whole request, which spans a block edge.
  int takes = 0;
  do {
    ASSERT_EQ(Take(1500, &got, true), khvStreamingStatus_OK);
  } while (got.empty() && ++takes < 10);
  EXPECT_EQ(got, bytes.substr(1000, 1500));
  EXPECT_GT(takes, 0);
}

// Files still being written, pipes and /proc files answer in pieces: the first short read
// used to end the stream.
TEST_F(FileStreamTest, ShortReadsAreNotTheEnd) {
  Open(5000);
  file->readLimit = 7;
  ExpectReadsToEnd(0);
}

TEST_F(FileStreamTest, FileStillBeingWrittenIsReadAsItGrows) {
  Open(1000);
  std::string got;
  ASSERT_EQ(TakeAndRelease(600, &got), khvStreamingStatus_OK);
  ASSERT_EQ(TakeAndRelease(600, &got), khvStreamingStatus_OK);  // all there is for now
  EXPECT_EQ(got.size(), 400u);
  file->Append(hvPatternBytes(500, 3));  // the writer adds more before the reader's next take
  bytes += hvPatternBytes(500, 3);
  ExpectReadsToEnd(1000);
}

TEST_F(FileStreamTest, PipeOffersNoByteSeekButSeeksInsideTheRing) {
  Open(100000);
  auto* pipe = new hvFileDouble(bytes);
  pipe->pipe = true;
  stream.reset(new hvFileStream(nullptr, pipe, "", "x"));
  file = nullptr;
  EXPECT_FALSE(stream->Support(khvStreamSupport_ByteSeek));
  EXPECT_EQ(stream->GetStreamSize(), khvuint64_Max);  // a pipe's length says nothing
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  EXPECT_EQ(stream->SeekBytes(500), khvStreamingStatus_OK);  // still in the ring
  EXPECT_EQ(stream->SeekBytes(50000), khvStreamingStatus_SeekNotSupported);
  EXPECT_EQ(stream->GetStreamPosition(), 500u);
  ExpectReadsToEnd(500);
}

// ---- Error paths.

TEST_F(FileStreamTest, FailedSeekLeavesStreamWhereItWas) {
  Open(100000);
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  file->seekSkew = 7;
  file->skewOnce = true;
  EXPECT_EQ(stream->SeekBytes(50000), khvStreamingStatus_Error);          // lands elsewhere
  EXPECT_EQ(stream->SeekBytes(khvuint64_Max), khvStreamingStatus_Error);  // beyond any file
  EXPECT_EQ(stream->GetStreamPosition(), 1000u);
  ASSERT_EQ(TakeAndRelease(3000, &got), khvStreamingStatus_OK);
  EXPECT_TRUE(got == bytes.substr(1000, 3000));
  EXPECT_EQ(stream->SeekBytes(0), khvStreamingStatus_OK);
  EXPECT_EQ(stream->SeekBytes(60000), khvStreamingStatus_OK);
  ExpectReadsToEnd(60000);
}

TEST_F(FileStreamTest, FileThatCannotReturnStopsAtTheBufferedBytes) {
  Open(100000);
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  file->seekSkew = 7;  // every seek, the way back included, lands elsewhere
  EXPECT_EQ(stream->SeekBytes(50000), khvStreamingStatus_Error);
  ASSERT_EQ(Take(5000, &got), khvStreamingStatus_Error);  // never bytes from the wrong offset
  EXPECT_TRUE(got.empty());
}

TEST_F(FileStreamTest, InterruptedStreamStaysInterruptedAcrossSeeks) {
  Open(100000);
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  stream->SignalInterrupted();
  // A reset seek used to revive the ring, and every take then answered OK with nothing.
  EXPECT_EQ(stream->SeekBytes(90000), khvStreamingStatus_Interrupted);
  EXPECT_EQ(stream->SeekBytes(500), khvStreamingStatus_Interrupted);
  EXPECT_EQ(Take(100, &got), khvStreamingStatus_Interrupted);
}

// A ring that lets the test act as the reader while another thread's SignalInterrupted()
// has raised the stream's flag but not yet reached the ring.
class InterruptingRing : public hvStreamMultiBuffer {
 public:
  InterruptingRing() : hvStreamMultiBuffer(4096, 2) {}
  std::function<void()> beforeInterrupt;
  std::function<void()> afterSeek;
  void SignalInterrupted() override {
    if (beforeInterrupt) beforeInterrupt();
    hvStreamMultiBuffer::SignalInterrupted();
  }
  bool Seek(const hvuint64& position) override {
    bool inside = hvStreamMultiBuffer::Seek(position);
    if (afterSeek) afterSeek();
    return inside;
  }
};

TEST_F(FileStreamTest, InterruptionHalfwayIsAlreadySticky) {
  auto* ring = new InterruptingRing;
  Open(100000, ring);
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  hvStreamingStatus seek = khvStreamingStatus_OK, take = khvStreamingStatus_OK;
  ring->beforeInterrupt = [&] {
    seek = stream->SeekBytes(0);
    take = Take(100, &got);
  };
  stream->SignalInterrupted();
  // The seek saw the interruption, then the take used to hand out buffered bytes with OK.
  EXPECT_EQ(seek, khvStreamingStatus_Interrupted);
  EXPECT_EQ(take, khvStreamingStatus_Interrupted);
  EXPECT_TRUE(got.empty());
}

// An interruption that lands while a reset seek is pending is ignored by the ring; the seek
// must find it afterwards and interrupt again.
TEST_F(FileStreamTest, InterruptionDuringAResetSeekIsNotSwallowed) {
  auto* ring = new InterruptingRing;
  Open(100000, ring);
  std::string got;
  ASSERT_EQ(TakeAndRelease(1000, &got), khvStreamingStatus_OK);
  ring->afterSeek = [&] {
    ring->afterSeek = nullptr;
    stream->SignalInterrupted();
  };
  EXPECT_EQ(stream->SeekBytes(90000), khvStreamingStatus_Interrupted);
  EXPECT_EQ(Take(100, &got), khvStreamingStatus_Interrupted);
}

TEST_F(FileStreamTest, InterruptionStopsFileReads) {
  Open(100000);
  std::string got;
  ASSERT_EQ(TakeAndRelease(100, &got), khvStreamingStatus_OK);
  int readsBefore = file->reads;
  stream->SignalInterrupted();
  EXPECT_EQ(Take(5000, &got), khvStreamingStatus_Interrupted);
  EXPECT_EQ(file->reads, readsBefore);
}

TEST_F(FileStreamTest, FileReadErrorReachesConsumer) {
  Open(1000);
  file->failReads = true;
  std::string got;
  EXPECT_EQ(Take(100, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got.empty());
}

TEST_F(FileStreamTest, SeekLandingElsewhereFails) {
  Open(100000);
  file->seekSkew = 7;
  EXPECT_EQ(stream->SeekBytes(50000), khvStreamingStatus_Error);
}

TEST_F(FileStreamTest, InvalidWithoutFileOrWithInvalidRing) {
  hvStreamPtr<hvFileStream> noFile(new hvFileStream(nullptr, nullptr, "", "x"));
  hvLogCapture log;
  EXPECT_FALSE(noFile->IsValid());
  EXPECT_EQ(noFile->GetStreamSize(), khvuint64_Max);
  EXPECT_EQ(noFile->GetStreamPosition(), 0u);
  EXPECT_EQ(noFile->SeekBytes(0), khvStreamingStatus_Error);
  std::string ignored;
  hvStreamPtr<hvFileStream> badRing(
      new hvFileStream(new hvStreamMultiBuffer(0, 2), new hvFileDouble("abc"), "", "x"));
  EXPECT_FALSE(badRing->IsValid());
}

// ---- A real file of a few MiB, read with random seeks; every byte is checked.

TEST(FileStreamOnDisk, RandomSeeksAndReadsMatchTheFile) {
  hvTempDir dir;
  const std::string bytes = hvPatternBytes(3 * 1024 * 1024 + 123, 17);
  std::string path = dir.WriteFile("big.bin", bytes);
  auto* file = new hvFile;
  ASSERT_TRUE(file->Open(path.c_str()));
  hvStreamPtr<hvFileStream> stream(new hvFileStream(nullptr, file, "", path.c_str()));
  std::mt19937 random(5);
  uint64_t position = 0;
  for (int step = 0; step < 400; ++step) {
    if (random() % 4 == 0) {
      position = random() % (bytes.size() + 10);
      ASSERT_EQ(stream->SeekBytes(position), khvStreamingStatus_OK);
    }
    unsigned char* data = nullptr;
    const size_t wanted = 1 + random() % 200000;
    size_t length = wanted;
    bool exact = random() % 2 == 0;
    hvStreamingStatus status = stream->PullTake(&data, &length, exact);
    // An exact take answers "not yet" until one top-up per take has filled enough of the
    // ring; a few more takes must serve it.
    for (int retry = 0; exact && status == khvStreamingStatus_OK && length == 0 && retry < 8;
         ++retry) {
      length = wanted;
      status = stream->PullTake(&data, &length, exact);
    }
    ASSERT_TRUE(status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream)
        << "status " << status << " at " << position;
    ASSERT_LE(position + length, bytes.size());
    if (status == khvStreamingStatus_OK) {
      ASSERT_NE(length, 0u) << "stalled at " << position << (exact ? " (exact)" : "");
    } else {
      ASSERT_GE(position + length, bytes.size()) << "ended early at " << position;
    }
    if (length) {
      ASSERT_EQ(memcmp(data, bytes.data() + position, length), 0) << "at " << position;
    }
    size_t release = length ? random() % (length + 1) : 0;  // a release may be shorter
    stream->PullRelease(data, release);
    position += release;
    ASSERT_EQ(stream->GetStreamPosition(), position);
  }
}

}  // namespace
