// The pull streams of the library. hvStream is the abstract stream every consumer reads
// through: take a block in place and release it, or copy into its own memory; seek by byte or
// time; ask for size, position, MIME type and media description. The concrete kinds below
// derive from it. A stream is read by one thread at a time; its signals may come from any
// thread. Streams are created with new and destroyed only through Delete().
#ifndef HULVOSTREAMING_HVSTREAM_H
#define HULVOSTREAMING_HVSTREAM_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "hv/hvCString.h"
#include "hv/hvFile.h"
#include "hv/hvMediaInfo.h"
#include "hv/hvMutex.h"
#include "hv/hvPathName.h"
#include "hv/hvPlatform.h"

struct hvProtocolInfo;

// The status of every stream and buffer operation. 3 and 9 are never produced.
enum hvStreamingStatus : int32_t {
  // Success. A take with nothing to hand out yet also answers OK, with a null block and
  // length 0: wait for the threshold callback or try again.
  khvStreamingStatus_OK = 0,
  // The data returned with this status (possibly none) is the last of the stream.
  khvStreamingStatus_EndOfStream = 1,
  // The data at the position is not there yet; the source was asked for it; retry later.
  khvStreamingStatus_Pending = 2,
  // Not offered by this stream class, or not allowed in the buffer's present state.
  khvStreamingStatus_InvalidOperation = 4,
  // An exact read asked for more than the whole buffer can hold.
  khvStreamingStatus_TooLarge = 5,
  khvStreamingStatus_BufferFull = 6,
  // Interrupted; also a write attempt while a buffer reset seek is pending.
  khvStreamingStatus_Interrupted = 7,
  // Read error, failed seek, or an invalid stream.
  khvStreamingStatus_Error = 8,
  khvStreamingStatus_SeekNotSupported = 10,
};

// Capability codes of hvStream::Support. Without protocol information a stream answers
// true for byte seek and for the two application codes, false for the rest; once
// SetProtocolInfo has run, seek and stalling answers come from the parsed record.
enum hvStreamSupport {
  // Codes 1 and 3 carry the meaning the application gives them; the library only fixes the
  // answers: every stream says yes, except that the direct file streams refuse code 3.
  khvStreamSupport_ApplicationCode1 = 1,
  khvStreamSupport_ApplicationCode3 = 3,
  // SeekBytes may be used. A stream over a pipe or another source without offsets says no.
  khvStreamSupport_ByteSeek = 5,
  // SeekTime may be used.
  khvStreamSupport_TimeSeek = 6,
  // The source's connection may stall when the reader pauses.
  khvStreamSupport_ConnectionStalling = 7,
};

typedef void (*hvStreamCallBack)(void* userData);

// One registration on a callback chain; the head is the newest and the only one that runs.
struct hvStreamCallBackChain {
  hvStreamCallBack callback;
  void* userData;
  hvStreamCallBackChain* next;  // older registration, null at the end
};

// The abstract pull stream.
//
// Reading in place (the usual loop):
//   stream->PushThresholdCallBack(hvStream::DefaultThresholdCallBack, stream);  // once
//   for (;;) {
//     unsigned char* data = nullptr;
//     size_t length = 65536;  // wanted in, handed out on return
//     hvStreamingStatus status = stream->PullTake(&data, &length, false);
//     if (status == khvStreamingStatus_Pending) { /* come back later */ continue; }
//     if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) break;
//     if (status == khvStreamingStatus_OK && length == 0) {
//       stream->DefaultThresholdWait();  // not yet: wait for data, then take again
//       continue;
//     }
//     Use(data, length);
//     status = stream->PullRelease(data, length);  // the bytes are the caller's until here
//     if (status == khvStreamingStatus_EndOfStream) break;
//   }
// OK with nothing means "not yet", never "the end": the end is always reported as
// khvStreamingStatus_EndOfStream, by the take that reaches it or by the release. Instead of
// DefaultThresholdWait, a reader that must not block for ever polls ReachReadSizeThreshold
// with a timeout. PullGet is the same loop with a copy into the caller's memory.
//
// Seeking: SeekBytes(position) answers OK when the next read starts at `position`. Any
// other answer leaves the stream where it was and still usable; Support(ByteSeek) tells
// beforehand whether byte seeks can work at all.
class HV_EXPORT hvStream {
 public:
  hvStream();
  hvStream(const hvStream&) = delete;
  hvStream& operator=(const hvStream&) = delete;

