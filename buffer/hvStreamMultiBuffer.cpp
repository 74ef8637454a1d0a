// hvStreamMultiBuffer: construction within the limits, the back-seek window, positions,
// statuses and the polling wait. The write side and the read side live in their own files.
#include <cstring>

#include "buffer/hvBufferLock.h"
#include "hulvoStreaming/hvBulkMemory.h"
#include "hulvoStreaming/hvOSThread.h"
#include "hulvoStreaming/hvStreamBuffer.h"

namespace {
// Offsets are 32-bit and taken modulo the total size as a signed 32-bit number, so the ring
// must stay below 2^31 bytes.
const uint64_t kTotalSizeLimit = uint64_t(1) << 31;
const int kPollMilliseconds = 100;

bool InWindow(uint64_t position, uint64_t retained, uint64_t read, uint64_t write) {
  return (read <= position && position <= write) || (retained <= position && position < write);
}
}  // namespace

hvStreamMultiBuffer::hvStreamMultiBuffer(size_t blockSize, size_t blockCount)
    : m_blockSize(blockSize),
      m_blocks(nullptr),
      m_assembly(nullptr),
      m_assemblySize(0),
      m_blockCount(blockCount),
      m_retainedPosition(0),
      m_writePosition(0),
      m_readPosition(0),
      m_readOffset(0),
      m_writeOffset(0),
      m_totalSize(0),
      m_writeGranted(0),
      m_stopped(false) {
  // The division keeps the product from wrapping before it is compared.
  if (blockSize == 0 || blockCount == 0 || blockCount > (kTotalSizeLimit - 1) / blockSize) {
    m_valid = false;
    return;
  }
  m_totalSize = blockSize * blockCount;
  m_blocks = static_cast<unsigned char**>(hvBulkMemory_Malloc(blockCount * sizeof(*m_blocks)));
  if (!m_blocks) {
    m_valid = false;
    return;
  }
  memset(m_blocks, 0, blockCount * sizeof(*m_blocks));
  for (size_t index = 0; index < blockCount && m_valid; ++index) {
    m_blocks[index] = static_cast<unsigned char*>(hvBulkMemory_Malloc(blockSize));
    if (!m_blocks[index]) m_valid = false;
  }
}

hvStreamMultiBuffer::~hvStreamMultiBuffer() {
  if (m_blocks) {
    for (size_t index = 0; index < m_blockCount; ++index) hvBulkMemory_Free(m_blocks[index]);
    hvBulkMemory_Free(m_blocks);
  }
  hvBulkMemory_Free(m_assembly);
}

bool hvStreamMultiBuffer::Seek(const hvuint64& position) {
  if (!m_valid) return false;
  hvBufferLock hold(m_lock);
  bool inside = InWindow(position, m_retainedPosition.load(std::memory_order_relaxed),
                         m_readPosition.load(std::memory_order_relaxed),
                         m_writePosition.load(std::memory_order_relaxed));
  if (inside) {
    m_readPosition.store(position, std::memory_order_relaxed);
  } else {
    m_readPosition.store(position, std::memory_order_relaxed);
    m_writePosition.store(position, std::memory_order_relaxed);
    m_retainedPosition.store(position, std::memory_order_relaxed);
    // The room the producer holds now belongs to the old positions: its release must not
    // commit stale bytes once writing resumes at the target.
    m_writeGranted = 0;
    m_state.store(khvStreamBuffer_SeekPending, std::memory_order_release);
  }
  m_readOffset = Offset(position);
  m_writeOffset = Offset(m_writePosition.load(std::memory_order_relaxed));
  return inside;
}

bool hvStreamMultiBuffer::WillSeek(const hvuint64& position) {
  return InWindow(position, m_retainedPosition.load(std::memory_order_relaxed),
                  m_readPosition.load(std::memory_order_relaxed),
                  m_writePosition.load(std::memory_order_relaxed));
}

size_t hvStreamMultiBuffer::Readable() const {
  return static_cast<size_t>(m_writePosition.load(std::memory_order_relaxed) -
                             m_readPosition.load(std::memory_order_relaxed));
}

unsigned char* hvStreamMultiBuffer::At(uint64_t offset) const {
  return m_blocks[offset / m_blockSize] + offset % m_blockSize;
}

size_t hvStreamMultiBuffer::GetAvailableReadSize() {
  if (!m_valid) return 0;
  hvBufferLock hold(m_lock);
  return Readable();
}

size_t hvStreamMultiBuffer::GetAvailableWriteSize() {
  if (!m_valid) return 0;
  hvBufferLock hold(m_lock);
  return m_totalSize - Readable();
}

hvuint64 hvStreamMultiBuffer::GetCurrentPosition() {
  return m_readPosition.load(std::memory_order_relaxed);
}

hvuint64 hvStreamMultiBuffer::GetCurrentWritePosition() {
  return m_writePosition.load(std::memory_order_relaxed);
}

size_t hvStreamMultiBuffer::GetTotalBufferSize() { return m_valid ? m_totalSize : 0; }

hvStreamingStatus hvStreamMultiBuffer::GetStatus(const hvuint64& position) {
  hvStreamBufferState state = m_state.load(std::memory_order_relaxed);
  if (state == khvStreamBuffer_Interrupted) return khvStreamingStatus_Interrupted;
  // A producer may still commit a block it took before the end was signalled, so a read
  // can pass the end position; past it is as ended as at it.
  if (position >= m_endPosition) {
    if (state == khvStreamBuffer_EndOfStream) return khvStreamingStatus_EndOfStream;
    if (state == khvStreamBuffer_ReadError) return khvStreamingStatus_Error;
  }
  return khvStreamingStatus_OK;
}

void hvStreamMultiBuffer::AdjustValidReadPos(size_t length) {
  uint64_t end = m_writePosition.load(std::memory_order_relaxed) + length;
  if (end > m_totalSize && end - m_totalSize > m_retainedPosition.load(std::memory_order_relaxed))
    m_retainedPosition.store(end - m_totalSize, std::memory_order_relaxed);
}

void hvStreamMultiBuffer::StopStream() {
  hvBufferLock hold(m_lock);
  m_stopped.store(true, std::memory_order_release);
}

bool hvStreamMultiBuffer::ReachReadSizeThreshold(uint32_t size, uint32_t timeout) {
  if (!m_valid) return false;
  size_t available = GetAvailableReadSize();
  uint32_t polls = 0;
  const uint32_t limit = timeout / kPollMilliseconds;
  bool done = m_stopped.load(std::memory_order_acquire);
  while (available < size) {
    if (done) break;
    hvOSThread_Sleep(kPollMilliseconds);
    available = GetAvailableReadSize();
    ++polls;
    // A full ring cannot take more before somebody reads, so waiting longer is pointless.
    done = polls >= limit || m_stopped.load(std::memory_order_acquire) || available == m_totalSize;
  }
  return available >= size;
}
