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
  // Producer, after repositioning its source at GetCurrentWritePosition(): writing resumes.
  // Only for a producer that runs on the consumer's thread (as hvFileStream does): on a
  // thread of its own, a consumer seek between its reading the write position and this call
  // would be lost. Such a producer uses the form below.
  virtual void SignalSeekDone();
  // Producer on its own thread. After a reset seek TakeWriteBuffer answers
  // khvStreamingStatus_Interrupted; the producer then runs
  //   do {
  //     hvuint64 at = buffer->GetCurrentWritePosition();
  //     source.MoveTo(at);
  //     status = buffer->SignalSeekDone(at);
  //   } while (status == khvStreamingStatus_Pending);
  // and writes again on OK. The call names the position the source now stands at and is
  // checked under the lock against the write position, so a consumer seek that moved the
  // target in between is never taken for done:
  //   OK          the write position is `position`: writing resumes (or simply goes on).
  //   Pending     a newer seek moved the target: reposition at GetCurrentWritePosition()
  //               and call again.
  //   Interrupted the buffer was interrupted: stop producing.
  //   InvalidOperation  the end of stream or a read error was signalled: nothing more is
  //               written until the consumer seeks outside the buffered data again.
  hvStreamingStatus SignalSeekDone(const hvuint64& position);
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

// A ring of blockCount blocks of blockSize bytes, addressed by stream position: the byte at
// position p lives at ring offset p mod the total size. Bytes already read stay readable
// for a backward seek until the producer needs their room. An exact read that crosses a
// block boundary is copied into an assembly area, so the consumer always sees one
// contiguous run; it stays valid until the next read take. Blocks are allocated once, at
// construction; steady streaming allocates nothing.
class HV_EXPORT hvStreamMultiBuffer : public hvStreamBuffer {
 public:
  // Invalid when blockSize or blockCount is 0, when the total size would reach 2^31 bytes,
  // or when an allocation fails. An invalid ring answers takes and releases with
  // khvStreamingStatus_Error and never seeks.
  hvStreamMultiBuffer(size_t blockSize, size_t blockCount);
  ~hvStreamMultiBuffer() override;

  bool Seek(const hvuint64& position) override;
  // Reads the positions without the lock: an answer for the moment it was asked.
  bool WillSeek(const hvuint64& position) override;
  size_t GetAvailableReadSize() override;
  // Already-read bytes still held for back-seeks count as free.
  size_t GetAvailableWriteSize() override;
  hvStreamingStatus TakeWriteBuffer(unsigned char** block, size_t* length) override;
  // Commits at most the room the last TakeWriteBuffer granted; more is cut off. Dropped while
  // a reset seek is pending.
  hvStreamingStatus ReleaseWriteBuffer(unsigned char* block, size_t length) override;
  // With `exact` the take hands out exactly *length bytes or nothing, except that at the end
  // of the stream the remainder comes with khvStreamingStatus_EndOfStream; more than the
  // whole ring gives khvStreamingStatus_TooLarge.
  hvStreamingStatus TakeReadBuffer(unsigned char** block, size_t* length, bool exact) override;
  // Consumes at most the readable bytes; more is cut off. Answers the status at the new
  // read position.
  hvStreamingStatus ReleaseReadBuffer(unsigned char* block, size_t length) override;
  hvuint64 GetCurrentPosition() override;
  hvuint64 GetCurrentWritePosition() override;
  // Polls every 100 ms, without the lock, until `size` bytes are readable; gives up after
  // timeout / 100 polls, after StopStream(), or when the ring is full.
  bool ReachReadSizeThreshold(uint32_t size, uint32_t timeout) override;
  // 0 for an invalid buffer.
  size_t GetTotalBufferSize() override;

  // Ends the polling of ReachReadSizeThreshold; takes and releases are not affected.
  void StopStream();

 protected:
  // Under the lock: the status of the stream at a read position.
  hvStreamingStatus GetStatus(const hvuint64& position);
  // Under the lock, before `length` bytes are written: the bytes they will overwrite leave
  // the back-seek window first.
  void AdjustValidReadPos(size_t length);

 private:
  size_t ContiguousRoom(size_t available) const;
  size_t ContiguousReadable(size_t available) const;
  unsigned char* At(uint64_t offset) const;
  // Copies `count` bytes from the read offset on, across blocks, into the assembly area.
  bool Assemble(size_t count, size_t firstRun);
  uint64_t Offset(uint64_t position) const { return position % m_totalSize; }
  size_t Readable() const;

  // Fixed at construction.
  size_t m_blockSize;
  unsigned char** m_blocks;  // m_blockCount entries; null entries only in an invalid buffer
  // Grown (never shrunk) to a multiple of 1024 by exact reads across a block boundary.
  unsigned char* m_assembly;
  size_t m_assemblySize;
  size_t m_blockCount;

  // Guarded by m_lock; the positions are also read without it (getters, WillSeek).
  // retained <= read <= write, write - read <= total size.
  std::atomic<uint64_t> m_retainedPosition;
  std::atomic<uint64_t> m_writePosition;
  std::atomic<uint64_t> m_readPosition;
  uint64_t m_readOffset;   // read position mod total size
  uint64_t m_writeOffset;  // write position mod total size
  size_t m_totalSize;      // block size * block count, below 2^31; 0 when out of limits
  // What the last TakeWriteBuffer granted and is not yet committed; bounds ReleaseWriteBuffer.
  size_t m_writeGranted;
  std::atomic<bool> m_stopped;
};

#endif