  // Destroys the stream through its virtual destructor and frees it.
  virtual void Delete();
  // A short word naming the kind of source ("memory", "hvFile", ...).
  virtual const char* GetID();
  // False when construction failed; then also writes a log record, every time it is asked.
  virtual bool IsValid();
  // In bytes; khvuint64_Max when undetermined.
  virtual hvuint64 GetStreamSize();
  // The byte position of the next read; khvuint64_Max when undetermined.
  virtual hvuint64 GetStreamPosition();
  virtual hvCString GetMimeType();
  virtual hvCString GetExtension();
  // The media description the stream holds (see SetInfo), possibly null; the stream keeps it.
  virtual hvMediaInfo* GetInfo();
  // Fills `info` with the stream's MIME type ("mt"), size ("fs") and extension ("fe"), and
  // its file name when the record has none. True when at least one key was written.
  virtual bool GetInfo(hvMediaInfo* info);
  // A source-specific error number for the application; 0 (none) for every stream of this
  // library, whose errors are the statuses and the log.
  virtual int32_t GetErrorCode();
  // Bytes that can be read without touching the source; all bits set when undetermined.
  virtual size_t GetAvailableReadSize();
  virtual hvCString GetFileName();
  // Bytes of read-ahead storage; 0 without a buffer.
  virtual size_t GetTotalBufferSize();
  // The media description's "du" value widened to 64 bits, in the unit its writer chose
  // (the library never interprets it); 0 without a description or without "du".
  virtual hvuint64 GetDuration();
  // See hvStreamSupport.
  virtual bool Support(int what);
  virtual bool IsLive();
  // Not IsLive().
  virtual bool IsPauseAllowed();

  // Ends the stream for good from any thread: a reader blocked in the stream's buffer is
  // released and later reads answer khvStreamingStatus_Interrupted. The base class cannot be
  // interrupted: it only writes the log record "hvStream: Cannot interrupt".
  virtual void SignalInterrupted();
  // Run the newest callback of the chain, on the calling thread, with the stream's lock held.
  virtual void SignalThresholdReached();
  virtual void SignalDataShortage();
  virtual void PushThresholdCallBack(hvStreamCallBack callback, void* userData);
  // Removes the newest registration of `callback` (user data is not compared).
  virtual void PopThresholdCallBack(hvStreamCallBack callback);
  virtual void PushDataShortageCallBack(hvStreamCallBack callback, void* userData);
  virtual void PopDataShortageCallBack(hvStreamCallBack callback);

