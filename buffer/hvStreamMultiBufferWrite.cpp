// hvStreamMultiBuffer, producer side: room at the write position and its commit.
#include <algorithm>

#include "buffer/hvBufferLock.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hv/hvLogReport.h"

namespace {
const char kSource[] = "..\\..\\hvStreamMultiBuffer";
}

size_t hvStreamMultiBuffer::ContiguousRoom(size_t available) const {
  // Up to the end of the write block, but never into unread bytes: the free bytes run from
  // the write offset to the read offset, around the ring.
  return std::min(m_blockSize - static_cast<size_t>(m_writeOffset % m_blockSize),
                  m_totalSize - available);
}

hvStreamingStatus hvStreamMultiBuffer::TakeWriteBuffer(unsigned char** block, size_t* length) {
  *block = nullptr;
  if (!m_valid) {
    *length = 0;
    return khvStreamingStatus_Error;
  }
  hvBufferLock hold(m_lock);
  hvStreamBufferState state = m_state.load(std::memory_order_relaxed);
  m_writeGranted = 0;
  if (state == khvStreamBuffer_EndOfStream || state == khvStreamBuffer_ReadError) {
    HV_LOG(khvLogCategory_RingBuffer, kSource,
           "hvStreamMultiBuffer: TakeWriteBuffer called in invalid state %d (buffer=0x%08lx)\n",
           static_cast<int>(state), static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    *length = 0;
    return khvStreamingStatus_InvalidOperation;
  }
  hvStreamingStatus status = khvStreamingStatus_OK;
  if (state == khvStreamBuffer_Interrupted || state == khvStreamBuffer_SeekPending) {
    *length = 0;
    status = khvStreamingStatus_Interrupted;
  } else if (m_writePosition.load(std::memory_order_relaxed) == UINT64_MAX) {
    // A seek may place the stream at the last position there is; nothing can follow it.
    *length = 0;
    status = khvStreamingStatus_InvalidOperation;
  } else {
    uint64_t headroom = UINT64_MAX - m_writePosition.load(std::memory_order_relaxed);
    size_t room = static_cast<size_t>(std::min<uint64_t>(ContiguousRoom(Readable()), headroom));
    if (room == 0) {
      *length = 0;
      status = khvStreamingStatus_BufferFull;
    } else {
      *length = std::min(*length, room);
      *block = At(m_writeOffset);
      m_writeGranted = *length;
    }
  }
  // The bytes about to be overwritten leave the back-seek window now, while the producer
  // holds their room, so a backward seek cannot land on them in between.
  AdjustValidReadPos(*length);
  return status;
}

hvStreamingStatus hvStreamMultiBuffer::ReleaseWriteBuffer(unsigned char* block, size_t length) {
  if (length == 0) return khvStreamingStatus_OK;
  if (!m_valid) return khvStreamingStatus_Error;
  hvBufferLock hold(m_lock);
  // A reset seek emptied the ring: these bytes belong to the old position.
  if (m_state.load(std::memory_order_relaxed) == khvStreamBuffer_SeekPending)
    return khvStreamingStatus_OK;
  if (!block)
    HV_LOG(khvLogCategory_RingBuffer, kSource,
           "hvStreamMultiBuffer: ReleaseWriteBuffer called with NULL buffer ptr (buffer=0x%08lx)\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
  // Committing more than was granted would run the write position over unread bytes (or
  // past the room the producer actually filled); only the granted room can be committed.
  size_t committed = std::min(length, m_writeGranted);
  if (committed == 0) return khvStreamingStatus_OK;
  m_writeGranted -= committed;
  uint64_t write = m_writePosition.load(std::memory_order_relaxed) + committed;
  m_writePosition.store(write, std::memory_order_relaxed);
  m_writeOffset = Offset(write);
  size_t threshold = m_readThreshold.load(std::memory_order_relaxed);
  if (threshold != 0 && Readable() >= threshold) HandleThreshold();
  AdjustValidReadPos(0);
  return khvStreamingStatus_OK;
}
