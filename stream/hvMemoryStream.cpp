#include <cstring>

#include "hulvoStreaming/hvBulkMemory.h"
#include "hulvoStreaming/hvOSThread.h"
#include "hulvoStreaming/hvStream.h"
#include "hv/hvLogReport.h"

namespace {
const uint64_t kPage = 4096;
const uint64_t kMaxSeekPosition = 0xFFFFFFFFu;
const int kSourcePollMilliseconds = 10;
}  // namespace

hvMemoryStream::hvMemoryStream(size_t capacity, const hvCString& mimeType)
    : m_block(nullptr),
      m_capacity(0),
      m_size(0),
      m_position(0),
      m_stopped(false),
      m_mimeType(mimeType) {
  m_block = static_cast<unsigned char*>(hvBulkMemory_Malloc(capacity));
  if (m_block) m_capacity = capacity;
  m_valid = m_valid && m_block != nullptr;
}

hvMemoryStream::~hvMemoryStream() { hvBulkMemory_Free(m_block); }

const char* hvMemoryStream::GetID() { return "memory"; }
hvuint64 hvMemoryStream::GetStreamSize() { return m_size; }
hvuint64 hvMemoryStream::GetStreamPosition() { return m_position; }
hvCString hvMemoryStream::GetMimeType() { return m_mimeType; }
size_t hvMemoryStream::GetTotalBufferSize() {
  return m_valid ? static_cast<size_t>(m_capacity) : 0;
}

void hvMemoryStream::SignalInterrupted() { m_stopped.store(true, std::memory_order_release); }

uint64_t hvMemoryStream::Remaining() const {
  // A seek may leave the position past the end; nothing is readable there.
  return m_position < m_size ? m_size - m_position : 0;
}

// Grows the block so that it holds more than `end` bytes. The new capacity leaves a third of
// the old one plus up to a page of room, so long runs of small writes reallocate rarely.
bool hvMemoryStream::Grow(uint64_t end) {
  uint64_t third = m_capacity / 3;
  uint64_t capacity = 0;
  bool fits = end <= UINT64_MAX - third - kPage && end + third + kPage <= SIZE_MAX;
  if (fits) capacity = (end + third + kPage) / kPage * kPage;
  void* grown = fits ? hvBulkMemory_Realloc(m_block, static_cast<size_t>(capacity)) : nullptr;
  if (grown) {
    m_block = static_cast<unsigned char*>(grown);
    m_capacity = capacity;
    return true;
  }
  hvLog_Report(khvLogCategory_Stream, "..\\..\\hvMemoryStream", 104,
               "hvMemoryStream: realloc(%d) failed\n", static_cast<int>(capacity));
  hvBulkMemory_Free(m_block);
  m_block = nullptr;
  m_position = 0;
  m_size = 0;
  m_stopped.store(true, std::memory_order_release);
  return false;
}

bool hvMemoryStream::WriteBytes(const unsigned char* data, size_t length) {
  if (m_stopped.load(std::memory_order_acquire)) return false;
  // An end that would not fit in 64 bits is a growth that cannot succeed.
  if (length > UINT64_MAX - m_position) return Grow(UINT64_MAX);
  uint64_t end = m_position + length;
  if (end >= m_capacity && !Grow(end)) return false;
  if (m_block) {
    // The gap a seek past the end left behind reads back as zeros, never as whatever the
    // heap held there before.
    if (m_position > m_size) memset(m_block + m_size, 0, static_cast<size_t>(m_position - m_size));
    if (length > 0) memcpy(m_block + m_position, data, length);
    m_position = end;
    // Even a write of nothing raises the size to the position.
    if (m_position > m_size) m_size = m_position;
  }
  return !m_stopped.load(std::memory_order_acquire);
}

bool hvMemoryStream::WriteStream(hvStream* source) {
  for (;;) {
    unsigned char* piece = nullptr;
    size_t length = static_cast<size_t>(-1);
    hvStreamingStatus status = source->PullTake(&piece, &length, false);
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) return false;
    if (length == 0 || !piece) {
      if (status == khvStreamingStatus_EndOfStream) return true;
      hvOSThread_Sleep(kSourcePollMilliseconds);
      continue;
    }
    bool written = WriteBytes(piece, length);
    source->PullRelease(piece, length);
    if (!written) return false;
    if (status == khvStreamingStatus_EndOfStream) return true;
  }
}

hvStreamingStatus hvMemoryStream::SeekBytes(const hvuint64& position) {
  if (position > kMaxSeekPosition) return khvStreamingStatus_Error;
  m_position = position;
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvMemoryStream::PullTake(unsigned char** data, size_t* length, bool) {
  bool stopped = m_stopped.load(std::memory_order_acquire);
  if (stopped || !IsValid()) {
    *data = nullptr;
    *length = 0;
    return stopped ? khvStreamingStatus_Interrupted : khvStreamingStatus_Error;
  }
  uint64_t remaining = Remaining();
  if (remaining >= *length) {
    // Past the end only a request of 0 bytes lands here; it gets no pointer.
    *data = m_position <= m_size ? m_block + m_position : nullptr;
    return khvStreamingStatus_OK;
  }
  *data = remaining > 0 ? m_block + m_position : nullptr;
  *length = static_cast<size_t>(remaining);
  return khvStreamingStatus_EndOfStream;
}

hvStreamingStatus hvMemoryStream::PullRelease(unsigned char*, size_t length) {
  // A release larger than the take must not carry the position past the data.
  uint64_t remaining = Remaining();
  m_position += length < remaining ? length : remaining;
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvMemoryStream::FillBuffer(unsigned char* destination, size_t* length) {
  size_t requested = *length;
  *length = 0;
  if (m_stopped.load(std::memory_order_acquire)) return khvStreamingStatus_Interrupted;
  if (!IsValid()) return khvStreamingStatus_Error;
  uint64_t remaining = Remaining();
  if (remaining == 0) return khvStreamingStatus_EndOfStream;
  size_t count = requested < remaining ? requested : static_cast<size_t>(remaining);
  memcpy(destination, m_block + m_position, count);
  *length = count;
  m_position += count;
  return m_position == m_size ? khvStreamingStatus_EndOfStream : khvStreamingStatus_OK;
}

hvStreamingStatus hvMemoryStream::PullGet(unsigned char* destination, size_t* length, bool) {
  return FillBuffer(destination, length);
}