  // OK: the next read starts at `position` (past the end is allowed; reads then end).
  // khvStreamingStatus_SeekNotSupported: this stream cannot seek there; Pending: the data is
  // being fetched, seek again later; Error or Interrupted: the seek failed. Except for OK
  // the position is unchanged.
  virtual hvStreamingStatus SeekBytes(const hvuint64& position);
  // Same answers for a time position, in the unit the stream's class and its seekers agree
  // on. The library's own streams cannot seek by time (SeekNotSupported); a progressive
  // stream asks the stream it wraps.
  virtual hvStreamingStatus SeekTime(const hvuint64& time);
  // On entry *length is the number of bytes wanted. On return *data points into storage the
  // stream owns and *length is the number of bytes there (0 with a null pointer). The
  // position moves only with PullRelease, so a second take hands out the same bytes. With
  // `exact` a buffered stream hands out all *length bytes or none (short only at the end).
  // OK with nothing: not yet, wait and take again. EndOfStream: these are the last bytes
  // (possibly none). Pending: the source was asked for them, take again later.
  virtual hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool exact);
  // Gives a taken block back and advances the position by `length` (at most what was
  // taken). EndOfStream once the position reached the end.
  virtual hvStreamingStatus PullRelease(unsigned char* data, size_t length);
  // Copies up to *length bytes to `destination`; *length becomes the number copied (0 on
  // any failure). Statuses as for PullTake.
  virtual hvStreamingStatus PullGet(unsigned char* destination, size_t* length, bool exact);
  // Blocks until DefaultThresholdCallBack signals this stream (a signal given earlier counts).
  // It has no time limit: use it only on a stream that signals its threshold (a buffered
  // stream, after an empty take).
  virtual void DefaultThresholdWait();
  // Waits on the calling thread until `size` bytes are readable without touching the source,
  // for at most about `timeout` milliseconds (buffered streams poll every 100 ms). True when
  // they are; always false on a stream without a buffer.
  virtual bool ReachReadSizeThreshold(uint32_t size, uint32_t timeout);

  // Register on a stream's threshold chain with the stream itself as user data, then
  // DefaultThresholdWait() returns when the threshold is signalled.
  static void DefaultThresholdCallBack(void* stream);

  // Parses the whole text (by its length) and keeps the record, replacing the previous one
  // even when the new text does not parse.
  void SetProtocolInfo(const hvCString& protocolInfo);
  // Destroys the held media description and keeps `info` (may be null); the stream owns it.
  void SetInfo(hvMediaInfo* info);

 protected:
  virtual ~hvStream();

  void PushCallBack(hvStreamCallBackChain*& chain, hvStreamCallBack callback, void* userData);
  void PopCallBack(hvStreamCallBackChain*& chain, hvStreamCallBack callback);

  // The record SetProtocolInfo parsed, or null before any; owned by this stream. For derived
  // streams whose answers depend on what the caller was told about the source.
  const hvProtocolInfo* GetProtocolInfoRecord() const { return m_protocolInfo; }

  // Cleared by a derived class whose construction failed; never set again.
  bool m_valid;

 private:
  void RunHead(hvStreamCallBackChain* const& chain);

  // Both chains are guarded by m_lock, which is also held while a chain callback runs.
  hvStreamCallBackChain* m_thresholdChain;
  hvStreamCallBackChain* m_dataShortageChain;
  hvCondition m_condition;  // only for DefaultThresholdWait / DefaultThresholdCallBack
  hvMutex m_lock;

  // Owned; set by the stream's owner before reading starts.
  hvMediaInfo* m_info;
  hvProtocolInfo* m_protocolInfo;
};

// A stream over one growable block of memory that the stream owns. Written with WriteBytes
// or by draining another stream, read back with the pull operations; reads and writes share
// one position. A taken block stays valid only until the next write. One thread at a time;
// SignalInterrupted may come from any thread. Copies are refused.
class HV_EXPORT hvMemoryStream : public hvStream {
 public:
  // Allocates `capacity` bytes; the stream is invalid when that fails.
  hvMemoryStream(size_t capacity, const hvCString& mimeType);

  // Stores `length` bytes at the position, growing the block as needed. False when the
  // stream is stopped or the growth failed (which stops the stream and drops its bytes).
  bool WriteBytes(const unsigned char* data, size_t length);
  // Copies everything `source` delivers from its position to its end. Polls every 10 ms
  // while the source answers OK with nothing; false when the source or a write fails.
  bool WriteStream(hvStream* source);

