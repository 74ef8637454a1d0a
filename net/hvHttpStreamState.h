// The inside of an hvHttpStream: its ring, the transfer that fills it, and what the
// responses told about the resource. The consumer thread owns the transfer and is the only
// one that starts, cancels or settles transfers; the transport thread reports through the
// listener, which touches only the fields guarded by `lock`.
#ifndef HULVOSTREAMING_NET_HVHTTPSTREAMSTATE_H
#define HULVOSTREAMING_NET_HVHTTPSTREAMSTATE_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "hulvoStreaming/hvHttp.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "net/hvHttpRequestHeaders.h"
#include "net/hvHttpTransfer.h"
#include "net/hvHttpTransport.h"

struct hvProtocolInfo;

struct hvHttpStreamState final : hvHttpTransferListener {
  hvHttpStreamState(hvHttpStream* owner, const hvCString& url, size_t blockSize, size_t blockCount);
  ~hvHttpStreamState();

  void OnResponse(const hvHttpResponse& response, bool timeSeek) override;
  void OnFinished() override;

  // Consumer thread.
  void Launch(uint64_t position);
  // Asks for the bytes from a time on, beside the running transfer; the ring is left alone
  // until the answer is placed.
  void LaunchTimeSeek(uint64_t milliseconds);
  // Cancels a time seek that waits for its answer; reading goes on where it was.
  void AbandonTimeSeek();
  // Places the time seek's answer, which starts at byte `first`, and makes it the transfer.
  void PlaceTimeSeek(uint64_t first);
  // Sends the plan for `made`; 0 (and `made` deleted) when the transport refused it.
  uint64_t Send(hvHttpRequestPlan& plan, hvHttpTransfer* made);
  // Cancels and forgets the transfer; afterwards nothing writes into the ring.
  void Drop();
  // Starts a transfer at the ring's write position (after a reset seek or a drop).
  void StartAtWritePosition();
  // Applies the finished transfer's result to the ring once its held bytes are in.
  void Settle();
  // Ends the stream in Error after the bytes the ring holds: the ring answers a take that
  // reaches its error position with the error alone, so it is told once the reader has
  // taken every byte before it.
  void FailAfterReadable();
  void FailWhenDrained();
  // A transfer paused longer than the stall limit is closed unless the source says a paused
  // connection may stay idle: servers close such connections and reading the dead socket
  // later only costs a timeout. The next transfer starts once the reader made room.
  void CloseIdle();
  // Ranges may be asked for: the source allows byte seeks or the server said it serves them.
  bool RangeAllowed();
  bool PermissionsKnown();

  hvHttpStream* owner;
  std::string url;
  hvCString extension;
  hvStreamMultiBuffer* ring = nullptr;
  hvHttpTransport* transport = nullptr;
  uint32_t connectTimeoutMs = 10000;
  uint32_t stallTimeoutMs = 20000;
  bool protocolInfoGiven = false;
  std::string givenContentFormat;  // the MIME type of the caller's protocolInfo, if any
  std::atomic<bool> interrupted{false};

  // Consumer thread only.
  bool opened = false;
  hvHttpTransfer* transfer = nullptr;
  uint64_t transferId = 0;
  bool settled = false;
  bool idle = false;     // the transfer was closed by CloseIdle and waits for room
  unsigned resumes = 0;  // drops in a row without a byte in between
  bool failing = false;  // the ring is to end in Error once drained
  // A time seek whose answer is awaited; it writes nothing before PlaceTimeSeek.
  hvHttpTransfer* timeSeek = nullptr;
  uint64_t timeSeekId = 0;
  uint64_t timeSeekTarget = 0;

  // Guarded by lock; `changed` wakes WaitForResponse.
  std::mutex lock;
  std::condition_variable changed;
  bool responseKnown = false;
  bool finishedWithoutResponse = false;
  int httpStatus = 0;
  uint64_t size = UINT64_MAX;
  std::string mimeType;
  bool acceptRanges = false;
  hvProtocolInfo* serverInfo = nullptr;  // from contentFeatures.dlna.org
  std::string serverFeatures;            // that header's text, as received
};

#endif
