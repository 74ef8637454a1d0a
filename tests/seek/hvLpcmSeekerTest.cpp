// The LPCM seeker over WAV files built chunk by chunk and raw audio/L16 described by its MIME
// type: the chunk walk (odd sizes, chunks before the format, streamed sizes), the format
// chunk's variants, and every header the arithmetic cannot be trusted with.
#include <gtest/gtest.h>

#include <string>

#include "hvSeekBuilt.h"

namespace {

const uint32_t kRate = 8000;  // mono 16-bit: 16000 bytes a second

std::string Chunk(const char* id, const std::string& payload, uint32_t size) {
  std::string chunk = id + hvSeekLE(size, 4) + payload;
  if (payload.size() & 1) chunk += '\0';
  return chunk;
}
std::string Chunk(const char* id, const std::string& payload) {
  return Chunk(id, payload, static_cast<uint32_t>(payload.size()));
}

std::string Format(uint32_t tag, uint32_t rate = kRate, uint32_t blockAlign = 2) {
  return hvSeekLE(tag, 2) + hvSeekLE(1, 2) + hvSeekLE(rate, 4) + hvSeekLE(rate * blockAlign, 4) +
         hvSeekLE(blockAlign, 2) + hvSeekLE(16, 2);
}
// WAVE_FORMAT_EXTENSIBLE: the real format code opens the sub-format GUID.
std::string Extensible(uint32_t subFormat) {
  return Format(0xFFFE) + hvSeekLE(22, 2) + hvSeekLE(16, 2) + hvSeekLE(4, 4) +
         hvSeekLE(subFormat, 2) + std::string(14, '\x11');
}

std::string Wave(const std::string& chunks) { return "RIFF" + hvSeekLE(0, 4) + "WAVE" + chunks; }

const std::string kSamples(5 * 16000, '\x22');

struct Case {
  const char* situation;
  std::string bytes;
  const char* mime;
  uint64_t value;
  bool isTime;
  hvStreamingStatus status;
  uint64_t position;
  bool sizeKnown;
};

void Check(const Case& row) {
  hvSeekExpect(row.bytes, {"LPCM", row.mime, row.value, row.isTime, row.sizeKnown}, row.status,
               row.position, row.situation);
}

const hvStreamingStatus kOK = khvStreamingStatus_OK, kEnd = khvStreamingStatus_EndOfStream,
                        kError = khvStreamingStatus_Error;

TEST(hvLpcmSeekerTest, SampleFramesByArithmetic) {
  const char* wav = "audio/wav";
  const std::string plain = Wave(Chunk("fmt ", Format(1)) + Chunk("data", kSamples));
  const uint64_t data = 12 + 24 + 8;
  const std::string list = Chunk("LIST", std::string(7, 'L'));  // odd: padded to 8
  const Case cases[] = {
      {"plain", plain, wav, 1000, true, kOK, data + 16000, true},
      {"an odd chunk before the format",
       Wave(list + Chunk("fmt ", Format(1)) + Chunk("data", kSamples)), wav, 1000, true, kOK,
       data + 16 + 16000, true},
      {"a format chunk of 18 bytes",
       Wave(Chunk("fmt ", Format(1) + hvSeekLE(0, 2)) + Chunk("data", kSamples)), wav, 1000, true,
       kOK, data + 2 + 16000, true},
      {"floating point samples", Wave(Chunk("fmt ", Format(3)) + Chunk("data", kSamples)), wav,
       1000, true, kOK, data + 16000, true},
      {"extensible PCM", Wave(Chunk("fmt ", Extensible(1)) + Chunk("data", kSamples)), wav, 1000,
       true, kOK, data + 24 + 16000, true},
      {"data size 0 while streaming: to the end",
       Wave(Chunk("fmt ", Format(1)) + Chunk("data", kSamples, 0)), wav, 4000, true, kOK,
       data + 64000, true},
      {"data size all ones: to the end",
       Wave(Chunk("fmt ", Format(1)) + Chunk("data", kSamples, 0xFFFFFFFF)), wav, 4000, true, kOK,
       data + 64000, true},
      {"past a data chunk shorter than the file: its last frame",
       Wave(Chunk("fmt ", Format(1)) + Chunk("data", kSamples, 16000)), wav, 3000, true, kEnd,
       data + 16000 - 2, true},
      {"past the end", plain, wav, 9000, true, kEnd, data + kSamples.size() - 2, true},
      {"the longest time", plain, wav, UINT64_MAX, true, kEnd, data + kSamples.size() - 2, true},
      {"past the end of a stream of unknown size", plain, wav, 9000, true, kEnd,
       data + kSamples.size() - 2, false},
      // Used to answer OK at a position past the bytes: nothing said where the data ends.
      {"streamed data, unknown size, past the end",
       Wave(Chunk("fmt ", Format(1)) + Chunk("data", kSamples, 0)), wav, 9000, true, kEnd,
       data + kSamples.size() - 2, false},
      {"unknown size, data shorter than its header declares",
       Wave(Chunk("fmt ", Format(1)) + Chunk("data", kSamples, 1000000)), wav, 60000, true, kEnd,
       data + kSamples.size() - 2, false},
      {"streamed data, unknown size, inside",
       Wave(Chunk("fmt ", Format(1)) + Chunk("data", kSamples, 0)), wav, 4000, true, kOK,
       data + 64000, false},
      {"byte offset inside a sample frame", plain, wav, data + 16001, false, kOK, data + 16000,
       true},
      {"byte offset in the header: the first frame", plain, wav, 3, false, kOK, data, true},
      {"byte offset past the end", plain, wav, 1 << 20, false, kEnd, data + kSamples.size() - 2,
       true},
      {"raw L16", kSamples, "audio/L16;rate=8000;channels=1", 1000, true, kOK, 16000, true},
      {"raw L16, one channel when none is named", kSamples, "audio/L16;rate=8000", 1000, true, kOK,
       16000, true},
      {"raw L16 stereo", kSamples, "audio/L16;rate=8000;channels=2", 1000, true, kOK, 32000, true},
      {"an empty data chunk: its start", Wave(Chunk("fmt ", Format(1)) + Chunk("data", "")), wav, 0,
       true, kEnd, data, true},
      // Rate and block size at their largest: the byte position would pass 2^64.
      {"the longest time at the largest frame rate",
       Wave(Chunk("fmt ", Format(1, 0xFFFFFFFF, 0xFFFF)) + Chunk("data", kSamples)), wav,
       UINT64_MAX, true, kEnd, data, true},
  };
  for (const Case& row : cases) Check(row);
  // The media description's type wins over the stream's own.
  hvSeekRequest described{"LPCM", "application/octet-stream", 1000};
  described.mediaType = "audio/L16;rate=8000;channels=2";
  hvSeekResult result;
  EXPECT_EQ(hvSeekInMemory(kSamples, described, &result), kOK);
  EXPECT_EQ(result.bytePos, 32000u);
}

TEST(hvLpcmSeekerTest, HeadersTheArithmeticCannotTrustAreRefused) {
  const char* wav = "audio/wav";
  std::string many;
  for (int i = 0; i < 70; ++i) many += Chunk("junk", "");
  const Case cases[] = {
      {"data before the format", Wave(Chunk("data", kSamples) + Chunk("fmt ", Format(1))), wav,
       1000, true, kError, 0, true},
      {"no data chunk", Wave(Chunk("fmt ", Format(1)) + Chunk("LIST", "x")), wav, 1000, true,
       kError, 0, true},
      {"a format chunk of 14 bytes",
       Wave(Chunk("fmt ", Format(1).substr(0, 14)) + Chunk("data", kSamples)), wav, 1000, true,
       kError, 0, true},
      {"a format chunk cut by the end", Wave(Chunk("fmt ", Format(1), 16).substr(0, 16)), wav, 1000,
       true, kError, 0, true},
      {"no sample rate", Wave(Chunk("fmt ", Format(1, 0)) + Chunk("data", kSamples)), wav, 1000,
       true, kError, 0, true},
      {"no block size", Wave(Chunk("fmt ", Format(1, kRate, 0)) + Chunk("data", kSamples)), wav,
       1000, true, kError, 0, true},
      {"more chunks than the walk takes",
       Wave(Chunk("fmt ", Format(1)) + many + Chunk("data", kSamples)), wav, 1000, true, kError, 0,
       true},
      // Used to seek compressed blocks as if they were sample frames, far past the second.
      {"IMA ADPCM", Wave(Chunk("fmt ", Format(0x11, kRate, 256)) + Chunk("data", kSamples)), wav,
       1000, true, kError, 0, true},
      {"extensible with compressed samples",
       Wave(Chunk("fmt ", Extensible(0x55)) + Chunk("data", kSamples)), wav, 1000, true, kError, 0,
       true},
      {"extensible format chunk too short for its sub-format",
       Wave(Chunk("fmt ", Format(0xFFFE)) + Chunk("data", kSamples)), wav, 1000, true, kError, 0,
       true},
      {"L16 without a rate", kSamples, "audio/L16", 1000, true, kError, 0, true},
      {"L16 at rate 0", kSamples, "audio/L16;rate=0", 1000, true, kError, 0, true},
      {"L16 above any rate", kSamples, "audio/L16;rate=2000000", 1000, true, kError, 0, true},
      {"L16 with 65 channels", kSamples, "audio/L16;rate=8000;channels=65", 1000, true, kError, 0,
       true},
      {"neither WAV nor L16", kSamples, "audio/mpeg", 1000, true, kError, 0, true},
  };
  for (const Case& row : cases) Check(row);
}

}  // namespace
