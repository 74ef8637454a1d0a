// The buffers between a producer (a routine reading a file or a network source) and a
// consumer (a stream's PullTake). hvStreamBuffer owns the state, the end position, the lock
// and the owner's two callbacks; hvStreamMultiBuffer is the ring of equally sized blocks
// that holds the bytes. A producer and a consumer may work from two threads at once and a
// third may interrupt; no operation makes a thread wait on a condition.
#ifndef HULVOSTREAMING_HVSTREAMBUFFER_H
#define HULVOSTREAMING_HVSTREAMBUFFER_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvStream.h"
#include "hv/hvMutex.h"
#include "hv/hvPlatform.h"

// The buffer's state; its number appears in log records.
enum hvStreamBufferState : int32_t {
  khvStreamBuffer_Streaming = 0,
  // The producer signalled the end of its source at the end position.
  khvStreamBuffer_EndOfStream = 1,
  // The producer signalled a read error at the end position.
  khvStreamBuffer_ReadError = 2,
  khvStreamBuffer_Interrupted = 3,
  // The consumer moved outside the buffered data: the buffer was emptied at the target and
  // waits for the producer to reposition its source and call SignalSeekDone().
  khvStreamBuffer_SeekPending = 4,
};

// Decides what a producer that found no room does: khvStreamingStatus_OK tries again, any
// other status gives up (and turns the buffer into a read error). Runs without the lock.
typedef hvStreamingStatus (*hvStreamBufferFullCallBack)(void* userData);
// Tells the owner that a reader which came away empty can take again. Usually runs on the
// producer's or signalling thread with the buffer's lock held: it must not wait for another
// thread that uses the same buffer.
typedef void (*hvStreamBufferThresholdCallBack)(void* userData);

class HV_EXPORT hvStreamBuffer {
 public:
  hvStreamBuffer();
  virtual ~hvStreamBuffer();
  hvStreamBuffer(const hvStreamBuffer&) = delete;
  hvStreamBuffer& operator=(const hvStreamBuffer&) = delete;

  // False when the buffer could not get its storage; then also logs, every time it is asked.
  // No other operation may be used on an invalid buffer.
  virtual bool IsValid();
  // Consumer: moves the read position. True when the position was inside the buffered data;
  // false when the buffer was emptied there and now waits for SignalSeekDone().
  virtual bool Seek(const hvuint64& position) = 0;
  // Whether Seek(position) would stay inside the buffered data. Changes nothing.
  virtual bool WillSeek(const hvuint64& position) = 0;
  // Producer: copies all `length` bytes in, waiting through HandleBufferFull() whenever the
  // buffer is full. khvStreamingStatus_BufferFull when the owner's buffer-full callback gave
  // up; the state's refusal (interrupted, seek pending, after the end) otherwise.
  virtual hvStreamingStatus StoreInBuffer(unsigned char* data, size_t length);
  virtual size_t GetAvailableReadSize() = 0;
  virtual size_t GetAvailableWriteSize() = 0;
  // Producer: room to write in place at the write position; *length is the wanted size on
  // entry and the granted size on return (0 with a null block when refused). The room stays
  // the producer's until ReleaseWriteBuffer commits it.
  virtual hvStreamingStatus TakeWriteBuffer(unsigned char** block, size_t* length) = 0;
  virtual hvStreamingStatus ReleaseWriteBuffer(unsigned char* block, size_t length) = 0;
  // Consumer: readable bytes in place at the read position; the read position moves only
  // with ReleaseReadBuffer, so the bytes stay valid until then. Nothing with
  // khvStreamingStatus_OK means "not yet": the threshold callback tells when to take again.
  virtual hvStreamingStatus TakeReadBuffer(unsigned char** block, size_t* length, bool exact) = 0;
  virtual hvStreamingStatus ReleaseReadBuffer(unsigned char* block, size_t length) = 0;
  // Producer, after repositioning its source at GetCurrentWritePosition().
  virtual void SignalSeekDone();
  // The first of these three signals wins; none acts while a seek is pending.
  virtual void SignalEndOfStream();
  virtual void SignalInterrupted();
  virtual void SignalReadError();
  virtual hvuint64 GetCurrentPosition() = 0;
  virtual hvuint64 GetCurrentWritePosition() = 0;
  virtual bool ReachReadSizeThreshold(uint32_t size, uint32_t timeout);
  virtual size_t GetTotalBufferSize();

  // Setup, before the producer and the consumer start: not locked. Replace any earlier pair.
  void SetBufferFullCallBack(hvStreamBufferFullCallBack callback, void* userData);
  void SetThresholdCallBack(hvStreamBufferThresholdCallBack callback, void* userData);

 protected:
  // Called by a producer that found no room. Without a buffer-full callback: nudges a
  // waiting reader, sleeps 10 ms and answers khvStreamingStatus_OK (try again).
  virtual hvStreamingStatus HandleBufferFull();
  // Runs the threshold callback when a reader waits (read threshold not 0).
  virtual void HandleThreshold();

  // Moves from streaming to `target` at the present write position, under the lock.
  void SignalEnd(hvStreamBufferState target);

  // Guarded by m_lock. The state and the read threshold are also read without it (entry
  // test of StoreInBuffer, HandleThreshold from HandleBufferFull), hence atomic.
  std::atomic<hvStreamBufferState> m_state;
  // The write position when the state left streaming for end, error or interruption;
  // khvuint64_Max before that. Not reset by later state changes.
  hvuint64 m_endPosition;
  hvMutex m_lock;
  // Cleared by a derived class that cannot allocate its storage; never set again.
  bool m_valid;

  hvStreamBufferFullCallBack m_bufferFullCallBack;
  void* m_bufferFullUserData;
  hvStreamBufferThresholdCallBack m_thresholdCallBack;
  void* m_thresholdUserData;

  // Readable bytes an empty-handed reader waits for; 0: nobody waits. Set by the read take,
  // tested by the write release.
  std::atomic<size_t> m_readThreshold;
};

#endif
