#include <cstdint>

#include "hulvoStreaming/hvStream.h"
#include "stream/hvFileAnswers.h"

hvFileGetStream::hvFileGetStream(hvFile* file, const hvCString& mimeType, const hvCString& fileName)
    : m_file(file), m_mimeType(mimeType), m_path(fileName), m_seekable(false) {
  m_valid = m_valid && hvFileAnswers_IsOpen(m_file);
  m_seekable = m_valid && hvFileAnswers_IsSeekable(m_file);
}

hvFileGetStream::~hvFileGetStream() { delete m_file; }

const char* hvFileGetStream::GetID() { return "hvFile"; }

hvuint64 hvFileGetStream::GetStreamSize() {
  return IsValid() ? hvFileAnswers_Size(m_file, m_seekable) : hvuint64(khvuint64_Max);
}

hvuint64 hvFileGetStream::GetStreamPosition() {
  if (!IsValid()) return 0;
  int64_t position = m_lost ? -1 : m_file->Tell();
  return position < 0 ? khvuint64_Max : static_cast<uint64_t>(position);
}

hvCString hvFileGetStream::GetMimeType() { return m_mimeType; }
hvCString hvFileGetStream::GetExtension() { return m_path.GetExtension(); }
hvCString hvFileGetStream::GetFileName() { return m_path.GetFullName(); }
size_t hvFileGetStream::GetAvailableReadSize() { return 0; }

bool hvFileGetStream::Support(int what) {
  if (what == khvStreamSupport_ByteSeek && !m_seekable) return false;
  return what != khvStreamSupport_ApplicationCode3 && hvStream::Support(what);
}

hvStreamingStatus hvFileGetStream::SeekBytes(const hvuint64& position) {
  if (!IsValid()) return khvStreamingStatus_Error;
  int64_t offset = position.ToFileOffset();
  // Positions beyond the signed range come out negative; the failed seek's -1 must not
  // pass for the requested offset.
  if (offset < 0) return khvStreamingStatus_Error;
  if (!m_seekable) return khvStreamingStatus_SeekNotSupported;
  int64_t before = m_lost ? -1 : m_file->Tell();
  int64_t landed = m_file->Seek(offset, 0);
  if (landed != offset) return SeekMissed(landed, before);
  m_lost = false;
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvFileGetStream::SeekMissed(int64_t landed, int64_t place) {
  // A failed seek leaves the stream where it was, so the next read still continues it. A
  // device that misses every offset may miss the way back too.
  if (landed >= 0 && (place < 0 || m_file->Seek(place, 0) != place)) m_lost = true;
  return khvStreamingStatus_Error;
}

hvStreamingStatus hvFileGetStream::PullTake(unsigned char**, size_t*, bool) {
  return khvStreamingStatus_InvalidOperation;
}

hvStreamingStatus hvFileGetStream::PullRelease(unsigned char*, size_t) {
  return khvStreamingStatus_InvalidOperation;
}

int32_t hvFileGetStream::ReadFile(unsigned char* destination, size_t length) {
  // A read reports a signed 32-bit count; a larger request is served in part, as a short
  // read, which the pull protocol allows.
  size_t request = length < static_cast<size_t>(INT32_MAX) ? length : INT32_MAX;
  return m_file->Read(destination, request);
}

hvStreamingStatus hvFileGetStream::PullGet(unsigned char* destination, size_t* length, bool) {
  if (!IsValid() || m_lost) {
    *length = 0;
    return khvStreamingStatus_Error;
  }
  return Finish(*length == 0 ? 0 : ReadFile(destination, *length), length);
}

hvStreamingStatus hvFileGetStream::Finish(int32_t count, size_t* length) {
  const size_t requested = *length;
  *length = count > 0 ? static_cast<size_t>(count) : 0;
  if (count < 0) return khvStreamingStatus_Error;
  // Only a read that was asked for bytes and found none is the end; a short one is not.
  return count == 0 && requested > 0 ? khvStreamingStatus_EndOfStream : khvStreamingStatus_OK;
}
