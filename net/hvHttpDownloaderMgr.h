// The inside of an hvHttpDownloaderMgr: its downloads, each a cache file with the spans of
// the resource it holds, and the one transfer at a time that fills it. Consumer threads
// start, cancel and settle transfers holding `control`; the transport thread writes the file
// and reports holding `lock`, the only lock it takes, so a Cancel made under `control` can
// always finish.
#ifndef HULVOSTREAMING_NET_HVHTTPDOWNLOADERMGR_H
#define HULVOSTREAMING_NET_HVHTTPDOWNLOADERMGR_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "hulvoStreaming/hvHttp.h"
#include "hv/hvFile.h"
#include "net/hvHttpByteSpans.h"
#include "net/hvHttpResponse.h"
#include "net/hvHttpTransport.h"

struct hvHttpDownload;
struct hvHttpDownloaderMgrState;

// A reader this close behind a running transfer waits for it: on the loopback as on a LAN
// the bytes come sooner than from a new connection.
const uint64_t khvHttpDownloadWaitAhead = 1024 * 1024;

enum hvHttpDownloadResult {
  khvHttpDownload_Running,
  khvHttpDownload_Ended,    // nothing wrong: the body ended, or it was stopped as not needed
  khvHttpDownload_Dropped,  // a good body stopped early: a range may resume it
  khvHttpDownload_Failed,   // no usable answer, or the cache file refused the bytes
};

// One GET for a download's bytes from `start` on, written at their place in the cache
// file. Events run on the transport thread.
class hvHttpDownloadTransfer final : public hvHttpTransferEvents {
 public:
  hvHttpDownloadTransfer(hvHttpDownloaderMgrState* owner, hvHttpDownload* download, uint64_t start);

  bool OnHeaderLine(const char* line, size_t length) override;
  hvHttpBodyAnswer OnBody(const unsigned char* data, size_t length) override;
  bool OnWritable() override { return true; }
  void OnDone(hvHttpOutcome outcome, const char* reason) override;

  // Under the owner's lock.
  bool Finished() const { return m_finished; }
  bool Delivered() const { return m_delivered; }
  uint64_t Next() const { return m_next; }
  hvHttpDownloadResult Result() const { return m_result; }
  const std::string& Reason() const { return m_reason; }

 private:
  // Decides from the final response where its body lies; false refuses it. Under the lock.
  bool Decide();
  bool AcceptSize(uint64_t size);
  bool Write(const unsigned char* data, size_t length);
  // Whether the bytes from m_next on are still wanted; under the lock.
  bool StillNeeded() const;
  void Conclude(hvHttpDownloadResult result, const std::string& reason);

  hvHttpDownloaderMgrState* m_owner;
  hvHttpDownload* m_download;
  const uint64_t m_start;
  // Transport thread only.
  hvHttpResponse m_response;
  bool m_decided = false;

  // Written on the transport thread under the owner's lock.
  uint64_t m_next;              // position of the next body byte
  uint64_t m_end = UINT64_MAX;  // where the body ends, when its header said
  bool m_finished = false;
  bool m_delivered = false;
  hvHttpDownloadResult m_result = khvHttpDownload_Running;
  std::string m_reason;
};

// A progressive stream reading a download.
struct hvHttpDownloadReader {
  hvProgressiveStream* stream;
  uint64_t position;  // where it was last seen reading; under the state's lock
  std::string alias;  // the name of its own it was created under; empty: the download's
};

struct hvHttpDownload {
  enum Ranges { kRangesUnknown, kRangesServed, kRangesIgnored };

  std::string name;
  std::string url;
  std::string path;
  hvFile file;  // the cache file; written by the transport thread only

  // Guarded by the state's lock.
  hvHttpByteSpans onDisk;
  uint64_t size = UINT64_MAX;  // unknown until a response tells
  Ranges ranges = kRangesUnknown;
  bool failed = false;
  uint64_t received = 0;
  uint64_t wanted = UINT64_MAX;  // the last position a reader asked for, if any
  std::vector<hvHttpDownloadReader> streams;

  // Guarded by the state's control.
  hvHttpDownloadTransfer* transfer = nullptr;
  uint64_t transferId = 0;
  unsigned resumes = 0;  // drops in a row without a byte in between
};

struct hvHttpDownloaderMgrState {
  hvHttpDownloaderMgrState();
  ~hvHttpDownloaderMgrState();

  // Under control. The download of `name` (its own or a stream's alias), or null.
  hvHttpDownload* Find(const hvCString& name);
  // Notes where each stream reads now; takes the lock.
  void NoteStreamPositions(hvHttpDownload* download);
  // Applies a finished transfer's result, then starts the next transfer the readers need.
  void Progress(hvHttpDownload* download);
  // Starts a transfer at `start`; the download fails when the transport refuses it.
  void Launch(hvHttpDownload* download, uint64_t start);
  // Cancels and forgets the download's transfer.
  void Drop(hvHttpDownload* download);
  // Under the lock: what a stream at `position` may read up to.
  static uint64_t Readable(const hvHttpDownload& download, uint64_t position);
  // Under the lock, on the transport thread: wakes the readers of the download.
  static void SignalStreams(const hvHttpDownload& download);

  std::mutex control;
  std::mutex lock;
  hvHttpTransport* transport = nullptr;
  uint32_t connectTimeoutMs = 10000;
  uint32_t stallTimeoutMs = 20000;
  uint64_t readAhead = 0;  // 0: the whole resource
  // Under control.
  std::map<std::string, std::unique_ptr<hvHttpDownload>> downloads;
  // Names that CreateStream gave its streams, so each asks for its own position.
  std::map<std::string, hvHttpDownload*> aliases;
  uint64_t lastAlias = 0;

 private:
  void Settle(hvHttpDownload* download);
  // Under the lock: where the next transfer should start; false when none is needed.
  bool NextStart(const hvHttpDownload& download, uint64_t* start) const;
};

#endif
