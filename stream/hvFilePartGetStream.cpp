#include "hulvoStreaming/hvStream.h"

hvFilePartGetStream::hvFilePartGetStream(hvFile* file, const hvCString& mimeType,
                                         const hvCString& fileName, int64_t start, int64_t length)
    : hvFileGetStream(file, mimeType, fileName),
      m_start(start),
      m_length(length),
      m_current(start) {
  // A negative start or length names no range of the file; the failed seek's -1 must not
  // pass for a start of -1 either.
  if (start < 0 || length < 0) m_valid = false;
  if (IsValid() && m_file->Seek(m_start, 0) != m_start) m_valid = false;
}

hvuint64 hvFilePartGetStream::GetStreamSize() {
  return IsValid() ? hvuint64(static_cast<uint64_t>(m_length)) : hvuint64(khvuint64_Max);
}

hvuint64 hvFilePartGetStream::GetStreamPosition() {
  return IsValid() ? static_cast<uint64_t>(m_current - m_start) : 0;
}

hvStreamingStatus hvFilePartGetStream::SeekBytes(const hvuint64& position) {
  if (!IsValid()) return khvStreamingStatus_Error;
  int64_t offset = position.ToFileOffset();
  // A target that does not fit in a file offset is a seek the file cannot do.
  if (offset < 0 || offset > INT64_MAX - m_start) return khvStreamingStatus_Error;
  if (!m_seekable) return khvStreamingStatus_SeekNotSupported;
  int64_t target = m_start + offset;
  int64_t landed = m_file->Seek(target, 0);
  // Reads continue from the file's own offset, so a miss must bring it back to the current one.
  if (landed != target) return SeekMissed(landed, m_current);
  m_current = target;
  m_lost = false;
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvFilePartGetStream::PullGet(unsigned char* destination, size_t* length, bool) {
  if (!IsValid() || m_lost) {
    *length = 0;
    return khvStreamingStatus_Error;
  }
  int64_t end = m_length > INT64_MAX - m_start ? INT64_MAX : m_start + m_length;
  if (m_current >= end) {
    *length = 0;
    return khvStreamingStatus_EndOfStream;
  }
  // Compared as a remainder, so a request of up to all bits set cannot overflow.
  uint64_t remaining = static_cast<uint64_t>(end - m_current);
  size_t request = *length < remaining ? *length : static_cast<size_t>(remaining);
  *length = request;
  hvStreamingStatus status = Finish(request == 0 ? 0 : ReadFile(destination, request), length);
  m_current += static_cast<int64_t>(*length);
  return status;
}
