// What every seeker fuzz target does: the input becomes a memory stream (one that tells its
// size and one that does not), and the seeker for one profile converts a few times and byte
// offsets in it. Each answer must be a status, and
// a position found must lie inside the input.
#ifndef HV_FUZZ_HVSEEKFUZZ_H
#define HV_FUZZ_HVSEEKFUZZ_H

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "hulvoStreaming/hvSeeker.h"
#include "hulvoStreaming/hvStream.h"

// The same bytes from a stream that does not tell its size, as over HTTP without a length.
class hvSeekFuzzUnsized : public hvMemoryStream {
 public:
  hvSeekFuzzUnsized(size_t capacity, const char* mime) : hvMemoryStream(capacity, mime) {}
  hvuint64 GetStreamSize() override { return khvuint64_Max; }
};

inline void hvSeekFuzz_Seeks(hvFormatSeeker* seeker, hvMemoryStream* stream, const uint8_t* data,
                             size_t size) {
  stream->WriteBytes(data, size);
  stream->SeekBytes(0);
  for (uint64_t timeMs : {uint64_t(0), uint64_t(1500), uint64_t(3600000), UINT64_MAX}) {
    hvSeekResult result;
    const hvStreamingStatus status = seeker->SeekTime(stream, timeMs, &result);
    if (status == khvStreamingStatus_OK && result.bytePos >= size) abort();
    // Past the data with no whole frame before the end, the end itself is the answer.
    if (status == khvStreamingStatus_EndOfStream && result.bytePos > size) abort();
    if (result.bytesRead > seeker->GetReadBound()) abort();
  }
  for (uint64_t offset : {uint64_t(0), uint64_t(size / 2), uint64_t(size), UINT64_MAX - 9}) {
    hvSeekResult result;
    const hvStreamingStatus status = seeker->AlignBytes(stream, offset, &result);
    if (status == khvStreamingStatus_OK && result.bytePos >= size) abort();
    if (status == khvStreamingStatus_EndOfStream && result.bytePos > size) abort();
  }
  stream->Delete();
}

inline int hvSeekFuzz_Run(const char* profile, const char* mime, const uint8_t* data, size_t size) {
  static hvSeekerManager* manager = hvSeekerManager_Create();
  hvMediaInfo info;
  info.Set("dl", (std::string("DLNA.ORG_PN=") + profile).c_str(), true);
  hvFormatSeeker* seeker = dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
  if (!seeker) abort();
  const size_t capacity = size ? size : 1;
  hvSeekFuzz_Seeks(seeker, new hvMemoryStream(capacity, mime), data, size);
  hvSeekFuzz_Seeks(seeker, new hvSeekFuzzUnsized(capacity, mime), data, size);
  return 0;
}

#endif
