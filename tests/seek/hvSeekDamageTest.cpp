// Seeks over damaged or incomplete media: a clear refusal or the nearest sound position,
// never a crash, a hang or a read outside the stream; data still downloading is "not yet".
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "hvSeekMediaFixture.h"
#include "hvTestSupport.h"

namespace {

class hvSeekDamageTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!hvSeekMediaPresent()) GTEST_SKIP() << "no generated media (ffmpeg missing at build)";
  }

  hvFormatSeeker* Seeker(const hvSeekMedia& media) {
    hvMediaInfo info;
    info.Set("dl", (std::string("DLNA.ORG_PN=") + media.profile).c_str(), true);
    return dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
  }
  // Seeks `bytes` (written to a file) as `media` would be, and checks what any answer must
  // keep to: a position inside the data, reads within the bound.
  hvStreamingStatus SeekIn(const hvSeekMedia& media, const std::string& bytes, uint64_t timeMs,
                           hvSeekResult* result) {
    hvStream* stream = hvSeekOpen(dir.WriteFile("damaged", bytes), media.mime, media.profile);
    hvStreamingStatus status = Seeker(media)->SeekTime(stream, timeMs, result);
    stream->Delete();
    if (status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream) {
      EXPECT_LT(result->bytePos, bytes.size()) << media.file << " at " << timeMs;
    }
    EXPECT_LE(result->bytesRead, media.readBound) << media.file;
    return status;
  }

  hvTempDir dir;
  std::unique_ptr<hvSeekerManager> manager{hvSeekerManager_Create()};
};

TEST_F(hvSeekDamageTest, TruncatedMediaSeekInsideWhatIsLeft) {
  for (size_t i = 0; i < khvSeekMediaCount; ++i) {
    const hvSeekMedia& media = khvSeekMedia[i];
    const std::string whole = hvSeekReadFile(hvSeekMediaPath(media.file));
    for (size_t keep : {whole.size() * 55 / 100, size_t(3000), size_t(5)}) {
      hvSeekResult result;
      for (uint64_t timeMs : {0, 2000, 9000}) SeekIn(media, whole.substr(0, keep), timeMs, &result);
    }
  }
}

TEST_F(hvSeekDamageTest, GarbageIsRefused) {
  const std::string garbage = hvPatternBytes(300000, 7);
  for (size_t i = 0; i < khvSeekMediaCount; ++i) {
    const hvSeekMedia& media = khvSeekMedia[i];
    if (!media.recognisable) continue;  // raw L16 is any bytes
    hvSeekResult result;
    EXPECT_EQ(SeekIn(media, garbage, 3000, &result), khvStreamingStatus_Error) << media.file;
  }
}

// Without its table of contents a VBR file is seeked as if constant rate: the time is off,
// but the position is still the start of a real frame.
TEST_F(hvSeekDamageTest, Mp3WithoutTableOfContentsStillLandsOnAFrame) {
  const hvSeekMedia& media = khvSeekMedia[1];
  ASSERT_STREQ(media.file, "mp3_vbr.mp3");
  std::string bytes = hvSeekReadFile(hvSeekMediaPath(media.file));
  const size_t tag = bytes.find("Xing");
  ASSERT_NE(tag, std::string::npos);
  bytes.replace(tag, 4, "Nope");
  std::vector<uint64_t> frames;
  for (const hvSeekTruth& packet : hvSeekLoadTruth(media)) frames.push_back(packet.position);
  for (uint64_t timeMs : {1000, 5000}) {
    hvSeekResult result;
    ASSERT_EQ(SeekIn(media, bytes, timeMs, &result), khvStreamingStatus_OK);
    EXPECT_NE(std::find(frames.begin(), frames.end(), result.bytePos), frames.end())
        << result.bytePos;
  }
}

// A transport stream joined to itself: its timestamps jump back halfway. The seek ends on
// a packet boundary somewhere in the file instead of looping; 40 s lies past any reading.
TEST_F(hvSeekDamageTest, TimestampDiscontinuityEndsOnAPacket) {
  const hvSeekMedia& media = khvSeekMedia[5];
  ASSERT_STREQ(media.file, "ts_h264.ts");
  const std::string once = hvSeekReadFile(hvSeekMediaPath(media.file));
  for (uint64_t timeMs : {3000, 15000, 40000}) {
    hvSeekResult result;
    const hvStreamingStatus status = SeekIn(media, once + once, timeMs, &result);
    EXPECT_TRUE(status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream);
    EXPECT_EQ(result.bytePos % 188, 0u);
  }
}

// What a download manager reports: the first `downloaded` bytes are there.
class PartialDownload : public hvProgressiveStreamDownloaderMgr {
 public:
  int64_t GetDownloadedSize(const hvCString&) override { return downloaded; }
  int64_t GetFullSize(const hvCString&) override { return full; }
  bool RequestDownloadAt(const hvCString&, uint64_t) override { return true; }
  bool IsDownloadFailed(const hvCString&) override { return false; }
  bool AddStream(const hvCString&, hvProgressiveStream*) override { return true; }
  bool RemoveStream(const hvCString&, hvProgressiveStream*) override { return true; }

  int64_t downloaded = 0;
  int64_t full = 0;
};

