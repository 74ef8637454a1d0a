// What the streams that own an hvFile answer from it, in one place for all of them.
#ifndef HV_STREAM_HVFILEANSWERS_H
#define HV_STREAM_HVFILEANSWERS_H

#include "hv/hvFile.h"

// A stream is usable over a file object that is there and open.
inline bool hvFileAnswers_IsOpen(const hvFile* file) {
  return file && file->handle != khvuint64_Max;
}

// The file's length, or khvuint64_Max (unknown) when the system cannot tell it.
inline hvuint64 hvFileAnswers_Size(hvFile* file) {
  int64_t length = file->Length();
  return length < 0 ? hvuint64(khvuint64_Max) : hvuint64(static_cast<uint64_t>(length));
}

// Pipes, sockets and terminals have no offset to ask for; a stream over one cannot seek.
inline bool hvFileAnswers_IsSeekable(hvFile* file) {
  return hvFileAnswers_IsOpen(file) && file->Tell() >= 0;
}

#endif
