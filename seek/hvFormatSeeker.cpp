// What every format seeker of the library shares: the probe with its read bound, and the
// bool conversions of hvSeeker answered through the status variants.
#include <algorithm>

#include "hulvoStreaming/hvSeeker.h"
#include "seek/hvSeekFields.h"
#include "seek/hvSeekProbe.h"

hvFormatSeeker::hvFormatSeeker(const hvCString& profileNameList, const char* format,
                               uint64_t readBound)
    : hvSeeker(profileNameList), m_format(format), m_readBound(readBound) {}

bool hvFormatSeeker::TimeSpecToBytePos(hvStream* stream, const hvuint64& time, hvuint64& bytePos) {
  hvSeekResult result;
  if (SeekTime(stream, time, &result) != khvStreamingStatus_OK) return false;
  bytePos = result.bytePos;
  return true;
}

bool hvFormatSeeker::ByteSpecToBytePos(hvStream* stream, const hvuint64& byteSpec,
                                       hvuint64& bytePos) {
  hvSeekResult result;
  if (AlignBytes(stream, byteSpec, &result) != khvStreamingStatus_OK) return false;
  bytePos = result.bytePos;
  return true;
}

hvStreamingStatus hvFormatSeeker::SeekTime(hvStream* stream, uint64_t timeMs, hvSeekResult* result,
                                           uint32_t waitMs) {
  return Run(stream, std::min(timeMs, kMaxTimeMs), true, result, waitMs);
}

hvStreamingStatus hvFormatSeeker::AlignBytes(hvStream* stream, uint64_t byteSpec,
                                             hvSeekResult* result) {
  return Run(stream, byteSpec, false, result, 0);
}

hvStreamingStatus hvFormatSeeker::Run(hvStream* stream, uint64_t value, bool isTime,
                                      hvSeekResult* result, uint32_t waitMs) {
  hvSeekResult local;
  if (!result) result = &local;
  *result = hvSeekResult();
  result->format = m_format;
  if (!stream) return khvStreamingStatus_InvalidOperation;
  hvSeekProbe probe(stream, m_readBound, waitMs);
  uint64_t bytePos = 0;
  const hvStreamingStatus status = Find(probe, value, isTime, &bytePos);
  result->bytesRead = probe.BytesRead();
  // The tables of damaged media may point past the stream: such a position is never handed
  // out. The end itself is a sound answer for "past the data" when no frame is left before it.
  const uint64_t size = probe.Size();
  if (size != khvuint64_Max && ((status == khvStreamingStatus_OK && bytePos >= size) ||
                                (status == khvStreamingStatus_EndOfStream && bytePos > size)))
    return khvStreamingStatus_Error;
  if (status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream)
    result->bytePos = bytePos;
  return status;
}
