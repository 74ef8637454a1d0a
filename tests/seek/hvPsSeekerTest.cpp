// The program stream seeker over streams built pack by pack: MPEG-1 and MPEG-2 pack headers,
// stuffing, system headers, both PES syntaxes, video of either kind or audio only, and
// damaged packs. Every frame starts its own pack, so the answer is checked exactly.
#include <gtest/gtest.h>

#include <string>

#include "hvSeekBuilt.h"

namespace {

const size_t kPack = 2048;
const int kFrames = 300;  // 40 ms each, a key every 25, two packs each

struct Ps {
  bool mpeg1 = false;
  int stuffing = 0;  // MPEG-2 pack header stuffing
  bool systemHeader = true;
  bool h264 = false;
  bool dts = false;
  uint8_t streamId = 0xE0;
  bool timestamps = true;
  bool buffer = true;  // MPEG-1 PES: a buffer size field before the timestamps
  int keyEvery = 25;

  std::string PackHeader() const {
    if (mpeg1) return hvSeekBE(0x1BA, 4) + "\x21" + std::string(7, '\x01');
    return hvSeekBE(0x1BA, 4) + "\x44" + std::string(8, '\x04') + hvSeekBE(0xF8 | stuffing, 1) +
           std::string(stuffing, '\xFF');
  }
  std::string PesHeader(uint64_t pts, bool withPts) const {
    if (mpeg1) {
      // Stuffing and a buffer size before the timestamps.
      std::string fields = std::string(2, '\xFF') + (buffer ? std::string("\x60\x00", 2) : "");
      if (!withPts) return fields + "\x0F";
      return fields +
             (dts ? hvSeekTimestamp(3, pts) + hvSeekTimestamp(1, pts) : hvSeekTimestamp(2, pts));
    }
    if (!withPts) return std::string("\x80\x00\x00", 3);
    return dts ? "\x80\xC0\x0A" + hvSeekTimestamp(3, pts) + hvSeekTimestamp(1, pts)
               : "\x80\x80\x05" + hvSeekTimestamp(2, pts);
  }
  std::string Picture(int k) const {
    const bool key = k % keyEvery == 0;
    if (h264) return hvSeekBE(key ? 0x165 : 0x141, 4) + "\x88";
    return key ? hvSeekBE(0x1B3, 4) + "\x14" : hvSeekBE(0x100, 4) + hvSeekBE(0x10, 2);
  }
  // A PES packet of `streamId` filling the rest of a pack that already holds `used` bytes.
  static std::string PesFill(uint8_t id, const std::string& body, size_t used) {
    const size_t length = kPack - used - 6;
    std::string pes = hvSeekBE(0x100 | id, 4) + hvSeekBE(length, 2) + body;
    pes.resize(kPack - used, '\x55');
    return pes;
  }
  std::string Pack(int k, bool first) const {
    std::string pack = PackHeader();
    if (k == 0) pack += hvSeekBE(0x1BB, 4) + hvSeekBE(6, 2) + std::string(6, '\x80');
    const uint64_t pts = 90000 + uint64_t(k) * 3600;
    const std::string header = PesHeader(pts, first && timestamps);
    const std::string body = first ? header + Picture(k) : header;
    // Padding before the stream's packet.
    pack += hvSeekBE(0x1BE, 4) + hvSeekBE(4, 2) + std::string(4, '\xFF');
    pack += PesFill(streamId, body, pack.size());
    return pack;
  }
  std::string Build() const {
    std::string out;
    for (int k = 0; k < kFrames; ++k) out += Pack(k, true) + Pack(k, false);
    return out + hvSeekBE(0x1B9, 4);
  }
};

struct Case {
  const char* situation;
  std::string bytes;
  uint64_t value;
  bool isTime;
  hvStreamingStatus status;
  uint64_t position;
};

void Check(const Case& row) {
  hvSeekExpect(row.bytes, {"MPEG_PS_PAL", "video/mpeg", row.value, row.isTime}, row.status,
               row.position, row.situation);
}

template <typename Tweak>
std::string Build(Tweak tweak) {
  Ps ps;
  tweak(ps);
  return ps.Build();
}

uint64_t FramePack(int k) { return 2 * uint64_t(k) * kPack; }

const hvStreamingStatus kOK = khvStreamingStatus_OK, kEnd = khvStreamingStatus_EndOfStream,
                        kError = khvStreamingStatus_Error;

TEST(hvPsSeekerTest, KeyFramesFoundInEveryLayout) {
  const std::string plain = Ps().Build();
  const Case cases[] = {
      {"MPEG-2 packs", plain, 2100, true, kOK, FramePack(50)},
      {"pack header stuffing", Build([](Ps& p) { p.stuffing = 5; }), 2100, true, kOK,
       FramePack(50)},
      {"MPEG-1 packs and PES syntax", Build([](Ps& p) { p.mpeg1 = true; }), 2100, true, kOK,
       FramePack(50)},
      {"MPEG-1 with DTS", Build([](Ps& p) {
         p.mpeg1 = true;
         p.dts = true;
       }),
       2100, true, kOK, FramePack(50)},
      {"MPEG-1 without buffer size", Build([](Ps& p) {
         p.mpeg1 = true;
         p.buffer = false;
       }),
       2100, true, kOK, FramePack(50)},
      // Only frame 0 is a key, more than the look back away: the frame itself is the nearest.
      {"no key within reach", Build([](Ps& p) { p.keyEvery = 1000; }), 11000, true, kOK,
       FramePack(275)},
      {"MPEG-2 with DTS", Build([](Ps& p) { p.dts = true; }), 2100, true, kOK, FramePack(50)},
      {"H.264 pictures", Build([](Ps& p) { p.h264 = true; }), 2100, true, kOK, FramePack(50)},
      {"audio only: the frame itself", Build([](Ps& p) { p.streamId = 0xC0; }), 2100, true, kOK,
       FramePack(52)},
      {"private stream audio", Build([](Ps& p) { p.streamId = 0xBD; }), 2100, true, kOK,
       FramePack(52)},
      {"past the end: the last key", plain, 60000, true, kEnd, FramePack(275)},
      {"byte offset inside a pack", plain, 5 * kPack + 100, false, kOK, 5 * kPack},
      {"byte offset past the end: the last pack", plain, plain.size() + 5, false, kEnd,
       FramePack(kFrames) - kPack},
  };
  for (const Case& row : cases) Check(row);
}

TEST(hvPsSeekerTest, DamageCostsAPackOrIsRefused) {
  std::string lostPack = Ps().Build();
  lostPack[FramePack(50) + 3] = '\xBB';  // the start code of key frame 50's pack
  std::string cutHeader = Ps().Build().substr(0, 13);
  const Case cases[] = {
      {"a damaged pack costs its key frame", lostPack, 2100, true, kOK, FramePack(25)},
      {"no timestamps", Build([](Ps& p) { p.timestamps = false; }), 2100, true, kError, 0},
      {"MPEG-1 without timestamps", Build([](Ps& p) {
         p.timestamps = false;
         p.mpeg1 = true;
       }),
       2100, true, kError, 0},
      {"no audio or video stream", Build([](Ps& p) { p.streamId = 0xBF; }), 2100, true, kError, 0},
      {"a pack header cut short", cutHeader, 0, true, kError, 0},
      {"no pack before the offset", std::string(100000, '\0'), 99000, false, kError, 0},
  };
  for (const Case& row : cases) Check(row);
}

}  // namespace
