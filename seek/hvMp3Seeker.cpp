// MPEG audio (MP3, and MP2 by the same headers): constant bit rate by arithmetic, variable
// bit rate through the Xing or VBRI table of contents in the first frame. Leading ID3v2 tags
// are stepped over by their sizes, never read. Every estimate ends on a real frame header.
#include <algorithm>
#include <cstring>

#include "seek/hvSeekFields.h"
#include "seek/hvSeekFormats.h"
#include "seek/hvSeekProbe.h"
#include "seek/hvSeekSync.h"

namespace {

const uint64_t kBudget = 96 * 1024;
const size_t kFirstFrameSearch = 8192;
const size_t kResyncBack = 4096;  // above the largest frame (2881 bytes)
const int kMaxTags = 8;

enum HeaderField { kSync, kVersion, kLayer, kProtection, kBitrate, kRate, kPadding, kMode };
const hvSeekBitField kHeader[] = {{21, 11}, {19, 2}, {17, 2}, {16, 1},
                                  {12, 4},  {10, 2}, {9, 1},  {6, 2}};

// kbit/s by [MPEG-1 ? 0 : 1][layer 1..3 - 1][index]; 0 is free format, which we refuse.
const uint16_t kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
const uint32_t kRates[3] = {44100, 48000, 32000};

struct Frame {
  uint32_t version;  // header code: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  uint32_t layer;    // 1..3
  uint32_t rate;
  uint32_t bitrate;  // kbit/s
  uint32_t samples;  // per frame
  uint32_t mono;
  size_t length;
};

bool ReadFrame(const uint8_t* bytes, size_t length, Frame* frame) {
  if (length < 4) return false;
  uint32_t f[8];
  hvSeek_SplitBits(hvSeekCursor(bytes, 4).U32(), kHeader, f);
  if (f[kSync] != 0x7FF || f[kVersion] == 1 || f[kLayer] == 0 || f[kBitrate] == 0 ||
      f[kBitrate] == 15 || f[kRate] == 3)
    return false;
  frame->version = f[kVersion];
  frame->layer = 4 - f[kLayer];
  const bool mpeg1 = f[kVersion] == 3;
  frame->bitrate = kBitrates[mpeg1 ? 0 : 1][frame->layer - 1][f[kBitrate]];
  frame->rate = kRates[f[kRate]] >> (mpeg1 ? 0 : f[kVersion] == 2 ? 1 : 2);
  frame->mono = f[kMode] == 3;
  if (frame->layer == 1) {
    frame->samples = 384;
    frame->length = (12 * 1000 * frame->bitrate / frame->rate + f[kPadding]) * 4;
  } else {
    frame->samples = frame->layer == 3 && !mpeg1 ? 576 : 1152;
    frame->length = frame->samples / 8 * 1000 * frame->bitrate / frame->rate + f[kPadding];
  }
  return true;
}

// Frames of the same stream keep version, layer and rate.
size_t FrameLength(const uint8_t* bytes, size_t length, const void* reference) {
  const Frame* first = static_cast<const Frame*>(reference);
  Frame frame;
  if (!ReadFrame(bytes, length, &frame) || frame.version != first->version ||
      frame.layer != first->layer || frame.rate != first->rate)
    return 0;
  return frame.length;
}

// What the first frame says about the stream.
struct Stream {
  Frame first;
  uint64_t firstPos = 0;  // the first frame
  uint64_t audioPos = 0;  // the first frame with audio (after a Xing/VBRI frame)
  uint64_t frames = 0;    // from the table's header, 0 when unknown
  uint64_t bytes = 0;
  uint8_t xingToc[100];
  bool hasXingToc = false;
  // VBRI: entries of the table, each the byte length of `framesPerEntry` frames.
  uint32_t vbriEntries[1024];
  uint32_t vbriCount = 0;
  uint32_t framesPerEntry = 0;
};

// Steps over ID3v2 tags (10-byte header, syncsafe size, optional 10-byte footer).
hvStreamingStatus SkipTags(hvSeekProbe& probe, uint64_t* at) {
  for (int tag = 0; tag < kMaxTags; ++tag) {
    const uint8_t* bytes;
    size_t got;
    hvStreamingStatus status = probe.Read(*at, 10, &bytes, &got);
    if (status != khvStreamingStatus_OK) return status;
    if (got < 10 || memcmp(bytes, "ID3", 3) != 0) return khvStreamingStatus_OK;
    if ((bytes[6] | bytes[7] | bytes[8] | bytes[9]) & 0x80) return khvStreamingStatus_Error;
    const uint64_t size =
        (uint64_t(bytes[6]) << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9];
    *at += 10 + size + ((bytes[5] & 0x10) ? 10 : 0);
  }
  return khvStreamingStatus_OK;
}

void ReadXing(const uint8_t* bytes, size_t got, Stream* stream) {
  const Frame& f = stream->first;
  const size_t sideInfo = f.version == 3 ? (f.mono ? 17 : 32) : (f.mono ? 9 : 17);
  hvSeekCursor c(bytes, got);
  if (!c.Skip(4 + sideInfo) || !c.Has(8)) return;
  const uint64_t tag = c.U32();
  if (tag != 0x58696e67 && tag != 0x496e666f) return;  // "Xing", "Info"
  const uint32_t flags = c.U32();
  if (flags & 1) stream->frames = c.U32();
  if (flags & 2) stream->bytes = c.U32();
  if ((flags & 4) && c.Has(100)) {
    memcpy(stream->xingToc, c.data + c.at, 100);
    // "Info" marks a constant bit rate, where arithmetic is exact and the table is not.
    stream->hasXingToc = tag == 0x58696e67;
  }
  if (c.ok) stream->audioPos = stream->firstPos + f.length;
}

void ReadVbri(const uint8_t* bytes, size_t got, Stream* stream) {
  hvSeekCursor c(bytes, got);
  if (!c.Skip(4 + 32) || c.U32() != 0x56425249) return;  // "VBRI"
  c.Skip(6);                                             // version, delay, quality
  stream->bytes = c.U32();
  stream->frames = c.U32();
  const uint32_t count = c.U16(), scale = c.U16(), entrySize = c.U16();
  stream->framesPerEntry = c.U16();
  if (!c.ok || count > 1024 || entrySize == 0 || entrySize > 4 || !stream->framesPerEntry) return;
  for (uint32_t i = 0; i < count && c.ok; ++i)
    stream->vbriEntries[i] = static_cast<uint32_t>(c.Bytes(entrySize)) * scale;
  if (!c.ok) return;
  stream->vbriCount = count;
  stream->audioPos = stream->firstPos + stream->first.length;
}

hvStreamingStatus Open(hvSeekProbe& probe, Stream* stream) {
  uint64_t at = 0;
  hvStreamingStatus status = SkipTags(probe, &at);
  if (status != khvStreamingStatus_OK) return status;
  const uint8_t* bytes;
  size_t got;
  status = probe.Read(at, kFirstFrameSearch + 4096, &bytes, &got);
  if (status != khvStreamingStatus_OK) return status;
  // The first header followed by a second one, so that padding or junk before it is skipped.
  for (size_t i = 0; i < kFirstFrameSearch && i + 4 <= got; ++i) {
    Frame frame;
    if (!ReadFrame(bytes + i, got - i, &frame)) continue;
    if (i + frame.length + 4 > got ||
        FrameLength(bytes + i + frame.length, got - i - frame.length, &frame) == 0)
      continue;
    stream->first = frame;
    stream->firstPos = stream->audioPos = at + i;
    ReadXing(bytes + i, got - i, stream);
    if (stream->audioPos == stream->firstPos) ReadVbri(bytes + i, got - i, stream);
    return khvStreamingStatus_OK;
  }
  return khvStreamingStatus_Error;
}

// Where the table of contents or the bit rate puts `timeMs`, before resynchronisation.
uint64_t Estimate(const Stream& s, uint64_t timeMs) {
  const uint64_t frameMs1000 = uint64_t(s.first.samples) * 1000000 / s.first.rate;  // us
  if (s.hasXingToc && s.frames && s.bytes) {
    const uint64_t durationUs = s.frames * frameMs1000;  // not 0: both factors are not
    if (timeMs >= durationUs / 1000) return s.firstPos + s.bytes;
    // The table gives the byte share (of 256) at each whole percent of the duration; between
    // two entries the position goes in a straight line.
    const double percent = static_cast<double>(timeMs) * 100000.0 / static_cast<double>(durationUs);
    const unsigned index = static_cast<unsigned>(percent);
    const double a = s.xingToc[index], b = index < 99 ? s.xingToc[index + 1] : 256;
    const double share = (a + (b - a) * (percent - index)) / 256.0;
    return s.firstPos + static_cast<uint64_t>(share * static_cast<double>(s.bytes));
  }
  if (s.vbriCount) {
    const uint64_t entryUs = s.framesPerEntry * frameMs1000;
    timeMs = std::min(timeMs, kMaxTimeMs);
    uint64_t index = timeMs * 1000 / entryUs, position = s.audioPos;
    for (uint64_t i = 0; i < index && i < s.vbriCount; ++i) position += s.vbriEntries[i];
    if (index < s.vbriCount) position += s.vbriEntries[index] * (timeMs * 1000 % entryUs) / entryUs;
    return position;
  }
  // Constant bit rate: kbit/s are bytes per 8 ms.
  return s.audioPos + std::min(timeMs, kMaxTimeMs) * s.first.bitrate / 8;
}

class Mp3Seeker : public hvFormatSeeker {
 public:
  Mp3Seeker() : hvFormatSeeker("MP3\\MP3X", "mp3", kBudget) {}

  bool Recognise(const unsigned char* head, size_t length) const override {
    if (length >= 3 && memcmp(head, "ID3", 3) == 0) return true;
    Frame frame;
    return ReadFrame(head, length, &frame) && frame.length + 4 <= length &&
           FrameLength(head + frame.length, length - frame.length, &frame) != 0;
  }

 protected:
  hvStreamingStatus Find(hvSeekProbe& probe, uint64_t value, bool isTime,
                         uint64_t* bytePos) override {
    Stream* s = new Stream;  // the VBRI table is too large for the stack of every caller
    hvStreamingStatus status = Open(probe, s);
    if (status == khvStreamingStatus_OK) {
      uint64_t target = isTime ? Estimate(*s, value) : value;
      if (target < s->audioPos) target = s->audioPos;
      status = hvSeek_FrameAtOrBefore(probe, target, s->audioPos, kResyncBack, FrameLength,
                                      &s->first, bytePos);
    }
    delete s;
    return status;
  }
};

}  // namespace

hvFormatSeeker* hvSeek_CreateMp3() { return new Mp3Seeker; }
