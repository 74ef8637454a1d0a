// hvProgressiveStream over a memory stream and a scripted download manager: reads and seeks
// inside the downloaded part, Pending beyond it, failed downloads, and forwarding.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

class FakeManager : public hvProgressiveStreamDownloaderMgr {
 public:
  int64_t downloaded = -1;
  int64_t full = -1;
  bool failed = false;
  std::vector<uint64_t> requests;
  std::vector<std::string> events;

  // Parts of the file, as a manager that fetches ranges has them: when set, the count runs
  // from the stream's position to the end of the part holding it.
  std::vector<std::pair<int64_t, int64_t>> parts;
  hvProgressiveStream* reader = nullptr;

  int64_t GetDownloadedSize(const hvCString&) override {
    if (parts.empty()) return downloaded;
    int64_t position = static_cast<int64_t>(static_cast<uint64_t>(reader->GetStreamPosition()));
    for (const auto& part : parts)
      if (part.first <= position && position < part.second) return part.second;
    return position;
  }
  int64_t GetFullSize(const hvCString&) override { return full; }
  bool RequestDownloadAt(const hvCString&, uint64_t position) override {
    requests.push_back(position);
    return true;
  }
  bool IsDownloadFailed(const hvCString&) override { return failed; }
  bool AddStream(const hvCString& name, hvProgressiveStream* stream) override {
    reader = stream;
    events.push_back(std::string("add ") + name.c_str());
    return true;
  }
  bool RemoveStream(const hvCString& name, hvProgressiveStream*) override {
    events.push_back(std::string("remove ") + name.c_str());
    return true;
  }
};

// A memory stream that notes its destruction in the manager's event list.
class NotingMemoryStream : public hvMemoryStream {
 public:
  NotingMemoryStream(std::vector<std::string>* events)
      : hvMemoryStream(16, "video/mpeg"), m_events(events) {}
  // The time seek answer is scripted: memory streams cannot seek by time.
  hvStreamingStatus timeSeekStatus = khvStreamingStatus_SeekNotSupported;
  hvStreamingStatus SeekTime(const hvuint64&) override { return timeSeekStatus; }

 protected:
  ~NotingMemoryStream() override { m_events->push_back("inner deleted"); }

 private:
  std::vector<std::string>* m_events;
};

class ProgressiveStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inner = new NotingMemoryStream(&manager.events);
    inner->WriteBytes(reinterpret_cast<const unsigned char*>(source.data()), source.size());
    inner->SeekBytes(0);
    stream.reset(new hvProgressiveStream(inner, &manager, "movie"));
  }
  hvStreamingStatus Get(size_t wanted, std::string* got) {
    std::string buffer(wanted, '\0');
    size_t length = wanted;
    hvStreamingStatus status =
        stream->PullGet(reinterpret_cast<unsigned char*>(&buffer[0]), &length, false);
    got->assign(buffer.data(), length);
    return status;
  }
  FakeManager manager;
  const std::string source = hvPatternBytes(2000, 5);
  NotingMemoryStream* inner = nullptr;
  hvStreamPtr<hvProgressiveStream> stream;
};

