// The base seeker: it knows its profile names and the stream size its media description
// gives, and converts nothing.
#include "hulvoStreaming/hvSeeker.h"

#include "hulvoStreaming/hvStream.h"

hvSeeker::hvSeeker(const hvCString& profileNameList) : m_profileNameList(profileNameList) {}

hvSeeker::hvSeeker(const hvSeeker& other) = default;

hvSeeker& hvSeeker::operator=(const hvSeeker& other) = default;

hvSeeker::~hvSeeker() = default;

hvCString hvSeeker::GetProfileNameList() const { return m_profileNameList; }

bool hvSeeker::TimeSpecToBytePos(hvStream*, const hvuint64&, hvuint64&) { return false; }

bool hvSeeker::ByteSpecToBytePos(hvStream*, const hvuint64&, hvuint64&) { return false; }

hvuint64 hvSeeker::GetByteSize(hvStream* stream) {
  hvMediaInfo* info = stream ? stream->GetInfo() : nullptr;
  if (!info) return khvuint64_Max;
  return info->GetUInt64("fs", khvuint64_Max);
}
