// LPCM: raw audio/L16 streams (rate and channels from the MIME type) and WAV files (from the
// RIFF header). Times and byte positions are plain arithmetic on the sample frame.
#include <cstdlib>
#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "seek/hvSeekFields.h"
#include "seek/hvSeekFormats.h"
#include "seek/hvSeekProbe.h"
#include "seek/hvSeekSync.h"

namespace {

const uint64_t kBudget = 64 * 1024;
const uint32_t kMaxChunks = 64;

enum WaveField { kFormatTag, kChannels, kSampleRate, kByteRate, kBlockAlign, kBitsPerSample };
// The WAVE "fmt " chunk (little-endian).
const hvSeekByteField kWaveFormat[] = {{0, 2}, {2, 2}, {4, 4}, {8, 4}, {12, 2}, {14, 2}};

struct Layout {
  uint64_t dataStart = 0;
  uint64_t dataEnd = khvuint64_Max;  // unknown: up to the stream's end
  uint32_t rate = 0;
  uint32_t blockAlign = 0;
};

// The format codes whose sample frames all have one size, so that a time is a multiple of
// it: PCM, IEEE float, A-law, mu-law. Compressed blocks hold a varying count of samples.
const uint32_t kExtensible = 0xFFFE;
const size_t kExtensibleLength = 40;  // the format chunk up to the sub-format code
bool IsLinear(uint32_t formatTag) {
  return formatTag == 1 || formatTag == 3 || formatTag == 6 || formatTag == 7;
}

bool IsWave(const uint8_t* head, size_t length) {
  return length >= 12 && memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "WAVE", 4) == 0;
}

// Walks the RIFF chunks, reading only their headers and the format chunk.
hvStreamingStatus ReadWave(hvSeekProbe& probe, Layout* layout) {
  uint64_t at = 12;
  bool haveFormat = false;
  for (uint32_t chunk = 0; chunk < kMaxChunks; ++chunk) {
    const uint8_t* bytes;
    size_t got;
    hvStreamingStatus status = probe.Read(at, 8, &bytes, &got);
    if (status != khvStreamingStatus_OK) return status;
    if (got < 8) return khvStreamingStatus_Error;
    hvSeekCursor header(bytes, got);
    const uint64_t id = header.Bytes(4);
    const uint64_t size = header.BytesLE(4);
    if (id == 0x666d7420) {  // "fmt "
      status = probe.Read(at + 8, kExtensibleLength, &bytes, &got);
      if (status != khvStreamingStatus_OK) return status;
      uint32_t field[6];
      if (size < 16 || !hvSeek_ReadFieldsLE(bytes, got, kWaveFormat, field))
        return khvStreamingStatus_Error;
      // The extensible format names the real one in the first bytes of its sub-format GUID.
      uint32_t tag = field[kFormatTag];
      if (tag == kExtensible)
        tag = size >= kExtensibleLength && got >= kExtensibleLength
                  ? static_cast<uint32_t>(hvSeekCursor(bytes + 24, 2).BytesLE(2))
                  : 0;
      if (!IsLinear(tag)) return khvStreamingStatus_Error;
      layout->rate = field[kSampleRate];
      layout->blockAlign = field[kBlockAlign];
      haveFormat = true;
    } else if (id == 0x64617461) {  // "data"
      if (!haveFormat) return khvStreamingStatus_Error;
      layout->dataStart = at + 8;
      // Writers that stream WAV leave the size 0 or all ones: the data runs to the end.
      if (size != 0 && size != 0xFFFFFFFFu) layout->dataEnd = layout->dataStart + size;
      return khvStreamingStatus_OK;
    }
    at += 8 + size + (size & 1);  // chunks are padded to even lengths
  }
  return khvStreamingStatus_Error;
}

