// AAC in ADTS: no timestamps and no table, but every frame header gives its length and
// sample count. A seek walks the 7-byte headers from the first frame (reading nothing else);
// past a fixed amount of header reads it extrapolates by the average frame size seen so far
// and resynchronises on a real frame.
#include <algorithm>
#include <cstring>

#include "seek/hvSeekFields.h"
#include "seek/hvSeekFormats.h"
#include "seek/hvSeekProbe.h"
#include "seek/hvSeekSync.h"

namespace {

const uint64_t kHeaderBudget = 256 * 1024;
const uint64_t kBudget = kHeaderBudget + 64 * 1024;
const size_t kHeaderLength = 7;
const size_t kResyncBack = 16384;  // above the largest frame (8191 bytes)

enum HeaderField { kSync, kLayer, kRateIndex, kChannels, kFrameLength, kRawBlocks };
const hvSeekBitField kHeader[] = {{44, 12}, {41, 2}, {34, 4}, {30, 3}, {13, 13}, {0, 2}};
const uint32_t kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                             22050, 16000, 12000, 11025, 8000,  7350};

struct Frame {
  uint32_t rate;
  uint32_t samples;
  size_t length;
};

bool ReadFrame(const uint8_t* bytes, size_t length, Frame* frame) {
  if (length < kHeaderLength) return false;
  uint32_t f[6];
  hvSeek_SplitBits(hvSeekCursor(bytes, kHeaderLength).Bytes(kHeaderLength), kHeader, f);
  if (f[kSync] != 0xFFF || f[kLayer] != 0 || f[kRateIndex] >= 13 || f[kFrameLength] < kHeaderLength)
    return false;
  frame->rate = kRates[f[kRateIndex]];
  frame->samples = 1024 * (f[kRawBlocks] + 1);
  frame->length = f[kFrameLength];
  return true;
}

size_t FrameLength(const uint8_t* bytes, size_t length, const void* reference) {
  Frame frame;
  if (!ReadFrame(bytes, length, &frame) || frame.rate != static_cast<const Frame*>(reference)->rate)
    return 0;
  return frame.length;
}

// The first frame, after any ID3v2 tag some writers put in front.
hvStreamingStatus FindFirst(hvSeekProbe& probe, uint64_t* at, Frame* first) {
  const uint8_t* bytes;
  size_t got;
  hvStreamingStatus status = probe.Read(0, 10, &bytes, &got);
  if (status != khvStreamingStatus_OK) return status;
  *at = 0;
  if (got == 10 && memcmp(bytes, "ID3", 3) == 0 &&
      !((bytes[6] | bytes[7] | bytes[8] | bytes[9]) & 0x80))
    *at = 10 + ((uint64_t(bytes[6]) << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]);
  status = probe.Read(*at, kHeaderLength, &bytes, &got);
  if (status != khvStreamingStatus_OK) return status;
  return ReadFrame(bytes, got, first) ? khvStreamingStatus_OK : khvStreamingStatus_Error;
}

class AdtsSeeker : public hvFormatSeeker {
 public:
  AdtsSeeker()
      : hvFormatSeeker(
            "AAC_ADTS\\AAC_ADTS_192\\AAC_ADTS_320\\AAC_MULT5_ADTS\\HEAAC_L2_ADTS\\"
            "HEAAC_L2_ADTS_320\\HEAAC_L3_ADTS",
            "adts", kBudget) {}

  bool Recognise(const unsigned char* head, size_t length) const override {
    Frame frame;
    return ReadFrame(head, length, &frame) && frame.length + kHeaderLength <= length &&
           FrameLength(head + frame.length, length - frame.length, &frame) != 0;
  }

 protected:
  // Walks frame by frame until the frame holding the target (a time, or a byte offset).
  hvStreamingStatus Find(hvSeekProbe& probe, uint64_t value, bool isTime,
                         uint64_t* position) override {
    uint64_t at;
    Frame first;
    hvStreamingStatus status = FindFirst(probe, &at, &first);
    if (status != khvStreamingStatus_OK) return status;
    const uint64_t start = at;
    *position = at;
    const uint64_t targetSamples = isTime ? hvSeek_MsToUnits(value, first.rate) : 0;
    uint64_t samples = 0, frames = 0;
    while (probe.BytesRead() + kHeaderLength <= kHeaderBudget) {
      const uint8_t* bytes;
      size_t got;
      status = probe.Read(at, kHeaderLength, &bytes, &got);
      if (status != khvStreamingStatus_OK) return status;
      Frame frame;
      // The end of the stream, or a damaged frame: the last good frame is the nearest.
      if (got == 0) return khvStreamingStatus_EndOfStream;
      if (FrameLength(bytes, got, &first) == 0 || !ReadFrame(bytes, got, &frame))
        return frames ? khvStreamingStatus_EndOfStream : khvStreamingStatus_Error;
      *position = at;
      if (isTime ? samples + frame.samples > targetSamples : at + frame.length > value)
        return khvStreamingStatus_OK;
      samples += frame.samples;
      at += frame.length;
      ++frames;
    }
    // Too far for the walk: go on at the average frame size seen so far.
    if (frames == 0) return khvStreamingStatus_Error;
    const uint64_t walked = at - start;
    uint64_t target = value;
    if (isTime) {
      const uint64_t framesLeft = (targetSamples - samples) / (samples / frames);
      target =
          at + static_cast<uint64_t>(static_cast<double>(framesLeft) * static_cast<double>(walked) /
                                     static_cast<double>(frames));
    }
    return hvSeek_FrameAtOrBefore(probe, target, at, kResyncBack, FrameLength, &first, position);
  }
};

}  // namespace

hvFormatSeeker* hvSeek_CreateAdts() { return new AdtsSeeker; }
