// The format seekers against ffprobe: for every generated file and a grid of times, the
// position found must be that of the packet (key frame for video) ffprobe lists at or just
// before the time, within one packet, and the seek must stay within its read bound.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "hvSeekMediaFixture.h"

namespace {

class hvSeekAccuracyTest : public testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    if (!hvSeekMediaPresent()) GTEST_SKIP() << "no generated media (ffmpeg missing at build)";
    truth = hvSeekLoadTruth(Media());
    ASSERT_GE(truth.size(), 5u) << Media().file;
  }
  void TearDown() override {
    if (stream) stream->Delete();
  }

  const hvSeekMedia& Media() const { return khvSeekMedia[GetParam()]; }
  hvFormatSeeker* Seeker() {
    hvMediaInfo info;
    info.Set("dl", (std::string("DLNA.ORG_PN=") + Media().profile).c_str(), true);
    return dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
  }
  hvStream* Open() {
    stream = hvSeekOpen(hvSeekMediaPath(Media().file), Media().mime, Media().profile);
    return stream;
  }

  std::vector<hvSeekTruth> truth;
  std::unique_ptr<hvSeekerManager> manager{hvSeekerManager_Create()};
  hvStream* stream = nullptr;
};

TEST_P(hvSeekAccuracyTest, TimeLandsOnThePacketAtOrJustBefore) {
  hvFormatSeeker* seeker = Seeker();
  ASSERT_NE(seeker, nullptr);
  EXPECT_STREQ(seeker->GetFormat(), Media().format);
  Open();
  const uint64_t size = hvSeekReadFile(hvSeekMediaPath(Media().file)).size();
  for (double t = 0; t < 9.4; t += 0.37) {
    // The last place to start at or before t; the position found may be one such place
    // earlier, and lies before the next packet with a known position.
    size_t at = 0;
    for (size_t i = 0; i < truth.size(); ++i)
      if (truth[i].start && truth[i].seconds <= t + 1e-6) at = i;
    uint64_t low = 0, high = size;
    for (size_t i = at; i-- > 0;)
      if (truth[i].start && truth[i].position != UINT64_MAX) {
        low = truth[i].position;
        break;
      }
    for (size_t i = at + 1; i < truth.size() && high == size; ++i)
      if (truth[i].position != UINT64_MAX) high = truth[i].position;
    hvSeekResult result;
    ASSERT_EQ(seeker->SeekTime(stream, static_cast<uint64_t>(t * 1000 + 0.5), &result),
              khvStreamingStatus_OK)
        << Media().file << " at " << t << " s";
    EXPECT_GE(result.bytePos + Media().slack, low) << Media().file << " at " << t << " s";
    EXPECT_LE(result.bytePos, high)
        << Media().file << " at " << t << " s, ffprobe " << truth[at].position;
    EXPECT_LE(result.bytesRead, Media().readBound) << Media().file << " at " << t << " s";
  }
}

TEST_P(hvSeekAccuracyTest, ByteOffsetIsAlignedToTheUnitHoldingIt) {
  hvFormatSeeker* seeker = Seeker();
  ASSERT_NE(seeker, nullptr);
  Open();
  const std::string format = Media().format;
  const std::string bytes = hvSeekReadFile(hvSeekMediaPath(Media().file));
  for (size_t k = 1; k < truth.size(); k += truth.size() / 7) {
    if (truth[k].position == UINT64_MAX) continue;
    hvSeekResult result;
    ASSERT_EQ(seeker->AlignBytes(stream, truth[k].position + 3, &result), khvStreamingStatus_OK)
        << Media().file << " at " << truth[k].position;
    if (format == "mpegps") {
      EXPECT_LE(truth[k].position - result.bytePos, 2048u);
      EXPECT_EQ(bytes.compare(result.bytePos, 4, std::string("\0\0\1\xBA", 4)), 0);
    } else if (format == "mp4") {
      EXPECT_EQ(result.bytePos, truth[k].position + 3);
    } else {
      EXPECT_EQ(result.bytePos, truth[k].position) << Media().file;
    }
  }
  hvSeekResult past;
  EXPECT_EQ(seeker->SeekTime(stream, 60000, &past), khvStreamingStatus_EndOfStream)
      << Media().file;
  EXPECT_LT(past.bytePos, bytes.size());
  hvuint64 bytePos = 7;
  EXPECT_FALSE(seeker->ByteSpecToBytePos(stream, bytes.size(), bytePos));
  EXPECT_EQ(bytePos, 7u);
}

// The one-call seek for players: the profile from the media description, else the content.
TEST_P(hvSeekAccuracyTest, OneCallSeekMovesTheStreamWithOrWithoutProfile) {
  for (bool withProfile : {true, false}) {
    if (!withProfile && !Media().recognisable) continue;
    hvFile* file = new hvFile;
    ASSERT_TRUE(file->Open(hvSeekMediaPath(Media().file).c_str()));
    hvStream* buffered = new hvFileStream(nullptr, file, Media().mime, Media().file);
    if (withProfile) {
      hvMediaInfo* info = new hvMediaInfo;
      info->Set("dl", (std::string("*:DLNA.ORG_PN=") + Media().profile).c_str(), true);
      buffered->SetInfo(info);
    }
    hvSeekResult result;
    EXPECT_EQ(hvSeeker_SeekTime(manager.get(), buffered, 4000, &result), khvStreamingStatus_OK)
        << Media().file;
    EXPECT_STREQ(result.format, Media().format) << Media().file;
    EXPECT_GT(result.bytePos, 0u);
    EXPECT_EQ(buffered->GetStreamPosition(), result.bytePos);
    buffered->Delete();
  }
}

std::string MediaName(const testing::TestParamInfo<size_t>& info) {
  std::string name = khvSeekMedia[info.param].file;
  for (char& c : name)
    if (c == '.') c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Media, hvSeekAccuracyTest, testing::Range<size_t>(0, khvSeekMediaCount),
                         MediaName);

}  // namespace
