#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "stream/hvFileAnswers.h"

namespace {
// The ring created when no buffer is given: 2 blocks of 128 KiB.
const size_t kDefaultBlockSize = 131072;
const size_t kDefaultBlockCount = 2;
}  // namespace

hvFileStream::hvFileStream(hvStreamBuffer* buffer, hvFile* file, const hvCString& mimeType,
                           const hvCString& fileName)
    : m_file(file),
      m_buffer(buffer),
      m_interrupted(false),
      m_mimeType(mimeType),
      m_path(hvPathName::MakeFilePath(fileName.c_str())),
      m_seekable(false) {
  if (!m_buffer) m_buffer = new hvStreamMultiBuffer(kDefaultBlockSize, kDefaultBlockCount);
  m_valid = m_valid && m_buffer->IsValid() && hvFileAnswers_IsOpen(m_file);
  m_seekable = m_valid && hvFileAnswers_IsSeekable(m_file);
}

hvFileStream::~hvFileStream() {
  delete m_buffer;
  delete m_file;
}

const char* hvFileStream::GetID() { return "hvFile"; }

hvuint64 hvFileStream::GetStreamSize() {
  return IsValid() ? hvFileAnswers_Size(m_file, m_seekable) : hvuint64(khvuint64_Max);
}

hvuint64 hvFileStream::GetStreamPosition() {
  return IsValid() ? m_buffer->GetCurrentPosition() : hvuint64(0);
}

hvCString hvFileStream::GetMimeType() { return m_mimeType; }
hvCString hvFileStream::GetExtension() { return m_path.GetExtension(); }
hvCString hvFileStream::GetFileName() { return m_path.GetFullName(); }
size_t hvFileStream::GetAvailableReadSize() { return m_buffer->GetAvailableReadSize(); }
size_t hvFileStream::GetTotalBufferSize() { return m_buffer ? m_buffer->GetTotalBufferSize() : 0; }

bool hvFileStream::Support(int what) {
  if (what == khvStreamSupport_ByteSeek && !m_seekable) return false;
  return hvStream::Support(what);
}

void hvFileStream::SignalInterrupted() {
  // The flag goes first: a seek on the reading thread that resumes the ring after this
  // interruption was swallowed by its pending state then finds the flag and interrupts again.
  m_interrupted.store(true, std::memory_order_release);
  m_buffer->SignalInterrupted();
}

hvStreamingStatus hvFileStream::FillBuffer(unsigned char* destination, size_t* length) {
  size_t requested = *length;
  *length = 0;
  if (m_interrupted.load(std::memory_order_acquire)) return khvStreamingStatus_Interrupted;
  if (!IsValid()) return khvStreamingStatus_Error;
  int32_t count = m_file->Read(destination, requested);
  if (count < 0) return khvStreamingStatus_Error;
  *length = static_cast<size_t>(count);
  // Pipes, special files and files still being written answer in pieces: only a read that
  // finds nothing at all is the end of the file.
  return count == 0 && requested > 0 ? khvStreamingStatus_EndOfStream : khvStreamingStatus_OK;
}

// Reads the shortfall straight into the buffer's write block: one take, one read, one release.
void hvFileStream::TopUp(size_t wanted, size_t available) {
  unsigned char* block = nullptr;
  size_t granted = wanted - available;
  if (m_buffer->TakeWriteBuffer(&block, &granted) != khvStreamingStatus_OK) return;
  size_t count = granted;
  hvStreamingStatus status = FillBuffer(block, &count);
  // After an interruption the block is not released: the buffer hands the same room out
  // again, and no read is made any more.
  if (status == khvStreamingStatus_Interrupted) return;
  m_buffer->ReleaseWriteBuffer(block, count);
  if (status == khvStreamingStatus_EndOfStream)
    m_buffer->SignalEndOfStream();
  else if (status == khvStreamingStatus_Error)
    m_buffer->SignalReadError();
}

hvStreamingStatus hvFileStream::PullTake(unsigned char** data, size_t* length, bool exact) {
  // SignalInterrupted() raises the flag before it reaches the ring: a take in between must
  // not serve buffered bytes once a seek has already answered Interrupted.
  if (m_interrupted.load(std::memory_order_acquire)) {
    *data = nullptr;
    *length = 0;
    return khvStreamingStatus_Interrupted;
  }
  size_t available = m_buffer->GetAvailableReadSize();
  if (*length > available) TopUp(*length, available);
  hvStreamingStatus status = m_buffer->TakeReadBuffer(data, length, exact);
  SignalThresholdReached();
  return status;
}

hvStreamingStatus hvFileStream::PullRelease(unsigned char* data, size_t length) {
  return m_buffer->ReleaseReadBuffer(data, length);
}

hvStreamingStatus hvFileStream::SeekBytes(const hvuint64& position) {
  if (!IsValid()) return khvStreamingStatus_Error;
  // An interrupted stream stays interrupted: a reset seek would revive the ring with no
  // file reads behind it, and every take would answer OK with nothing.
  if (m_interrupted.load(std::memory_order_acquire)) return khvStreamingStatus_Interrupted;
  // Inside the buffered data only the read position moves; the file already stands where
  // the ring needs its next bytes.
  if (m_buffer->WillSeek(position)) {
    m_buffer->Seek(position);
    return khvStreamingStatus_OK;
  }
  if (!m_seekable) return khvStreamingStatus_SeekNotSupported;
  // The file moves first, so a seek it refuses leaves the ring, and the stream, untouched.
  int64_t offset = position.ToFileOffset();
  int64_t landed = offset < 0 ? -1 : m_file->Seek(offset, 0);
  if (offset < 0 || landed != offset) {
    int64_t write = m_buffer->GetCurrentWritePosition().ToFileOffset();
    // A file that cannot return to where the ring needs its next bytes would feed it
    // wrong ones: what is buffered can still be read, nothing after it.
    if (landed >= 0 && m_file->Seek(write, 0) != write) m_buffer->SignalReadError();
    return khvStreamingStatus_Error;
  }
  m_buffer->Seek(position);
  hvStreamingStatus status = m_buffer->SignalSeekDone(position);
  if (m_interrupted.load(std::memory_order_acquire)) {
    m_buffer->SignalInterrupted();
    return khvStreamingStatus_Interrupted;
  }
  return status == khvStreamingStatus_OK ? status : khvStreamingStatus_Error;
}
