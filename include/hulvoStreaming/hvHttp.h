// HTTP sources. hvHttpStream reads an http or https URL through a ring buffer that a
// transfer on the library's HTTP thread fills; reads never block on the network. One
// consumer thread reads, seeks, configures and deletes; SignalInterrupted may come from any
// thread. Threshold callbacks mostly run on the HTTP thread: they may wake the reader but
// must not call into the stream (Delete above all), or that thread waits for itself.
#ifndef HULVOSTREAMING_HVHTTP_H
#define HULVOSTREAMING_HVHTTP_H

#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvStream.h"
#include "hv/hvCString.h"
#include "hv/hvPlatform.h"

struct hvHttpStreamState;
struct hvHttpDownloaderMgrState;

// A stream over an HTTP(S) resource. Size, MIME type and extension come from the response.
// While bytes are on their way, PullTake and PullGet answer khvStreamingStatus_Pending and
// the threshold callback tells when to take again; the end of the resource is
// khvStreamingStatus_EndOfStream, a transfer that failed for good khvStreamingStatus_Error.
//
// Seeking follows the source's DLNA permissions: the protocolInfo given to SetProtocolInfo
// before Open() or the first read or seek, or else the server's contentFeatures.dlna.org answer, or
// else its Accept-Ranges header. A seek inside the ring's window reads nothing; outside it a new
// request asks for the bytes from the target on, and reads answer Pending until they arrive. A
// server that ignores the range is read from its start and skipped up to the target. A connection
// closed in the middle of the body is resumed from where it stopped when ranges are allowed.
class HV_EXPORT hvHttpStream : public hvStream {
 public:
  // Only http and https URLs with a readable host (and port) are accepted; anything else
  // gives an invalid stream. The ring has blockCount blocks of blockSize bytes. Nothing is
  // sent before Open() or the first read or seek.
  explicit hvHttpStream(const hvCString& url, size_t blockSize = 131072, size_t blockCount = 8);

  // Before Open(): how long connecting may take, and how long a transfer may receive
  // nothing before it counts as dropped (whole seconds for some transports; at least 1 s).
  void SetTimeouts(uint32_t connectMilliseconds, uint32_t stallMilliseconds);
  // Sends the first request; later calls do nothing. OK, or Error for an invalid stream.
  hvStreamingStatus Open();
  // Waits up to `timeout` milliseconds for the first response's header. OK once a 200 or
  // 206 arrived, Error when the request failed or the server refused it, Pending when the
  // time ran out first.
  hvStreamingStatus WaitForResponse(uint32_t timeout);
  // The status code of the last final response; 0 before one arrived.
  int32_t GetHttpStatus();
  // The server's contentFeatures.dlna.org header as it came, empty when it sent none.
  hvCString GetContentFeatures();

  const char* GetID() override;
  // khvuint64_Max while unknown (no response yet, or a body without length).
  hvuint64 GetStreamSize() override;
  hvuint64 GetStreamPosition() override;
  hvCString GetMimeType() override;
  hvCString GetExtension() override;
  // The URL.
  hvCString GetFileName() override;
  size_t GetAvailableReadSize() override;
  size_t GetTotalBufferSize() override;
  bool Support(int what) override;
  void SignalInterrupted() override;
  // Pending when the permissions are not known yet (no protocolInfo given and no response
  // yet): seek again later.
  hvStreamingStatus SeekBytes(const hvuint64& position) override;
  // `time` in milliseconds, where the source allows time seeks: the server is asked with
  // TimeSeekRange.dlna.org and the call answers Pending until its answer arrives; call again
  // with the same time. OK once the answer named the byte it starts at (the stream's new
  // position); SeekNotSupported, position unchanged, when it did not. Reads go on at the
  // old position meanwhile; a byte seek or a seek to another time gives it up.
  hvStreamingStatus SeekTime(const hvuint64& time) override;
  hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool exact) override;
  hvStreamingStatus PullRelease(unsigned char* data, size_t length) override;
  bool ReachReadSizeThreshold(uint32_t size, uint32_t timeout) override;

 protected:
  ~hvHttpStream() override;

 private:
  hvHttpStreamState* m_state;
};

// A download manager for hvProgressiveStream that fetches HTTP(S) resources into cache files
// and keeps them there. Each download has a name, a URL and a cache file; its transfers run
// on the library's HTTP thread and write the bytes at their place in the file. A read beyond
// what is on disk asks for the bytes from there on with a range where the server serves
// ranges; a server that ignores ranges is read from the start instead. GetDownloadedSize
// answers for the reading stream's position: the end of the bytes on disk from there on, so
// a hole before a later part is never read. Streams made by CreateStream each get a name of
// their own for that; streams made elsewhere with the download's name all see the smallest
// of their answers. Any thread may call; threshold callbacks of the streams run on the HTTP
// thread and must not call into the stream or the manager. Destroy the manager after its
// streams; its destructor cancels every transfer.
class HV_EXPORT hvHttpDownloaderMgr : public hvProgressiveStreamDownloaderMgr {
 public:
  hvHttpDownloaderMgr();
  ~hvHttpDownloaderMgr() override;
  hvHttpDownloaderMgr(const hvHttpDownloaderMgr&) = delete;
  hvHttpDownloaderMgr& operator=(const hvHttpDownloaderMgr&) = delete;

  // For the transfers started afterwards: as hvHttpStream::SetTimeouts.
  void SetTimeouts(uint32_t connectMilliseconds, uint32_t stallMilliseconds);
  // How far a transfer runs ahead of the readers before it stops; 0 (the default) fetches the
  // whole resource. Applies where the server serves ranges.
  void SetReadAhead(uint64_t bytes);
  // Creates (or empties) the cache file and starts fetching the URL. False when the name is
  // taken, the URL is not http(s) with a readable host, or the file cannot be created.
  bool AddDownload(const hvCString& name, const hvCString& url, const hvCString& cacheFile);
  // Stops the download's transfers; the cache file stays. Its streams must be gone.
  bool RemoveDownload(const hvCString& name);
  // A progressive stream over the download's cache file (delete it with Delete()); null for
  // an unknown name.
  hvProgressiveStream* CreateStream(const hvCString& name, const hvCString& mimeType);

  int64_t GetDownloadedSize(const hvCString& name) override;
  int64_t GetFullSize(const hvCString& name) override;
  bool RequestDownloadAt(const hvCString& name, uint64_t position) override;
  bool IsDownloadFailed(const hvCString& name) override;
  bool AddStream(const hvCString& name, hvProgressiveStream* stream) override;
  bool RemoveStream(const hvCString& name, hvProgressiveStream* stream) override;

  // Every byte of the resource is in the cache file.
  bool IsComplete(const hvCString& name);
  // Body bytes received for the download so far, repeats included.
  uint64_t GetReceivedBytes(const hvCString& name);

 private:
  hvHttpDownloaderMgrState* m_state;
};

#endif