  const char* GetID() override;
  hvuint64 GetStreamSize() override;
  hvuint64 GetStreamPosition() override;
  hvCString GetMimeType() override;
  size_t GetTotalBufferSize() override;
  // Stops the stream for good: writes fail and reads answer khvStreamingStatus_Interrupted.
  void SignalInterrupted() override;
  // Positions up to 0xFFFFFFFF are accepted, past the end included.
  hvStreamingStatus SeekBytes(const hvuint64& position) override;
  // A request that ends at or before the end answers OK; a shorter remainder comes with
  // khvStreamingStatus_EndOfStream. `exact` is ignored.
  hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool exact) override;
  // Advances the position by `length`, clamped to the bytes that remain.
  hvStreamingStatus PullRelease(unsigned char* data, size_t length) override;
  // The last bytes come with khvStreamingStatus_EndOfStream. `exact` is ignored.
  hvStreamingStatus PullGet(unsigned char* destination, size_t* length, bool exact) override;

 protected:
  ~hvMemoryStream() override;
  hvStreamingStatus FillBuffer(unsigned char* destination, size_t* length);

 private:
  bool Grow(uint64_t end);
  uint64_t Remaining() const;

  // size <= capacity while a block is held and the stream is not stopped; bytes in
  // [0, size) skipped by a seek past the end hold unspecified values.
  unsigned char* m_block;
  uint64_t m_capacity;
  uint64_t m_size;
  uint64_t m_position;  // may exceed m_size after a seek; reads then find nothing
  std::atomic<bool> m_stopped;
  hvCString m_mimeType;
};

// Reads a whole file straight from the file on the calling thread, with no buffer: data comes
// only by copy (PullGet); PullTake and PullRelease are refused. Owns the file. The file's
// position is the stream's state, so one thread at a time. Copies are refused.
class HV_EXPORT hvFileGetStream : public hvStream {
 public:
  // Takes ownership of `file` (may be null: the stream is then invalid). The stream is valid
  // when the file is open.
  hvFileGetStream(hvFile* file, const hvCString& mimeType, const hvCString& fileName);

  const char* GetID() override;
  // The file's length; khvuint64_Max over a file without offsets (a pipe).
  hvuint64 GetStreamSize() override;
  hvuint64 GetStreamPosition() override;
  hvCString GetMimeType() override;
  hvCString GetExtension() override;
  hvCString GetFileName() override;
  size_t GetAvailableReadSize() override;
  // Capability 3 is refused, and byte seek over a file without offsets (a pipe); the others
  // as hvStream answers them.
  bool Support(int what) override;
  hvStreamingStatus SeekBytes(const hvuint64& position) override;
  hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool exact) override;
  hvStreamingStatus PullRelease(unsigned char* data, size_t length) override;
  // A short read answers OK; khvStreamingStatus_EndOfStream comes with length 0, from a
  // read that was asked for bytes and found none.
  hvStreamingStatus PullGet(unsigned char* destination, size_t* length, bool exact) override;

 protected:
  ~hvFileGetStream() override;
  // One read of the file, the request cut to what a single read can carry.
  int32_t ReadFile(unsigned char* destination, size_t length);
  // The status of a read that returned `count` for a request of *length bytes; sets *length
  // to the bytes delivered.
  static hvStreamingStatus Finish(int32_t count, size_t* length);
  // After a seek that missed `place` and landed at `landed` (negative: did not move): puts
  // the file back at `place`, or, where that is not known or fails too, marks the stream
  // lost. Returns khvStreamingStatus_Error.
  hvStreamingStatus SeekMissed(int64_t landed, int64_t place);

  hvFile* m_file;
  hvCString m_mimeType;
  hvPathName m_path;
  bool m_seekable;  // decided at construction: the file has offsets
  // The file's offset is unknown since a seek missed and could not go back: reads fail,
  // as their bytes would come from anywhere, until a seek lands.
  bool m_lost = false;
};

// Presents the byte range [start, start + length) of a file as a stream of its own, whose
// position 0 is the range's first byte. Same rules as hvFileGetStream.
class HV_EXPORT hvFilePartGetStream : public hvFileGetStream {
 public:
  // Invalid also for a negative start or length, and when the file cannot be positioned at
  // `start`.
  hvFilePartGetStream(hvFile* file, const hvCString& mimeType, const hvCString& fileName,
                      int64_t start, int64_t length);

