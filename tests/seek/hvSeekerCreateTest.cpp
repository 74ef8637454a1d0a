// The one-call time seek on a stream without a profile: the content alone chooses the seeker.
// One row per format's distinctive start, and the near misses that must not be taken for it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hvSeekBuilt.h"

namespace {

// MPEG-1 layer III at 128 kbit/s and 48 kHz: 384 bytes.
const std::string kMp3Frame = hvSeekBE(0xFFFB9400, 4) + std::string(380, '\0');
// An ADTS frame of 300 bytes at 44.1 kHz.
const std::string kAdtsFrame =
    hvSeekBE(0xFFF1ull << 40 | 1ull << 38 | 4ull << 34 | 2ull << 30 | 300ull << 13 | 0x7FFull << 2,
             7) +
    std::string(293, '\0');
const std::string kTsPacket = "\x47" + std::string(187, '\x1F');
const std::string kPack = hvSeekBE(0x1BA, 4) + "\x44" + std::string(8, '\x04') + "\xF8";

TEST(hvSeekerCreateTest, ContentChoosesTheSeeker) {
  const struct {
    const char* situation;
    std::string bytes;
    const char* format;  // "" when nothing takes it
  } cases[] = {
      {"an ID3v2 tag", "ID3\x04" + std::string(200, '\0'), "mp3"},
      {"two MP3 frames", hvSeekRepeat(kMp3Frame, 2), "mp3"},
      {"one MP3 frame then nothing like one", kMp3Frame + std::string(400, '\x01'), ""},
      {"two ADTS frames", hvSeekRepeat(kAdtsFrame, 2), "adts"},
      {"one ADTS frame then nothing like one", kAdtsFrame + std::string(400, '\x01'), ""},
      {"RIFF WAVE", "RIFF" + hvSeekLE(100, 4) + "WAVE" + std::string(100, '\0'), "lpcm"},
      {"RIFF of another kind", "RIFF" + hvSeekLE(100, 4) + "AVI " + std::string(100, '\0'), ""},
      {"ftyp first", hvSeekBE(16, 4) + "ftypisom" + std::string(200, '\0'), "mp4"},
      {"moov first", hvSeekBE(16, 4) + "moov" + std::string(200, '\0'), "mp4"},
      {"segment type first", hvSeekBE(16, 4) + "styp" + std::string(200, '\0'), "mp4"},
      {"seven bytes", std::string(7, '\x47'), ""},
      {"transport packets", hvSeekRepeat(kTsPacket, 6), "mpegts"},
      {"transport packets after 200 bytes of junk",
       std::string(200, '\x01') + hvSeekRepeat(kTsPacket, 6), ""},
      {"an MPEG-2 pack", kPack + std::string(2000, '\0'), "mpegps"},
      {"an MPEG-1 pack", hvSeekBE(0x1BA, 4) + "\x21" + std::string(2000, '\x01'), "mpegps"},
      {"an MPEG-2 pack header cut short", kPack.substr(0, 13), ""},
  };
  std::unique_ptr<hvSeekerManager> manager(hvSeekerManager_Create());
  for (const auto& row : cases) {
    hvMemoryStream* stream = new hvMemoryStream(1, "application/octet-stream");
    stream->WriteBytes(reinterpret_cast<const unsigned char*>(row.bytes.data()), row.bytes.size());
    stream->SeekBytes(0);
    hvSeekResult result;
    const hvStreamingStatus status = hvSeeker_SeekTime(manager.get(), stream, 0, &result);
    EXPECT_STREQ(result.format, row.format) << row.situation;
    if (!*row.format) {
      EXPECT_EQ(status, khvStreamingStatus_Error) << row.situation;
    }
    stream->Delete();
  }
}

// A WAV file of one second: 8000 mono 16-bit sample frames after a 44-byte header.
std::string Wave() {
  return "RIFF" + hvSeekLE(0, 4) + "WAVE" + "fmt " + hvSeekLE(16, 4) + hvSeekLE(1, 2) +
         hvSeekLE(1, 2) + hvSeekLE(8000, 4) + hvSeekLE(16000, 4) + hvSeekLE(2, 2) +
         hvSeekLE(16, 2) + "data" + hvSeekLE(16000, 4) + std::string(16000, '\0');
}

hvMemoryStream* Open(const std::string& bytes) {
  hvMemoryStream* stream = new hvMemoryStream(1, "audio/wav");
  stream->WriteBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  stream->SeekBytes(0);
  return stream;
}

// The bool conversions answer true only for a seek that completed, and leave the position
// alone otherwise; the one-call seek moves the stream, past the end too.
TEST(hvSeekerCreateTest, ConversionsAndOneCallSeek) {
  std::unique_ptr<hvSeekerManager> manager(hvSeekerManager_Create());
  hvMediaInfo info;
  info.Set("dl", "DLNA.ORG_PN=LPCM", true);
  hvFormatSeeker* seeker = dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
  ASSERT_NE(seeker, nullptr);
  hvMemoryStream* stream = Open(Wave());
  hvuint64 bytePos = 1;
  EXPECT_TRUE(seeker->TimeSpecToBytePos(stream, 500, bytePos));
  EXPECT_EQ(bytePos, 44u + 8000);
  EXPECT_TRUE(seeker->ByteSpecToBytePos(stream, 101, bytePos));
  EXPECT_EQ(bytePos, 100u);
  EXPECT_FALSE(seeker->TimeSpecToBytePos(stream, 5000, bytePos));
  EXPECT_FALSE(seeker->ByteSpecToBytePos(stream, 99999, bytePos));
  EXPECT_EQ(bytePos, 100u);
  EXPECT_EQ(seeker->SeekTime(stream, 500, nullptr), khvStreamingStatus_OK);

  hvSeekResult result;
  EXPECT_EQ(hvSeeker_SeekTime(manager.get(), stream, 5000, &result),
            khvStreamingStatus_EndOfStream);
  EXPECT_EQ(stream->GetStreamPosition(), 44u + 16000 - 2);
  EXPECT_EQ(hvSeeker_SeekTime(manager.get(), stream, 250, nullptr), khvStreamingStatus_OK);
  EXPECT_EQ(stream->GetStreamPosition(), 44u + 4000);
  EXPECT_EQ(hvSeeker_SeekTime(nullptr, stream, 250, &result), khvStreamingStatus_InvalidOperation);

  // Content recognised, but the manager has no seeker for it.
  hvSeekerManager empty;
  EXPECT_EQ(hvSeeker_SeekTime(&empty, stream, 250, &result), khvStreamingStatus_Error);
  stream->Delete();
}

}  // namespace
