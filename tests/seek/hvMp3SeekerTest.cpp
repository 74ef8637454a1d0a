// The MP3 seeker over streams built frame by frame: every MPEG version and layer, tags in
// front, Xing, Info and VBRI tables (sound and damaged), bad headers, and streams whose size
// is not known. A position found is always the start of a real frame.
#include <gtest/gtest.h>

#include <string>

#include "hvSeekBuilt.h"

namespace {

struct Format {
  uint32_t version;  // header code: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  uint32_t layer;    // header code: 1 layer III, 2 layer II, 3 layer I
  uint32_t bitrate;  // index
  uint32_t rate;     // index
  uint32_t mode;     // 3: mono
  size_t length;     // of each frame, as the standard computes it
  uint32_t ms;       // per frame
};

const Format kMpeg1Layer3{3, 1, 9, 1, 0, 384, 24};  // 128 kbit/s, 48 kHz

std::string Header(const Format& f, uint32_t bitrate) {
  return hvSeekBE(0x7FFu << 21 | f.version << 19 | f.layer << 17 | 1u << 16 | bitrate << 12 |
                      f.rate << 10 | f.mode << 6,
                  4);
}

std::string Frames(const Format& f, size_t count) {
  std::string frame = Header(f, f.bitrate) + std::string(f.length - 4, '\0');
  std::string out;
  for (size_t i = 0; i < count; ++i) out += frame;
  return out;
}

// A first frame holding `table` after the side information (32 bytes: MPEG-1 stereo).
std::string TableFrame(const Format& f, const std::string& table, size_t sideInfo = 32) {
  std::string frame = Header(f, f.bitrate) + std::string(sideInfo, '\0') + table;
  frame.resize(f.length, '\0');
  return frame;
}

// Xing or Info with `flags`: frames, bytes, a table of contents in a straight line.
std::string Xing(const char* tag, uint32_t flags, uint32_t frames, uint32_t bytes) {
  std::string toc;
  for (int i = 0; i < 100; ++i) toc += static_cast<char>(i * 256 / 100);
  return tag + hvSeekBE(flags, 4) + hvSeekBE(frames, 4) + hvSeekBE(bytes, 4) + toc;
}

std::string Vbri(uint32_t count, uint32_t entrySize, uint32_t framesPerEntry, uint32_t entry) {
  std::string out = "VBRI" + hvSeekBE(1, 2) + hvSeekBE(0, 4) + hvSeekBE(0, 4) + hvSeekBE(0, 4) +
                    hvSeekBE(count, 2) + hvSeekBE(1, 2) + hvSeekBE(entrySize, 2) +
                    hvSeekBE(framesPerEntry, 2);
  for (uint32_t i = 0; i < count && entrySize <= 8; ++i) out += hvSeekBE(entry, entrySize);
  return out;
}

std::string Id3(size_t size, uint8_t flags = 0, bool syncsafe = true) {
  std::string tag = "ID3\x04";
  tag += '\0';
  tag += static_cast<char>(flags);
  for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((size >> shift) & 0x7F);
  if (!syncsafe) tag[9] = static_cast<char>(tag[9] | 0x80);
  return tag + std::string(size + ((flags & 0x10) ? 10 : 0), 'T');
}

struct Case {
  const char* situation;
  std::string lead;  // before the frames, whose start is the position counted from
  std::string bytes;
  uint64_t value;  // ms, or a byte offset from the lead
  bool isTime;
  hvStreamingStatus status;
  uint64_t frame;   // the frame the answer must start (with `slack` frames either side)
  uint64_t length;  // of each frame
  uint64_t slack;
};

void Check(const Case& row, bool sizeKnown = true) {
  const std::string bytes = row.lead + row.bytes;
  hvSeekRequest request{"MP3", "audio/mpeg", row.isTime ? row.value : row.lead.size() + row.value,
                        row.isTime, sizeKnown};
  hvSeekResult result;
  EXPECT_EQ(hvSeekInMemory(bytes, request, &result), row.status) << row.situation;
  if (row.status != khvStreamingStatus_OK && row.status != khvStreamingStatus_EndOfStream) return;
  const uint64_t at = result.bytePos - row.lead.size();
  EXPECT_EQ(at % row.length, 0u) << row.situation << ": not a frame start, " << result.bytePos;
  EXPECT_LE(at / row.length, row.frame + row.slack) << row.situation;
  EXPECT_GE(at / row.length + row.slack, row.frame) << row.situation;
}

const hvStreamingStatus kOK = khvStreamingStatus_OK, kEnd = khvStreamingStatus_EndOfStream,
                        kError = khvStreamingStatus_Error;

TEST(hvMp3SeekerTest, EveryVersionLayerAndTable) {
  const Format f = kMpeg1Layer3;
  const Format mono{3, 1, 9, 1, 3, 384, 24};
  const Format mpeg2{2, 1, 8, 1, 0, 192, 24};   // 64 kbit/s, 24 kHz, 576 samples
  const Format mpeg25{0, 1, 8, 1, 0, 384, 48};  // 64 kbit/s, 12 kHz
  const Format layer1{3, 3, 4, 1, 0, 128, 8};   // 128 kbit/s, 384 samples
  const Format layer2{3, 2, 8, 1, 0, 384, 24};  // 128 kbit/s
  // Xing counts the bytes of the whole stream, its own frame included.
  const uint32_t audio = 499, audioBytes = 500 * 384;
  const Case cases[] = {
      {"constant rate", "", Frames(f, 500), 2400, true, kOK, 100, 384, 0},
      {"mono", "", Frames(mono, 500), 2400, true, kOK, 100, 384, 0},
      {"MPEG-2", "", Frames(mpeg2, 500), 2400, true, kOK, 100, 192, 0},
      {"MPEG-2.5", "", Frames(mpeg25, 500), 2400, true, kOK, 50, 384, 0},
      {"layer I", "", Frames(layer1, 1500), 800, true, kOK, 100, 128, 0},
      {"layer II", "", Frames(layer2, 500), 2400, true, kOK, 100, 384, 0},
      {"ID3v2 tag with footer, then a second tag", Id3(300, 0x10) + Id3(20), Frames(f, 500), 2400,
       true, kOK, 100, 384, 0},
      {"junk and a stray sync before the first frame",
       std::string(50, '\0') + Header(f, f.bitrate) + std::string(46, '\0'), Frames(f, 500), 2400,
       true, kOK, 100, 384, 0},
      {"Xing table of contents", "",
       TableFrame(f, Xing("Xing", 7, audio, audioBytes)) + Frames(f, audio), 2400, true, kOK, 100,
       384, 2},
      {"Xing table in a mono frame", "",
       TableFrame(mono, Xing("Xing", 7, audio, audioBytes), 17) + Frames(mono, audio), 2400, true,
       kOK, 100, 384, 2},
      {"Xing table in an MPEG-2 frame", "",
       TableFrame(mpeg2, Xing("Xing", 7, audio, 500 * 192), 17) + Frames(mpeg2, audio), 2400, true,
       kOK, 100, 192, 2},
      {"Xing past its duration", "",
       TableFrame(f, Xing("Xing", 7, audio, audioBytes)) + Frames(f, audio), 30000, true, kEnd, 499,
       384, 0},
      {"Xing without frame count: by the bit rate", "",
       TableFrame(f, Xing("Xing", 6, audio, audioBytes)) + Frames(f, audio), 2400, true, kOK, 101,
       384, 0},
      {"Info (constant rate): by the bit rate", "",
       TableFrame(f, Xing("Info", 7, audio, audioBytes)) + Frames(f, audio), 2400, true, kOK, 101,
       384, 0},
      {"Xing without table", "",
       TableFrame(f, Xing("Xing", 3, audio, audioBytes)) + Frames(f, audio), 2400, true, kOK, 101,
       384, 0},
      {"VBRI table", "", TableFrame(f, Vbri(50, 2, 10, 3840)) + Frames(f, audio), 2400, true, kOK,
       101, 384, 0},
      {"VBRI table of 4-byte entries", "", TableFrame(f, Vbri(50, 4, 10, 3840)) + Frames(f, audio),
       2500, true, kOK, 105, 384, 0},
      {"VBRI past its last entry", "", TableFrame(f, Vbri(5, 2, 10, 3840)) + Frames(f, audio), 2400,
       true, kOK, 51, 384, 0},
      {"VBRI with too many entries: by the bit rate", "",
       TableFrame(f, Vbri(2000, 0, 10, 0)) + Frames(f, audio), 2400, true, kOK, 100, 384, 0},
      {"VBRI entries of 5 bytes: by the bit rate", "",
       TableFrame(f, Vbri(50, 5, 10, 3840)) + Frames(f, audio), 2400, true, kOK, 100, 384, 0},
      {"VBRI with no frames per entry: by the bit rate", "",
       TableFrame(f, Vbri(50, 2, 0, 3840)) + Frames(f, audio), 2400, true, kOK, 100, 384, 0},
      {"past the last frame", "", Frames(f, 500), 60000, true, kEnd, 499, 384, 0},
      {"byte offset inside a frame", "", Frames(f, 500), 1000, false, kOK, 2, 384, 0},
      {"byte offset past the end", "", Frames(f, 500), 500 * 384 + 9, false, kEnd, 499, 384, 0},
      {"Xing table in an MPEG-2 mono frame", "",
       TableFrame({2, 1, 8, 1, 3, 192, 24}, Xing("Xing", 7, audio, 500 * 192), 9) +
           Frames({2, 1, 8, 1, 3, 192, 24}, audio),
       2400, true, kOK, 100, 192, 2},
      {"Xing in the last percent of the duration", "",
       TableFrame(f, Xing("Xing", 7, audio, audioBytes)) + Frames(f, audio), 11950, true, kOK, 498,
       384, 2},
      {"Xing table without byte count: by the bit rate", "",
       TableFrame(f, Xing("Xing", 5, audio, audioBytes)) + Frames(f, audio), 2400, true, kOK, 101,
       384, 0},
      {"VBRI table cut by the end of the file: by the bit rate", "",
       TableFrame(f, Vbri(1024, 4, 10, 3840)) + Frames(f, 1), 0, true, kOK, 0, 384, 0},
      {"nine tags: the ninth is stepped over as junk", hvSeekRepeat(Id3(10), 9), Frames(f, 50), 240,
       true, kOK, 10, 384, 0},
      {"rate changes: the first frame when none is near", "",
       Frames(f, 100) + Frames({3, 1, 9, 0, 0, 417, 26}, 400), 6000, true, kOK, 0, 384, 0},
      {"layer changes: the first frame when none is near", "", Frames(f, 100) + Frames(layer2, 400),
       6000, true, kOK, 0, 384, 0},
  };
  for (const Case& row : cases) Check(row);
}

TEST(hvMp3SeekerTest, NoFirstFrameIsRefused) {
  const Format f = kMpeg1Layer3;
  const Case cases[] = {
      {"tag size not syncsafe", Id3(300, 0, false), Frames(f, 50), 100, true, kError, 0, 1, 0},
      {"free format", "", Frames({3, 1, 0, 1, 0, 384, 24}, 50), 100, true, kError, 0, 1, 0},
      {"bit rate index 15", "", Frames({3, 1, 15, 1, 0, 384, 24}, 50), 100, true, kError, 0, 1, 0},
      {"rate index 3", "", Frames({3, 1, 9, 3, 0, 384, 24}, 50), 100, true, kError, 0, 1, 0},
      {"reserved version", "", Frames({1, 1, 9, 1, 0, 384, 24}, 50), 100, true, kError, 0, 1, 0},
      {"reserved layer", "", Frames({3, 0, 9, 1, 0, 384, 24}, 50), 100, true, kError, 0, 1, 0},
      {"a single frame", "", Frames(f, 1), 0, true, kError, 0, 1, 0},
      {"tags only", Id3(100) + Id3(100), "", 0, true, kError, 0, 1, 0},
  };
  for (const Case& row : cases) Check(row);
}

// A stream still arriving does not tell its size: an offset far past anything read used to
// wrap the probe's window check and read outside the window.
TEST(hvMp3SeekerTest, UnsizedStreamKeepsReadsInsideTheData) {
  const std::string frames = Frames(kMpeg1Layer3, 500);
  Check({"time inside", "", frames, 2400, true, kOK, 100, 384, 0}, false);
  Check({"time past the end", "", frames, 60000, true, kEnd, 499, 384, 0}, false);
  Check({"time just past the end", "", frames, 12100, true, kEnd, 499, 384, 0}, false);
  hvSeekRequest far{"MP3", "audio/mpeg", UINT64_MAX - 100, false, false};
  hvSeekResult result;
  EXPECT_NE(hvSeekInMemory(frames, far, &result), khvStreamingStatus_OK);
}

}  // namespace