  hvuint64 GetStreamSize() override;
  hvuint64 GetStreamPosition() override;
  // A position at or past the range's end is accepted; the next read reports the end.
  hvStreamingStatus SeekBytes(const hvuint64& position) override;
  // Requests are cut at the range's end; the last bytes come with OK, the next call ends.
  hvStreamingStatus PullGet(unsigned char* destination, size_t* length, bool exact) override;

 private:
  int64_t m_start;
  int64_t m_length;
  int64_t m_current;  // absolute offset of the next read
};

class hvStreamBuffer;

// Reads a file through a read-ahead buffer (by default a ring of 2 blocks of 128 KiB). There
// is no producer thread: the consumer's own PullTake tops the buffer up from the file when it
// holds less than asked, reading straight into buffer memory. Seeks that land inside the
// buffered data read nothing. Owns the file and the buffer. One consumer thread;
// SignalInterrupted may come from any thread. Copies are refused.
class HV_EXPORT hvFileStream : public hvStream {
 public:
  // Takes ownership of `buffer` (null: the default ring) and of `file`. Valid when the
  // buffer is valid and the file is open.
  hvFileStream(hvStreamBuffer* buffer, hvFile* file, const hvCString& mimeType,
               const hvCString& fileName);

  const char* GetID() override;
  // The file's length; khvuint64_Max over a file without offsets (a pipe).
  hvuint64 GetStreamSize() override;
  // The buffer's read position.
  hvuint64 GetStreamPosition() override;
  hvCString GetMimeType() override;
  hvCString GetExtension() override;
  hvCString GetFileName() override;
  size_t GetAvailableReadSize() override;
  size_t GetTotalBufferSize() override;
  // Byte seek is refused over a file without offsets (a pipe).
  bool Support(int what) override;
  // Interrupts the buffer (a consumer blocked in it returns) and stops further file reads,
  // for good: later seeks answer khvStreamingStatus_Interrupted too.
  void SignalInterrupted() override;
  // Inside the buffered data only the buffer's read position moves and the file is not
  // touched. Elsewhere the file moves first and the buffer restarts at the target; a seek
  // the file refuses leaves the stream as it was.
  hvStreamingStatus SeekBytes(const hvuint64& position) override;
  // Tops the buffer up once with the shortfall, takes the read block from the buffer (exact
  // as the buffer rules it), then raises this stream's threshold signal.
  hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool exact) override;
  hvStreamingStatus PullRelease(unsigned char* data, size_t length) override;

 protected:
  ~hvFileStream() override;
  // Reads up to *length bytes from the file's position. A short read is only fewer bytes;
  // khvStreamingStatus_EndOfStream comes from a read that found nothing.
  hvStreamingStatus FillBuffer(unsigned char* destination, size_t* length);

 private:
  void TopUp(size_t wanted, size_t available);

  hvFile* m_file;
  hvStreamBuffer* m_buffer;
  std::atomic<bool> m_interrupted;
  hvCString m_mimeType;
  hvPathName m_path;
  // Decided at construction. Invariant while the stream is usable: the file's offset is the
  // buffer's write position.
  bool m_seekable;
};

class hvProgressiveStream;

// The application's download manager, as a progressive stream sees it: counts of what has
// arrived for a download known by name, and a request for data at a position. Its
// operations are called on the reading thread without a lock; a manager whose counts change
// on other threads guards its own state.
class HV_EXPORT hvProgressiveStreamDownloaderMgr {
 public:
  hvProgressiveStreamDownloaderMgr() = default;
  hvProgressiveStreamDownloaderMgr(const hvProgressiveStreamDownloaderMgr&) = default;
  hvProgressiveStreamDownloaderMgr& operator=(const hvProgressiveStreamDownloaderMgr&) = default;
  virtual ~hvProgressiveStreamDownloaderMgr();

