#include "hulvoStreaming/hvStreamBuffer.h"

#include <cstring>

#include "buffer/hvBufferLock.h"
#include "hv/hvLogReport.h"
#include "hv/hvStoppableThread.h"

namespace {
const char kSource[] = "..\\..\\hvStreamBuffer";
// How long a producer without a buffer-full callback waits before trying a full buffer again.
const uint32_t kBufferFullRetryMilliseconds = 10;
}  // namespace

hvStreamBuffer::hvStreamBuffer()
    : m_state(khvStreamBuffer_Streaming),
      m_endPosition(khvuint64_Max),
      m_valid(true),
      m_bufferFullCallBack(nullptr),
      m_bufferFullUserData(nullptr),
      m_thresholdCallBack(nullptr),
      m_thresholdUserData(nullptr),
      m_readThreshold(0) {}

hvStreamBuffer::~hvStreamBuffer() = default;

bool hvStreamBuffer::IsValid() {
  if (!m_valid)
    HV_LOG(khvLogCategory_Stream, kSource, "hvStreamBuffer: Invalid (buffer = 0x%08lx)\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
  return m_valid;
}

hvStreamingStatus hvStreamBuffer::StoreInBuffer(unsigned char* data, size_t length) {
  // Only the entry looks at the state; an interruption that comes later shows up through
  // TakeWriteBuffer.
  if (m_state.load(std::memory_order_acquire) == khvStreamBuffer_Interrupted)
    return khvStreamingStatus_Interrupted;
  while (length != 0) {
    unsigned char* block = nullptr;
    size_t granted = length;
    hvStreamingStatus status = TakeWriteBuffer(&block, &granted);
    if (status == khvStreamingStatus_BufferFull) {
      if (HandleBufferFull() != khvStreamingStatus_OK) {
        SignalReadError();
        return khvStreamingStatus_BufferFull;
      }
      continue;
    }
    if (status != khvStreamingStatus_OK) return status;
    memcpy(block, data, granted);
    data += granted;
    length -= granted;
    ReleaseWriteBuffer(block, granted);
  }
  return khvStreamingStatus_OK;
}

void hvStreamBuffer::SignalEnd(hvStreamBufferState target) {
  hvBufferLock hold(m_lock);
  if (m_state.load(std::memory_order_relaxed) != khvStreamBuffer_Streaming) return;
  m_endPosition = GetCurrentWritePosition();
  m_state.store(target, std::memory_order_release);
  HandleThreshold();
}

void hvStreamBuffer::SignalSeekDone() {
  hvBufferLock hold(m_lock);
  if (m_state.load(std::memory_order_relaxed) == khvStreamBuffer_SeekPending)
    m_state.store(khvStreamBuffer_Streaming, std::memory_order_release);
}

hvStreamingStatus hvStreamBuffer::SignalSeekDone(const hvuint64& position) {
  hvBufferLock hold(m_lock);
  switch (m_state.load(std::memory_order_relaxed)) {
    case khvStreamBuffer_Interrupted:
      return khvStreamingStatus_Interrupted;
    case khvStreamBuffer_EndOfStream:
    case khvStreamBuffer_ReadError:
      return khvStreamingStatus_InvalidOperation;
    default:
      break;
  }
  // Seek moves the write position under this same lock, so the comparison sees the newest
  // target: a producer that repositioned for an older one is sent back.
  if (GetCurrentWritePosition() != position) return khvStreamingStatus_Pending;
  m_state.store(khvStreamBuffer_Streaming, std::memory_order_release);
  return khvStreamingStatus_OK;
}

void hvStreamBuffer::SignalEndOfStream() { SignalEnd(khvStreamBuffer_EndOfStream); }
void hvStreamBuffer::SignalInterrupted() { SignalEnd(khvStreamBuffer_Interrupted); }
void hvStreamBuffer::SignalReadError() { SignalEnd(khvStreamBuffer_ReadError); }

bool hvStreamBuffer::ReachReadSizeThreshold(uint32_t, uint32_t) { return false; }
size_t hvStreamBuffer::GetTotalBufferSize() { return 0; }

void hvStreamBuffer::SetBufferFullCallBack(hvStreamBufferFullCallBack callback, void* userData) {
  m_bufferFullCallBack = callback;
  m_bufferFullUserData = userData;
}

void hvStreamBuffer::SetThresholdCallBack(hvStreamBufferThresholdCallBack callback,
                                          void* userData) {
  m_thresholdCallBack = callback;
  m_thresholdUserData = userData;
}

hvStreamingStatus hvStreamBuffer::HandleBufferFull() {
  if (m_bufferFullCallBack) return m_bufferFullCallBack(m_bufferFullUserData);
  // A reader may be waiting for more than the full ring already holds for it; nudge it so it
  // takes what is there and makes room.
  HandleThreshold();
  hvStoppableThread::ThreadSleep(kBufferFullRetryMilliseconds);
  return khvStreamingStatus_OK;
}

void hvStreamBuffer::HandleThreshold() {
  // The threshold stays set: the reader's next take clears it.
  if (m_readThreshold.load(std::memory_order_relaxed) != 0 && m_thresholdCallBack)
    m_thresholdCallBack(m_thresholdUserData);
}