TEST_F(ProgressiveStreamTest, ReadNearDownloadedEndIsCut) {
  manager.downloaded = 1000;
  stream->SeekBytes(900);
  std::string got;
  EXPECT_EQ(Get(500, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, source.substr(900, 100));
  EXPECT_TRUE(manager.requests.empty());
}

TEST_F(ProgressiveStreamTest, ReadAtDownloadedEndIsPendingAndRequested) {
  manager.downloaded = 1000;
  stream->SeekBytes(1000);
  unsigned char* data = reinterpret_cast<unsigned char*>(&manager);  // left as it was
  size_t length = 10;
  EXPECT_EQ(stream->PullTake(&data, &length, false), khvStreamingStatus_Pending);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(data, reinterpret_cast<unsigned char*>(&manager));
  EXPECT_EQ(manager.requests, std::vector<uint64_t>{1000});
  // Once more data has arrived, the same read delivers it.
  manager.downloaded = 1500;
  std::string got;
  EXPECT_EQ(Get(10, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, source.substr(1000, 10));
}

TEST_F(ProgressiveStreamTest, ReadAtEndOfFailedDownloadIsAnError) {
  manager.downloaded = 1000;
  manager.failed = true;
  stream->SeekBytes(1000);
  std::string got;
  EXPECT_EQ(Get(10, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got.empty());
  EXPECT_TRUE(manager.requests.empty());
}

TEST_F(ProgressiveStreamTest, EndOfCompleteDownloadIsEndOfStream) {
  // Used to answer Pending for ever once the whole file had arrived.
  manager.downloaded = manager.full = 2000;
  stream->SeekBytes(2000);
  std::string got;
  EXPECT_EQ(Get(10, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(manager.requests.empty());
}

TEST_F(ProgressiveStreamTest, HugeRequestIsCutToDownloadedEnd) {
  // Used to overflow position + length and read past the downloaded part.
  manager.downloaded = 1000;
  stream->SeekBytes(990);
  unsigned char* data = nullptr;
  size_t length = static_cast<size_t>(-1);
  EXPECT_EQ(stream->PullTake(&data, &length, false), khvStreamingStatus_OK);
  EXPECT_EQ(length, 10u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), length), source.substr(990, 10));
}

TEST_F(ProgressiveStreamTest, ByteSeekUpToDownloadedEndGoesToInnerStream) {
  manager.downloaded = 1000;
  EXPECT_EQ(stream->SeekBytes(1000), khvStreamingStatus_OK);
  EXPECT_EQ(stream->GetStreamPosition(), 1000u);
  EXPECT_EQ(stream->SeekBytes(1001), khvStreamingStatus_Pending);
  EXPECT_EQ(manager.requests, std::vector<uint64_t>{1001});
  EXPECT_EQ(stream->GetStreamPosition(), 1000u);
  EXPECT_EQ(stream->SeekBytes(khvuint64_Max), khvStreamingStatus_Pending);
}

TEST_F(ProgressiveStreamTest, ByteSeekReachesAPartBeyondAHole) {
  // Used to answer Pending for ever: the target was only compared with the count from the
  // old position, which stops at the hole.
  manager.parts = {{0, 500}, {1200, 2000}};
  EXPECT_EQ(stream->SeekBytes(1300), khvStreamingStatus_OK);
  std::string got;
  EXPECT_EQ(Get(100, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, source.substr(1300, 100));
  manager.parts = {{0, 500}};
  EXPECT_EQ(stream->SeekBytes(100), khvStreamingStatus_OK);
  EXPECT_EQ(stream->SeekBytes(1300), khvStreamingStatus_OK);
  EXPECT_EQ(Get(100, &got), khvStreamingStatus_Pending);
  EXPECT_EQ(manager.requests, (std::vector<uint64_t>{1300, 1300, 1300}));
}

TEST_F(ProgressiveStreamTest, UnknownDownloadedSizeSetsNoLimit) {
  manager.downloaded = -1;
  EXPECT_EQ(stream->SeekBytes(1500), khvStreamingStatus_OK);
  std::string got;
  EXPECT_EQ(Get(1000, &got), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(got, source.substr(1500));
  EXPECT_TRUE(manager.requests.empty());
}

TEST_F(ProgressiveStreamTest, SizeIsFullSizeWhenKnown) {
  EXPECT_EQ(stream->GetStreamSize(), 2000u);
  manager.full = 5000;
  EXPECT_EQ(stream->GetStreamSize(), 5000u);
}

TEST_F(ProgressiveStreamTest, TimeSeekWaitsForCompleteDownload) {
  EXPECT_EQ(stream->SeekTime(10), khvStreamingStatus_Pending);
  manager.downloaded = manager.full = 2000;
  EXPECT_EQ(stream->SeekTime(10), khvStreamingStatus_SeekNotSupported);
  inner->timeSeekStatus = khvStreamingStatus_OK;
  manager.downloaded = 10;
  EXPECT_EQ(stream->SeekTime(10), khvStreamingStatus_OK);
  EXPECT_TRUE(manager.requests.empty());
}

TEST_F(ProgressiveStreamTest, FullDownloadNeedsBothCountsKnownAndEqual) {
  EXPECT_FALSE(manager.IsFullDownloaded("movie"));  // both -1
  manager.downloaded = 10;
  manager.full = 20;
  EXPECT_FALSE(manager.IsFullDownloaded("movie"));
  manager.downloaded = 20;
  EXPECT_TRUE(manager.IsFullDownloaded("movie"));
}

TEST_F(ProgressiveStreamTest, OtherOperationsGoToInnerStream) {
  EXPECT_STREQ(stream->GetID(), "memory");
  EXPECT_EQ(stream->GetMimeType(), "video/mpeg");
  EXPECT_EQ(stream->GetTotalBufferSize(), inner->GetTotalBufferSize());
  stream->SignalInterrupted();
  std::string got;
  manager.downloaded = -1;
  EXPECT_EQ(Get(1, &got), khvStreamingStatus_Interrupted);
}

void CountCall(void* calls) { ++*static_cast<int*>(calls); }

// A reader waits on the progressive stream while the signals come from the inner stream's
// owner: registrations must land on the inner stream's chains, and queries answer for it.
TEST_F(ProgressiveStreamTest, CallbacksAndQueriesAreTheInnerStreams) {
  int thresholds = 0, shortages = 0;
  stream->PushThresholdCallBack(&CountCall, &thresholds);
  stream->PushDataShortageCallBack(&CountCall, &shortages);
  inner->SignalThresholdReached();
  inner->SignalDataShortage();
  stream->SignalThresholdReached();
  stream->SignalDataShortage();
  stream->PopThresholdCallBack(&CountCall);
  stream->PopDataShortageCallBack(&CountCall);
  inner->SignalThresholdReached();
  inner->SignalDataShortage();
  EXPECT_EQ(thresholds, 2);
  EXPECT_EQ(shortages, 2);

  inner->SetInfo(new hvMediaInfo);
  EXPECT_EQ(stream->GetInfo(), inner->GetInfo());
  hvMediaInfo fromStream, fromInner;
  EXPECT_TRUE(stream->GetInfo(&fromStream));
  EXPECT_TRUE(inner->GetInfo(&fromInner));
  EXPECT_EQ(stream->GetErrorCode(), 0);
  EXPECT_EQ(stream->GetDuration(), inner->GetDuration());
  EXPECT_EQ(stream->GetAvailableReadSize(), inner->GetAvailableReadSize());
  EXPECT_EQ(stream->GetFileName(), inner->GetFileName());
  EXPECT_EQ(stream->GetExtension(), inner->GetExtension());
  for (int what :
       {khvStreamSupport_ApplicationCode3, khvStreamSupport_ByteSeek, khvStreamSupport_TimeSeek})
    EXPECT_EQ(stream->Support(what), inner->Support(what)) << what;
  EXPECT_EQ(stream->IsLive(), inner->IsLive());
  EXPECT_EQ(stream->IsPauseAllowed(), inner->IsPauseAllowed());
  // Without a buffer there is nothing to wait for.
  EXPECT_FALSE(stream->ReachReadSizeThreshold(1, 0));
}

// The ready-made pair with the progressive stream as user data: the wait used to sleep on the
// inner stream's condition while the signal went to the progressive stream's, for ever.
TEST_F(ProgressiveStreamTest, ReadyMadeThresholdPairWakesTheReader) {
  stream->PushThresholdCallBack(&hvStream::DefaultThresholdCallBack, stream.get());
  inner->SignalThresholdReached();  // given before the wait, it still counts
  std::atomic<bool> woke{false};
  std::thread reader([&] {
    stream->DefaultThresholdWait();
    woke = true;
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!woke && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(woke);
  if (!woke) hvStream::DefaultThresholdCallBack(inner);  // frees the reader of a failed run
  reader.join();
}

TEST_F(ProgressiveStreamTest, LifetimeIsReportedToManager) {
  stream.reset();
  EXPECT_EQ(manager.events,
            (std::vector<std::string>{"add movie", "remove movie", "inner deleted"}));
}

// A buffered file stream over a file that is still being written, read through the download
// manager's counts; the file answers in short pieces, as network file systems do. The first
// short read used to end the stream for good.
TEST(ProgressiveFileTest, FileStillBeingWrittenIsReadToItsEnd) {
  const std::string source = hvPatternBytes(20000, 9);
  FakeManager manager;
  manager.full = static_cast<int64_t>(source.size());
  manager.downloaded = 0;
  auto* file = new hvFileDouble("");
  file->readLimit = 1500;
  hvStreamPtr<hvProgressiveStream> stream(new hvProgressiveStream(
      new hvFileStream(new hvStreamMultiBuffer(4096, 2), file, "", "x"), &manager, "growing"));
  std::string received;
  hvStreamingStatus status = khvStreamingStatus_OK;
  for (int take = 0; take < 1000 && status != khvStreamingStatus_EndOfStream; ++take) {
    if (manager.downloaded < manager.full) {  // the writer appends the next 3000 bytes
      file->Append(source.substr(static_cast<size_t>(manager.downloaded), 3000));
      manager.downloaded = std::min<int64_t>(manager.downloaded + 3000, manager.full);
    }
    unsigned char* data = nullptr;
    size_t length = 5000;
    status = stream->PullTake(&data, &length, false);
    ASSERT_TRUE(status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream)
        << status << " at " << received.size();
    if (length > 0) received.append(reinterpret_cast<char*>(data), length);
    stream->PullRelease(data, length);
  }
  EXPECT_EQ(status, khvStreamingStatus_EndOfStream);
  EXPECT_EQ(received.size(), source.size());
  EXPECT_TRUE(received == source);
}

}  // namespace
