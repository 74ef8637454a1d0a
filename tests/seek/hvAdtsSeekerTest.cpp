// The ADTS seeker over streams built frame by frame, where every frame's place and time is
// known exactly: a tag in front, a stream longer than the header walk (the rest is
// extrapolated, then resynchronised on a real frame), damage and a rate change halfway.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hulvoStreaming/hvSeeker.h"
#include "hvSeekBuilt.h"
#include "hvSeekMediaFixture.h"
#include "hvTestSupport.h"

namespace {

const uint32_t kRate = 44100;  // rate index 4
const uint64_t kFrameSamples = 1024;

// One ADTS frame: a 7-byte header (no checksum) and `length - 7` payload bytes.
std::string Frame(size_t length, int rateIndex = 4) {
  uint64_t header = 0xFFFull << 44 | 1ull << 40 | 1ull << 38 | uint64_t(rateIndex) << 34 |
                    2ull << 30 | uint64_t(length) << 13 | 0x7FFull << 2;
  std::string frame(length, '\x5A');
  for (int i = 0; i < 7; ++i) frame[i] = static_cast<char>(header >> (48 - 8 * i));
  return frame;
}

std::string Frames(size_t count, size_t length, int rateIndex = 4) {
  std::string bytes;
  for (size_t i = 0; i < count; ++i) bytes += Frame(length, rateIndex);
  return bytes;
}

// An ID3v2 header for a tag body of `size` bytes (syncsafe: 7 bits a byte).
std::string Id3(size_t size, bool syncsafe = true) {
  std::string tag = "ID3\x04";
  tag += std::string(2, '\0');
  for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((size >> shift) & 0x7F);
  if (!syncsafe) tag[9] = static_cast<char>(tag[9] | 0x80);
  return tag + std::string(size, 'T');
}

uint64_t MsOfFrame(uint64_t index) { return index * kFrameSamples * 1000 / kRate + 1; }

struct Case {
  const char* situation;
  std::string bytes;
  uint64_t timeMs;
  hvStreamingStatus status;
  uint64_t position;
};

class hvAdtsSeekerTest : public testing::Test {
 protected:
  hvStreamingStatus Seek(const std::string& bytes, uint64_t timeMs, hvSeekResult* result) {
    hvStream* stream =
        hvSeekOpen(dir.WriteFile("stream.aac", bytes), "audio/vnd.dlna.adts", "AAC_ADTS_320");
    hvMediaInfo info;
    info.Set("dl", "DLNA.ORG_PN=AAC_ADTS_320", true);
    auto* seeker = dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
    hvStreamingStatus status =
        seeker ? seeker->SeekTime(stream, timeMs, result) : khvStreamingStatus_InvalidOperation;
    stream->Delete();
    return status;
  }

  hvTempDir dir;
  std::unique_ptr<hvSeekerManager> manager{hvSeekerManager_Create()};
};

TEST_F(hvAdtsSeekerTest, FramesAreFoundWhereTheyStart) {
  const size_t kLength = 300;
  const std::string tag = Id3(256);
  // Header-only frames: 40,000 of them take more header reads than the walk may make.
  const std::string tiny = Frames(40000, 7);
  const Case cases[] = {
      {"the first frame", Frames(100, kLength), 0, khvStreamingStatus_OK, 0},
      {"a frame inside", Frames(100, kLength), MsOfFrame(57), khvStreamingStatus_OK, 57 * kLength},
      {"behind an ID3v2 tag", tag + Frames(100, kLength), MsOfFrame(20), khvStreamingStatus_OK,
       tag.size() + 20 * kLength},
      {"past the last frame", Frames(100, kLength), MsOfFrame(500), khvStreamingStatus_EndOfStream,
       99 * kLength},
      {"beyond the header walk", tiny, MsOfFrame(39000), khvStreamingStatus_OK, 39000 * 7},
      {"beyond the header walk and the end", tiny, MsOfFrame(90000), khvStreamingStatus_EndOfStream,
       39999 * 7},
      {"damage after frame 30", Frames(30, kLength) + std::string(900, '\0') + Frames(5, kLength),
       MsOfFrame(40), khvStreamingStatus_EndOfStream, 29 * kLength},
      {"another rate after frame 30", Frames(30, kLength) + Frames(30, kLength, 3), MsOfFrame(40),
       khvStreamingStatus_EndOfStream, 29 * kLength},
  };
  for (const Case& row : cases) {
    hvSeekResult result;
    EXPECT_EQ(Seek(row.bytes, row.timeMs, &result), row.status) << row.situation;
    EXPECT_EQ(result.bytePos, row.position) << row.situation;
  }
}

TEST_F(hvAdtsSeekerTest, NoFirstFrameIsRefused) {
  const std::string refused[] = {
      // A tag whose size is not syncsafe is not taken for a tag: no frame at 0.
      Id3(256, false) + Frames(10, 300),
      std::string(2000, '\0'),
      Frames(1, 300).substr(0, 5),
      Frames(10, 300, 13),                                  // no such rate
      Frames(10, 300).replace(4, 1, std::string(1, '\0')),  // a frame shorter than its header
  };
  for (const std::string& bytes : refused) {
    hvSeekResult result;
    EXPECT_EQ(Seek(bytes, 1000, &result), khvStreamingStatus_Error) << bytes.size() << " bytes";
  }
}

TEST_F(hvAdtsSeekerTest, ByteOffsetsAreAlignedToTheirFrame) {
  const std::string tiny = Frames(40000, 7);
  const struct {
    const char* situation;
    const std::string& bytes;
    uint64_t offset;
    hvStreamingStatus status;
    uint64_t position;
    bool sizeKnown;
  } cases[] = {
      {"inside the header walk", tiny, 100 * 7 + 3, khvStreamingStatus_OK, 100 * 7, true},
      {"beyond the header walk", tiny, 39000 * 7 + 3, khvStreamingStatus_OK, 39000 * 7, true},
      {"past the end", tiny, 50000 * 7, khvStreamingStatus_EndOfStream, 39999 * 7, true},
      {"past the end of a stream of unknown size", tiny, 50000 * 7, khvStreamingStatus_EndOfStream,
       39999 * 7, false},
  };
  for (const auto& row : cases) {
    hvSeekResult result;
    hvSeekRequest request{"AAC_ADTS_320", "audio/vnd.dlna.adts", row.offset, false, row.sizeKnown};
    EXPECT_EQ(hvSeekInMemory(row.bytes, request, &result), row.status) << row.situation;
    EXPECT_EQ(result.bytePos, row.position) << row.situation;
  }
}

}  // namespace