// audio/L16;rate=R;channels=C: 16-bit samples, one channel when none is given.
bool ReadL16(const hvCString& mimeText, Layout* layout) {
  hvMimeType* mime = hvMimeType_Parse(mimeText.c_str());
  hvMimeType_ApplyL16Default(mime);
  char* rate = hvMimeType_FindParameter(mime, "rate");
  char* channels = hvMimeType_FindParameter(mime, "channels");
  const bool isL16 = hvMimeType_Match("audio/L16", mimeText.c_str()) != 0;
  const unsigned long rateValue = rate ? strtoul(rate, nullptr, 10) : 0;
  const unsigned long channelValue = channels ? strtoul(channels, nullptr, 10) : 0;
  hvMemory_Free(rate);
  hvMemory_Free(channels);
  hvMimeType_Free(mime);
  if (!isL16 || rateValue == 0 || rateValue > 1000000 || channelValue == 0 || channelValue > 64)
    return false;
  layout->rate = static_cast<uint32_t>(rateValue);
  layout->blockAlign = static_cast<uint32_t>(2 * channelValue);
  return true;
}

class LpcmSeeker : public hvFormatSeeker {
 public:
  LpcmSeeker() : hvFormatSeeker("LPCM\\LPCM_low", "lpcm", kBudget) {}

  bool Recognise(const unsigned char* head, size_t length) const override {
    return IsWave(head, length);
  }

 protected:
  hvStreamingStatus Find(hvSeekProbe& probe, uint64_t value, bool isTime,
                         uint64_t* bytePos) override {
    Layout layout;
    hvStreamingStatus status = Open(probe, &layout);
    if (status != khvStreamingStatus_OK) return status;
    if (isTime) {
      const uint64_t frame = hvSeek_MsToUnits(value, layout.rate);
      return Place(probe, layout,
                   frame > UINT64_MAX / layout.blockAlign - layout.dataStart
                       ? khvuint64_Max
                       : layout.dataStart + frame * layout.blockAlign,
                   bytePos);
    }
    const uint64_t offset = value < layout.dataStart ? 0 : value - layout.dataStart;
    return Place(probe, layout, layout.dataStart + offset / layout.blockAlign * layout.blockAlign,
                 bytePos);
  }

 private:
  hvStreamingStatus Open(hvSeekProbe& probe, Layout* layout) {
    const uint8_t* head;
    size_t got;
    hvStreamingStatus status = probe.Read(0, 12, &head, &got);
    if (status != khvStreamingStatus_OK) return status;
    if (IsWave(head, got)) {
      status = ReadWave(probe, layout);
    } else {
      hvMediaInfo* info = probe.Stream()->GetInfo();
      hvCString mime = probe.Stream()->GetMimeType();
      if (info && info->Has("mt")) mime = info->GetCString("mt");
      status = ReadL16(mime, layout) ? khvStreamingStatus_OK : khvStreamingStatus_Error;
    }
    if (status == khvStreamingStatus_OK && (layout->rate == 0 || layout->blockAlign == 0))
      status = khvStreamingStatus_Error;
    return status;
  }

  // A position past the data answers the end, with the last whole sample frame. A stream that
  // does not tell its size is asked whether it holds the position.
  static hvStreamingStatus Place(hvSeekProbe& probe, const Layout& layout, uint64_t position,
                                 uint64_t* bytePos) {
    uint64_t end = layout.dataEnd;
    if (probe.Size() != khvuint64_Max && probe.Size() < end) end = probe.Size();
    if (probe.Size() == khvuint64_Max) {
      // Whatever the header declares, only reading tells where such a stream ends.
      uint64_t last = end != khvuint64_Max && position >= end ? end - 1 : position;
      bool past = false;
      const hvStreamingStatus status = hvSeek_ClampToEnd(probe, layout.dataStart, &last, &past);
      if (status != khvStreamingStatus_OK) return status;
      if (past) end = last + 1;
    }
    if (end != khvuint64_Max && position >= end) {
      const uint64_t frames =
          end > layout.dataStart ? (end - layout.dataStart) / layout.blockAlign : 0;
      *bytePos = layout.dataStart + (frames ? frames - 1 : 0) * layout.blockAlign;
      return khvStreamingStatus_EndOfStream;
    }
    *bytePos = position;
    return khvStreamingStatus_OK;
  }
};

}  // namespace

hvFormatSeeker* hvSeek_CreateLpcm() { return new LpcmSeeker; }
