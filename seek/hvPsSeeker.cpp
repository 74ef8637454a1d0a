// MPEG program streams (MPEG-1 system streams and MPEG-2 PS/VOB): the stream to follow is
// the first video stream, else the first audio one; a time is found by bisection over its
// PTS, and the position returned is the start of the pack that holds the PES header. Packs
// are found by their start code, so damage costs one pack, not the seek.
#include <algorithm>

#include "seek/hvSeekFields.h"
#include "seek/hvSeekFormats.h"
#include "seek/hvSeekPes.h"
#include "seek/hvSeekProbe.h"

namespace {

const uint64_t kBudget = 2 * 1024 * 1024;
const size_t kHead = 64 * 1024;
const size_t kHeaderRoom = 512;  // read past a window's end to finish the PES header there

bool IsStartCode(const uint8_t* b, uint8_t code) {
  return b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == code;
}

// The length of the pack header at `b` (MPEG-2 or MPEG-1 syntax), 0 when it is none.
size_t PackHeaderLength(const uint8_t* b, size_t length) {
  if (length < 12 || !IsStartCode(b, 0xBA)) return 0;
  if ((b[4] & 0xC0) == 0x40) return length < 14 ? 0 : 14 + (b[13] & 7);
  return (b[4] & 0xF0) == 0x20 ? 12 : 0;
}

bool IsVideo(uint8_t id) { return (id & 0xF0) == 0xE0; }
bool IsAudio(uint8_t id) { return (id & 0xE0) == 0xC0 || id == 0xBD; }

// Calls `visit(packStart, streamId, pesBytes, pesLength)` for each PES packet of each pack
// that starts in [0, end) of `bytes`; stops early when visit returns false.
template <typename Visit>
void WalkPacks(const uint8_t* bytes, size_t got, size_t end, Visit visit) {
  size_t at = 0;
  while (at + 4 <= std::min(got, end)) {
    if (!IsStartCode(bytes + at, 0xBA)) {
      ++at;
      continue;
    }
    const size_t pack = at;
    const size_t header = PackHeaderLength(bytes + at, got - at);
    if (header == 0) {
      ++at;
      continue;
    }
    at += header;
    // The packets of this pack run up to the next pack header (or the end code).
    while (at + 6 <= got && bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1 &&
           bytes[at + 3] != 0xBA && bytes[at + 3] != 0xB9) {
      const size_t length = 6 + ((size_t(bytes[at + 4]) << 8) | bytes[at + 5]);
      if (bytes[at + 3] != 0xBB &&
          !visit(pack, bytes[at + 3], bytes + at, std::min(length, got - at)))
        return;
      at += length;
    }
  }
}

class PsScanner : public hvSeekUnitScanner {
 public:
  PsScanner(uint8_t streamId, bool h264) : m_streamId(streamId), m_h264(h264) {}

  hvStreamingStatus Scan(hvSeekProbe& probe, uint64_t from, uint64_t to,
                         std::vector<hvSeekUnit>* units) override {
    if (to <= from) return khvStreamingStatus_OK;
    const uint8_t* bytes;
    size_t got;
    const size_t span = static_cast<size_t>(to - from);
    hvStreamingStatus status = probe.Read(from, span + kHeaderRoom, &bytes, &got);
    if (status != khvStreamingStatus_OK) return status;
    const uint8_t want = m_streamId;
    WalkPacks(bytes, got, span, [&](size_t pack, uint8_t id, const uint8_t* pes, size_t length) {
      uint64_t pts;
      size_t payload;
      if (id == want && hvSeek_ReadPesPts(pes, length, &pts, &payload))
        units->push_back(
            {from + pack, pts,
             IsVideo(id) ? hvSeek_LooksLikeKey(pes + payload, length - payload, m_h264) : true});
      return true;
    });
    return khvStreamingStatus_OK;
  }

  uint64_t Align(uint64_t position) const override { return position; }

 private:
  uint8_t m_streamId;
  bool m_h264;
};

class PsSeeker : public hvFormatSeeker {
 public:
  PsSeeker()
      : hvFormatSeeker("MPEG_PS_NTSC\\MPEG_PS_PAL\\MPEG_PS_NTSC_XAC3\\MPEG_PS_PAL_XAC3\\MPEG1",
                       "mpegps", kBudget) {}

  bool Recognise(const unsigned char* head, size_t length) const override {
    return PackHeaderLength(head, length) != 0;
  }

 protected:
  hvStreamingStatus Find(hvSeekProbe& probe, uint64_t value, bool isTime,
                         uint64_t* bytePos) override {
    return isTime ? TimeToPack(probe, value, bytePos) : PackAtOrBefore(probe, value, bytePos);
  }

 private:
  static hvStreamingStatus TimeToPack(hvSeekProbe& probe, uint64_t timeMs, uint64_t* bytePos) {
    const uint8_t* bytes;
    size_t got;
    hvStreamingStatus status = probe.Read(0, kHead, &bytes, &got);
    if (status != khvStreamingStatus_OK) return status;
    int video = -1, audio = -1;
    size_t firstPack = got;
    bool mpegVideo = false;  // a sequence header seen: MPEG-1/2, else taken for H.264
    WalkPacks(bytes, got, got, [&](size_t pack, uint8_t id, const uint8_t* pes, size_t length) {
      firstPack = std::min(firstPack, pack);
      uint64_t pts;
      size_t payload;
      if (IsVideo(id) && video < 0) video = id;
      if (IsAudio(id) && audio < 0) audio = id;
      if (id == video && hvSeek_ReadPesPts(pes, length, &pts, &payload))
        mpegVideo = mpegVideo || hvSeek_LooksLikeKey(pes + payload, length - payload, false);
      return !mpegVideo;
    });
    if (video < 0 && audio < 0) return khvStreamingStatus_Error;
    PsScanner scanner(static_cast<uint8_t>(video >= 0 ? video : audio), !mpegVideo);
    std::vector<hvSeekUnit> units;
    status = scanner.Scan(probe, firstPack, got, &units);
    if (status != khvStreamingStatus_OK) return status;
    if (units.empty()) return khvStreamingStatus_Error;
    hvSeekUnit found;
    status = hvSeek_Bisect(probe, scanner, firstPack, units.front().pts, timeMs * 90, video >= 0,
                           &found);
    if (status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream)
      *bytePos = found.position;
    return status;
  }

  // The pack that starts at or before the offset, found in the 64 KiB before it.
  static hvStreamingStatus PackAtOrBefore(hvSeekProbe& probe, uint64_t byteSpec,
                                          uint64_t* bytePos) {
    hvStreamingStatus status = khvStreamingStatus_OK;
    if (probe.Size() != khvuint64_Max && byteSpec >= probe.Size()) {
      byteSpec = probe.Size() - 1;
      status = khvStreamingStatus_EndOfStream;
    }
    const uint64_t from = byteSpec > kHead ? byteSpec - kHead : 0;
    const uint8_t* bytes;
    size_t got;
    hvStreamingStatus read =
        probe.Read(from, static_cast<size_t>(byteSpec - from) + 16, &bytes, &got);
    if (read != khvStreamingStatus_OK) return read;
    const size_t last = static_cast<size_t>(std::min<uint64_t>(byteSpec - from, got));
    for (size_t i = last + 1; i-- > 0;) {
      if (PackHeaderLength(bytes + i, got - i)) {
        *bytePos = from + i;
        return status;
      }
    }
    return khvStreamingStatus_Error;
  }
};

}  // namespace

hvFormatSeeker* hvSeek_CreatePs() { return new PsSeeker; }