// Every read a seek needs may find its bytes not there yet: whatever part has arrived, the
// answer is "not yet" with the stream where it was, or the position the whole file gives.
TEST_F(hvSeekDamageTest, DataStillDownloadingIsNotYetThenFound) {
  for (size_t i = 0; i < khvSeekMediaCount; ++i) {
    const hvSeekMedia& media = khvSeekMedia[i];
    PartialDownload download;
    download.full = static_cast<int64_t>(hvSeekReadFile(hvSeekMediaPath(media.file)).size());
    // The progressive stream shows the media description of the stream it wraps.
    hvStream* stream = new hvProgressiveStream(
        hvSeekOpen(hvSeekMediaPath(media.file), media.mime, media.profile), &download, "download");
    download.downloaded = download.full;
    hvSeekResult whole;
    ASSERT_EQ(Seeker(media)->SeekTime(stream, 8000, &whole), khvStreamingStatus_OK) << media.file;
    for (int64_t part :
         {int64_t(0), int64_t(100), int64_t(5000), download.full / 3, download.full * 5 / 6}) {
      download.downloaded = part;
      hvSeekResult result;
      const hvStreamingStatus status = hvSeeker_SeekTime(manager.get(), stream, 8000, &result);
      if (status == khvStreamingStatus_OK) {
        EXPECT_EQ(result.bytePos, whole.bytePos) << media.file << " with " << part;
        ASSERT_EQ(stream->SeekBytes(0), khvStreamingStatus_OK);
        continue;
      }
      EXPECT_EQ(status, khvStreamingStatus_Pending) << media.file << " with " << part;
      EXPECT_EQ(stream->GetStreamPosition(), 0u) << media.file;
      // Arithmetic (LPCM) needs none of the bytes; only moving the stream waits for them.
      hvuint64 bytePos = 1;
      const bool converted = Seeker(media)->TimeSpecToBytePos(stream, 8000, bytePos);
      EXPECT_EQ(bytePos, converted ? whole.bytePos : 1u) << media.file << " with " << part;
    }
    download.downloaded = download.full;
    hvSeekResult result;
    EXPECT_EQ(hvSeeker_SeekTime(manager.get(), stream, 8000, &result), khvStreamingStatus_OK)
        << media.file;
    EXPECT_EQ(stream->GetStreamPosition(), result.bytePos);
    stream->Delete();
  }
}

// A file whose reads stop delivering after a number of them, with "not yet" (still
// arriving) or an error (a failing disk).
class FailingStream : public hvFileGetStream {
 public:
  FailingStream(hvFile* file, const char* mime, int reads, hvStreamingStatus failure)
      : hvFileGetStream(file, mime, "failing"), readsLeft(reads), m_failure(failure) {}
  hvStreamingStatus PullGet(unsigned char* destination, size_t* length, bool exact) override {
    if (readsLeft-- > 0) return hvFileGetStream::PullGet(destination, length, exact);
    *length = 0;
    return m_failure;
  }

  int readsLeft;

 private:
  hvStreamingStatus m_failure;
};

// Whichever read of a seek fails, the seek answers that failure and puts the stream back;
// with enough reads it answers what it answers over the sound file.
TEST_F(hvSeekDamageTest, EveryReadMayFail) {
  for (size_t i = 0; i < khvSeekMediaCount; ++i) {
    const hvSeekMedia& media = khvSeekMedia[i];
    for (hvStreamingStatus failure : {khvStreamingStatus_Pending, khvStreamingStatus_Error}) {
      bool done = false;
      for (int reads = 0; reads < 1000 && !done; ++reads) {
        hvFile* file = new hvFile;
        ASSERT_TRUE(file->Open(hvSeekMediaPath(media.file).c_str()));
        FailingStream* stream = new FailingStream(file, media.mime, reads, failure);
        hvMediaInfo* info = new hvMediaInfo;
        info->Set("dl", (std::string("DLNA.ORG_PN=") + media.profile).c_str(), true);
        stream->SetInfo(info);
        stream->SeekBytes(100);
        hvSeekResult result;
        const hvStreamingStatus status = Seeker(media)->SeekTime(stream, 6000, &result);
        done = stream->readsLeft >= 0;
        EXPECT_EQ(status, done ? khvStreamingStatus_OK : failure)
            << media.file << " failing read " << reads;
        EXPECT_EQ(stream->GetStreamPosition(), 100u) << media.file << " failing read " << reads;
        stream->Delete();
      }
      EXPECT_TRUE(done) << media.file;
    }
  }
}

TEST_F(hvSeekDamageTest, NoStreamOrUnknownContentIsRefused) {
  hvSeekResult result;
  EXPECT_EQ(hvSeeker_SeekTime(manager.get(), nullptr, 0, &result),
            khvStreamingStatus_InvalidOperation);
  EXPECT_EQ(Seeker(khvSeekMedia[0])->SeekTime(nullptr, 0, &result),
            khvStreamingStatus_InvalidOperation);
  hvStream* stream =
      hvSeekOpen(dir.WriteFile("text", std::string(5000, 'x')), "text/plain", nullptr);
  EXPECT_EQ(hvSeeker_SeekTime(manager.get(), stream, 1000, &result), khvStreamingStatus_Error);
  stream->Delete();
}

}  // namespace