  // Bytes downloaded so far from the start of the file; -1 when unknown (no limit then).
  virtual int64_t GetDownloadedSize(const hvCString& name) = 0;
  // The file's full size; -1 when unknown.
  virtual int64_t GetFullSize(const hvCString& name) = 0;
  // Asks for data at `position` to be made available; the result is not read.
  virtual bool RequestDownloadAt(const hvCString& name, uint64_t position) = 0;
  // True when the missing data will never come; readers then get an error instead of waiting.
  virtual bool IsDownloadFailed(const hvCString& name) = 0;
  // Called by each progressive stream's constructor and destructor.
  virtual bool AddStream(const hvCString& name, hvProgressiveStream* stream) = 0;
  virtual bool RemoveStream(const hvCString& name, hvProgressiveStream* stream) = 0;

  // True when both counts are known and equal.
  bool IsFullDownloaded(const hvCString& name);
};

// Reads a file that is still being downloaded: wraps another stream (the inner stream, owned)
// and consults a download manager (not owned; it must outlive the stream). Reads and byte
// seeks beyond the downloaded part ask the manager for the data and answer
// khvStreamingStatus_Pending: call again later. Everything else goes to the inner stream.
// One reading thread at a time. Copies are refused.
class HV_EXPORT hvProgressiveStream : public hvStream {
 public:
  hvProgressiveStream(hvStream* inner, hvProgressiveStreamDownloaderMgr* manager,
                      const hvCString& name);

  const char* GetID() override;
  bool IsValid() override;
  // The manager's full size when known, else the inner stream's size.
  hvuint64 GetStreamSize() override;
  hvuint64 GetStreamPosition() override;
  hvCString GetMimeType() override;
  hvCString GetExtension() override;
  hvMediaInfo* GetInfo() override;
  bool GetInfo(hvMediaInfo* info) override;
  int32_t GetErrorCode() override;
  size_t GetAvailableReadSize() override;
  hvCString GetFileName() override;
  size_t GetTotalBufferSize() override;
  hvuint64 GetDuration() override;
  bool Support(int what) override;
  bool IsLive() override;
  bool IsPauseAllowed() override;
  void SignalInterrupted() override;
  void SignalThresholdReached() override;
  void SignalDataShortage() override;
  void PushThresholdCallBack(hvStreamCallBack callback, void* userData) override;
  void PopThresholdCallBack(hvStreamCallBack callback) override;
  void PushDataShortageCallBack(hvStreamCallBack callback, void* userData) override;
  void PopDataShortageCallBack(hvStreamCallBack callback) override;
  // A target past the downloaded end is requested from the manager: Pending, inner unmoved.
  hvStreamingStatus SeekBytes(const hvuint64& position) override;
  // A time seek the inner stream refuses is Pending until the download is complete.
  hvStreamingStatus SeekTime(const hvuint64& time) override;
  // Requests are cut to the downloaded end; at that end: Pending (or Error once the
  // download failed) with length 0. At the end of a complete download the inner stream
  // answers, with its end of stream.
  hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool exact) override;
  hvStreamingStatus PullRelease(unsigned char* data, size_t length) override;
  hvStreamingStatus PullGet(unsigned char* destination, size_t* length, bool exact) override;
  void DefaultThresholdWait() override;
  bool ReachReadSizeThreshold(uint32_t size, uint32_t timeout) override;

 protected:
  ~hvProgressiveStream() override;

 private:
  // Cuts *length to the downloaded part. False when nothing at the position has arrived;
  // then *status holds the answer for the caller.
  bool LimitToDownloaded(size_t* length, hvStreamingStatus* status);

  hvStream* m_inner;
  hvProgressiveStreamDownloaderMgr* m_manager;
  hvCString m_name;
};

#endif
