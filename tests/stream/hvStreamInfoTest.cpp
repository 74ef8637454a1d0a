// What a stream answers from its protocolInfo and media description: seek and stalling
// capabilities, pause, duration, and the media description it fills.
#include <gtest/gtest.h>

#include "hulvoStreaming/hvStream.h"
#include "hvStreamTestUtil.h"

namespace {

class PlainStream : public hvStream {};

// A stream with a MIME type, size and extension of its choosing.
class DescribedStream : public hvStream {
 public:
  hvCString mimeType, extension, fileName;
  hvuint64 size = khvuint64_Max;
  bool live = false;
  hvCString GetMimeType() override { return mimeType; }
  hvCString GetExtension() override { return extension; }
  hvCString GetFileName() override { return fileName; }
  hvuint64 GetStreamSize() override { return size; }
  bool IsLive() override { return live; }
};

// Counts destructions, to see that the stream releases the record it holds.
struct CountedInfo : hvMediaInfo {
  explicit CountedInfo(int* destroyed) : destroyed(destroyed) {}
  ~CountedInfo() override { ++*destroyed; }
  int* destroyed;
};

TEST(StreamInfo, NewStreamAnswers) {
  hvStreamPtr<PlainStream> stream(new PlainStream);
  EXPECT_TRUE(stream->Support(khvStreamSupport_ByteSeek));
  EXPECT_FALSE(stream->Support(khvStreamSupport_TimeSeek));
  EXPECT_FALSE(stream->Support(khvStreamSupport_ConnectionStalling));
  EXPECT_TRUE(stream->Support(1));
  EXPECT_TRUE(stream->Support(3));
  EXPECT_FALSE(stream->Support(2));
  EXPECT_FALSE(stream->IsLive());
  EXPECT_TRUE(stream->IsPauseAllowed());
  EXPECT_EQ(stream->GetDuration(), 0u);
  EXPECT_EQ(stream->GetInfo(), nullptr);
}

TEST(StreamInfo, ProtocolInfoDecidesSeeking) {
  struct Case {
    const char* text;
    bool byteSeek, timeSeek, stalling;
  } cases[] = {
      {"http-get:*:video/mpeg:DLNA.ORG_OP=10", false, true, false},
      {"http-get:*:video/mpeg:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=00200000000000000000000000000000",
       true, false, true},
      {"", false, false, false},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=11", false, true, false},
  };
  for (const Case& c : cases) {
    hvStreamPtr<PlainStream> stream(new PlainStream);
    stream->SetProtocolInfo(c.text);
    EXPECT_EQ(stream->Support(khvStreamSupport_ByteSeek), c.byteSeek) << c.text;
    EXPECT_EQ(stream->Support(khvStreamSupport_TimeSeek), c.timeSeek) << c.text;
    EXPECT_EQ(stream->Support(khvStreamSupport_ConnectionStalling), c.stalling) << c.text;
    EXPECT_TRUE(stream->Support(1)) << c.text;
    EXPECT_FALSE(stream->Support(4)) << c.text;
  }
}

TEST(StreamInfo, NewProtocolInfoReplacesOldEvenWhenMalformed) {
  hvStreamPtr<PlainStream> stream(new PlainStream);
  stream->SetProtocolInfo("http-get:*:video/mpeg:DLNA.ORG_OP=11");
  ASSERT_TRUE(stream->Support(khvStreamSupport_ByteSeek));
  stream->SetProtocolInfo("garbage");
  EXPECT_FALSE(stream->Support(khvStreamSupport_ByteSeek));
  EXPECT_FALSE(stream->Support(khvStreamSupport_TimeSeek));
}

TEST(StreamInfo, ProtocolInfoHoldingNulBytesIsRefused) {
  hvStreamPtr<PlainStream> stream(new PlainStream);
  const char text[] = "http-get:*:video/mpeg:DLNA.ORG_OP=10\0;x_y=1";
  stream->SetProtocolInfo(hvCString(text, 0, sizeof(text) - 1));
  // The whole text is refused: neither the text cut at the NUL (which offers time seek) nor
  // the bytes around it are trusted.
  EXPECT_FALSE(stream->Support(khvStreamSupport_TimeSeek));
}

TEST(StreamInfo, DurationComesFromMediaDescription) {
  hvStreamPtr<PlainStream> stream(new PlainStream);
  auto* info = new hvMediaInfo;
  info->SetUInt32("du", 90000, true);
  stream->SetInfo(info);
  EXPECT_EQ(stream->GetDuration(), 90000u);
  EXPECT_EQ(stream->GetInfo(), info);
}

TEST(StreamInfo, SetInfoDestroysPreviousRecord) {
  int destroyed = 0;
  hvStreamPtr<PlainStream> stream(new PlainStream);
  stream->SetInfo(new CountedInfo(&destroyed));
  stream->SetInfo(new CountedInfo(&destroyed));
  EXPECT_EQ(destroyed, 1);
  stream->SetInfo(nullptr);
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(stream->GetInfo(), nullptr);
  stream->SetInfo(new CountedInfo(&destroyed));
  stream.reset();
  EXPECT_EQ(destroyed, 3);
}

TEST(StreamInfo, LiveStreamRefusesPause) {
  hvStreamPtr<DescribedStream> stream(new DescribedStream);
  stream->live = true;
  EXPECT_FALSE(stream->IsPauseAllowed());
}

TEST(StreamInfo, GetInfoWritesLowerCasedKnownValues) {
  hvStreamPtr<DescribedStream> stream(new DescribedStream);
  stream->mimeType = "Video/MPEG";
  stream->extension = "MPG";
  stream->fileName = "/media/a.MPG";
  stream->size = 1234;
  hvMediaInfo info;
  EXPECT_TRUE(stream->GetInfo(&info));
  EXPECT_EQ(info.GetCString("mt"), "video/mpeg");
  EXPECT_EQ(info.GetCString("fe"), "mpg");
  EXPECT_EQ(info.GetUInt64("fs", 0), 1234u);
  EXPECT_EQ(info.fileName, "/media/a.MPG");
}

TEST(StreamInfo, GetInfoSkipsUnknownSizeAndKeepsGivenFileName) {
  hvStreamPtr<DescribedStream> stream(new DescribedStream);
  stream->fileName = "/media/a.mpg";
  hvMediaInfo info;
  info.fileName = "http://server/a.mpg";
  EXPECT_FALSE(stream->GetInfo(&info));  // nothing but the file name: not a success
  EXPECT_FALSE(info.Has("fs"));
  EXPECT_FALSE(info.Has("mt"));
  EXPECT_EQ(info.fileName, "http://server/a.mpg");
  stream->size = 0;
  EXPECT_FALSE(stream->GetInfo(&info));
}

}  // namespace
