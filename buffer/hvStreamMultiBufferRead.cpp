// hvStreamMultiBuffer, consumer side: readable bytes in place, exact reads assembled across
// block boundaries, and the release that moves the read position.
#include <algorithm>
#include <cstring>

#include "buffer/hvBufferLock.h"
#include "hulvoStreaming/hvBulkMemory.h"
#include "hulvoStreaming/hvStreamBuffer.h"

namespace {
const size_t kAssemblyGranule = 1024;
}

size_t hvStreamMultiBuffer::ContiguousReadable(size_t available) const {
  return std::min(m_blockSize - static_cast<size_t>(m_readOffset % m_blockSize), available);
}

bool hvStreamMultiBuffer::Assemble(size_t count, size_t firstRun) {
  if (count > m_assemblySize) {
    size_t size = (count / kAssemblyGranule + 1) * kAssemblyGranule;
    // The old content need not survive, but realloc keeps the old area on failure.
    void* grown = hvBulkMemory_Realloc(m_assembly, size);
    if (!grown) return false;
    m_assembly = static_cast<unsigned char*>(grown);
    m_assemblySize = size;
  }
  memcpy(m_assembly, At(m_readOffset), firstRun);
  size_t copied = firstRun;
  size_t index = static_cast<size_t>(m_readOffset / m_blockSize);
  while (copied < count) {
    index = index + 1 == m_blockCount ? 0 : index + 1;
    size_t run = std::min(m_blockSize, count - copied);
    memcpy(m_assembly + copied, m_blocks[index], run);
    copied += run;
  }
  return true;
}

hvStreamingStatus hvStreamMultiBuffer::TakeReadBuffer(unsigned char** block, size_t* length,
                                                      bool exact) {
  *block = nullptr;
  if (!m_valid) {
    *length = 0;
    return khvStreamingStatus_Error;
  }
  hvBufferLock hold(m_lock);
  const size_t wanted = *length;
  const size_t available = Readable();
  const hvStreamBufferState state = m_state.load(std::memory_order_relaxed);
  unsigned char* out = nullptr;
  size_t given = 0;
  bool served = false;
  if (state != khvStreamBuffer_Interrupted && state != khvStreamBuffer_SeekPending) {
    size_t count = 0;
    if (available >= wanted) {
      served = available > 0;
      count = wanted;
    } else if (available > 0 && (!exact || state == khvStreamBuffer_EndOfStream)) {
      served = true;
      count = available;
    } else if (exact && wanted > m_totalSize) {
      // No amount of waiting can serve it, so no threshold is left behind.
      *length = 0;
      return khvStreamingStatus_TooLarge;
    }
    if (served) {
      size_t contiguous = ContiguousReadable(available);
      if (count <= contiguous || !exact) {
        given = std::min(count, contiguous);
        out = At(m_readOffset);
      } else {
        if (!Assemble(count, contiguous)) {
          *length = 0;
          return khvStreamingStatus_Error;
        }
        given = count;
        out = m_assembly;
      }
      m_readThreshold.store(0, std::memory_order_relaxed);
    }
  }
  if (!served) m_readThreshold.store(exact ? wanted : 1, std::memory_order_relaxed);
  hvStreamingStatus status = GetStatus(m_readPosition.load(std::memory_order_relaxed) + given);
  if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) {
    out = nullptr;
    given = 0;
  }
  // An exact read that cannot be served before the error position never will be.
  if (exact && state == khvStreamBuffer_ReadError && wanted > available)
    status = khvStreamingStatus_Error;
  *block = out;
  *length = given;
  return status;
}

hvStreamingStatus hvStreamMultiBuffer::ReleaseReadBuffer(unsigned char*, size_t length) {
  if (!m_valid) return khvStreamingStatus_Error;
  hvBufferLock hold(m_lock);
  // Consuming more than is readable would put the read position past the write position and
  // hand unwritten room out as data; only readable bytes can be consumed.
  uint64_t read = m_readPosition.load(std::memory_order_relaxed) + std::min(length, Readable());
  m_readPosition.store(read, std::memory_order_relaxed);
  m_readOffset = Offset(read);
  return GetStatus(read);
}
