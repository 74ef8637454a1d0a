// What every seeker fuzz target does: the input becomes a memory stream, and the seeker for
// one profile converts a few times and byte offsets in it. Each answer must be a status, and
// a position found must lie inside the input.
#ifndef HV_FUZZ_HVSEEKFUZZ_H
#define HV_FUZZ_HVSEEKFUZZ_H

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "hulvoStreaming/hvSeeker.h"
#include "hulvoStreaming/hvStream.h"

inline int hvSeekFuzz_Run(const char* profile, const char* mime, const uint8_t* data, size_t size) {
  static hvSeekerManager* manager = hvSeekerManager_Create();
  hvMediaInfo info;
  info.Set("dl", (std::string("DLNA.ORG_PN=") + profile).c_str(), true);
  hvFormatSeeker* seeker = dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
  if (!seeker) abort();
  hvMemoryStream* stream = new hvMemoryStream(size ? size : 1, mime);
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
  for (uint64_t offset : {uint64_t(0), uint64_t(size / 2), uint64_t(size)}) {
    hvSeekResult result;
    const hvStreamingStatus status = seeker->AlignBytes(stream, offset, &result);
    if (status == khvStreamingStatus_OK && result.bytePos >= size) abort();
    if (status == khvStreamingStatus_EndOfStream && result.bytePos > size) abort();
  }
  stream->Delete();
  return 0;
}

#endif
