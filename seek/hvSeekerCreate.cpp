// The ready manager with the library's format seekers, and the one-call time seek over it.
#include <string>

#include "seek/hvSeekFormats.h"
#include "seek/hvSeekProbe.h"

hvFormatSeeker* (*const khvSeek_Factories[6])() = {hvSeek_CreateLpcm, hvSeek_CreateMp4,
                                                   hvSeek_CreateTs,   hvSeek_CreatePs,
                                                   hvSeek_CreateAdts, hvSeek_CreateMp3};

namespace {

const size_t kRecogniseHead = 64 * 1024;

// The manager's seeker for the first profile name of the format that recognises the head.
hvStreamingStatus Recognise(hvSeekerManager* manager, hvStream* stream, uint32_t waitMs,
                            hvFormatSeeker** found, uint64_t* bytesRead) {
  hvSeekProbe probe(stream, kRecogniseHead, waitMs);
  const uint8_t* head;
  size_t got;
  hvStreamingStatus status = probe.Read(0, kRecogniseHead, &head, &got);
  *bytesRead = probe.BytesRead();
  if (status != khvStreamingStatus_OK) return status;
  for (auto create : khvSeek_Factories) {
    hvFormatSeeker* candidate = create();
    const bool recognised = candidate->Recognise(head, got);
    const std::string names = candidate->GetProfileNameList().c_str();
    const std::string profile = "DLNA.ORG_PN=" + names.substr(0, names.find('\\'));
    delete candidate;
    if (!recognised) continue;
    hvMediaInfo info;
    info.Set("dl", profile.c_str(), true);
    *found = dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
    return *found ? khvStreamingStatus_OK : khvStreamingStatus_Error;
  }
  return khvStreamingStatus_Error;
}

}  // namespace

hvSeekerManager* hvSeekerManager_Create() {
  hvSeekerManager* manager = new hvSeekerManager;
  for (auto create : khvSeek_Factories) manager->Add(create());
  return manager;
}

hvStreamingStatus hvSeeker_SeekTime(hvSeekerManager* manager, hvStream* stream, uint64_t timeMs,
                                    hvSeekResult* result) {
  return hvSeeker_SeekTimeWaiting(manager, stream, timeMs, 0, result);
}

hvStreamingStatus hvSeeker_SeekTimeWaiting(hvSeekerManager* manager, hvStream* stream,
                                           uint64_t timeMs, uint32_t waitMs, hvSeekResult* result) {
  hvSeekResult local;
  if (!result) result = &local;
  *result = hvSeekResult();
  if (!manager || !stream) return khvStreamingStatus_InvalidOperation;
  hvFormatSeeker* seeker = dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(stream->GetInfo()));
  uint64_t recogniseRead = 0;
  if (!seeker) {
    hvStreamingStatus status = Recognise(manager, stream, waitMs, &seeker, &recogniseRead);
    if (status != khvStreamingStatus_OK) {
      result->bytesRead = recogniseRead;
      return status;
    }
  }
  hvStreamingStatus status = seeker->SeekTime(stream, timeMs, result, waitMs);
  result->bytesRead += recogniseRead;
  // Past the end, the last position found is still where a player should go.
  if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) return status;
  hvStreamingStatus moved = stream->SeekBytes(result->bytePos);
  return moved != khvStreamingStatus_OK ? moved : status;
}
