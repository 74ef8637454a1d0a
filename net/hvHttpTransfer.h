// One GET of a stream's URL for the bytes from one position on. It reads the response's
// header, decides whether the body starts where the stream needs it (skipping what a
// server that ignored the range sends first), and writes the body into the stream's ring.
// When the ring is full the bytes of one delivery are held and the transfer pauses; the
// consumer's release resumes it. Events run on the transport thread; the queries below on
// the consumer's thread.
#ifndef HULVOSTREAMING_NET_HVHTTPTRANSFER_H
#define HULVOSTREAMING_NET_HVHTTPTRANSFER_H

#include <mutex>
#include <string>
#include <vector>

#include "hulvoStreaming/hvStreamBuffer.h"
#include "net/hvHttpResponse.h"
#include "net/hvHttpTransport.h"

enum hvHttpTransferResult {
  khvHttpTransfer_Running,
  khvHttpTransfer_End,      // the resource ends where the body ended (or at the start: 416)
  khvHttpTransfer_Dropped,  // a good body stopped early: another request may resume it
  khvHttpTransfer_Failed,   // no usable response
  khvHttpTransfer_Stopped,  // the ring refused the bytes (interrupted or moved away)
};

// Told about the transfer's progress, on the transport thread.
class hvHttpTransferListener {
 public:
  // The final response's header, before any of its body.
  virtual void OnResponse(const hvHttpResponse& response) = 0;
  virtual void OnFinished() = 0;

 protected:
  ~hvHttpTransferListener() = default;
};

class hvHttpTransfer final : public hvHttpTransferEvents {
 public:
  // The ring's write position is `start`; `ring` and `listener` outlive the transfer.
  hvHttpTransfer(hvStreamMultiBuffer* ring, uint64_t start, hvHttpTransferListener* listener);

  bool OnHeaderLine(const char* line, size_t length) override;
  hvHttpBodyAnswer OnBody(const unsigned char* data, size_t length) override;
  bool OnWritable() override;
  void OnDone(hvHttpOutcome outcome, const char* reason) override;

  // Consumer side.
  bool NeedsResume();
  bool Finished();
  // Only once Finished: moves the held bytes into the ring; true when none is left.
  bool DrainHeld();
  hvHttpTransferResult Result();
  std::string Reason();
  // Whether any body byte reached the ring.
  bool Delivered();

 private:
  enum PutResult { kPut_All, kPut_Full, kPut_Refused };
  // Decides from the final response where its body stands; false refuses it.
  bool Decide();
  PutResult Put(const unsigned char* data, size_t length, size_t* placed);
  // True when nothing is held any more.
  bool FlushHeld();
  void SetPaused(bool paused);
  void Conclude(hvHttpTransferResult result, const std::string& reason);

  hvStreamMultiBuffer* m_ring;
  const uint64_t m_start;
  hvHttpTransferListener* m_listener;

  // Transport thread, then the consumer's once finished.
  hvHttpResponse m_response;
  bool m_decided = false;
  uint64_t m_skip = 0;    // body bytes before the start position
  bool m_hasEnd = false;  // the body's end position is known
  uint64_t m_end = 0;
  uint64_t m_next;                    // position of the next body byte for the ring
  std::vector<unsigned char> m_held;  // one delivery the full ring could not take
  size_t m_heldOffset = 0;

  // Guarded by m_lock: read by the consumer while the transport runs.
  std::mutex m_lock;
  bool m_paused = false;
  bool m_finished = false;
  bool m_delivered = false;
  hvHttpTransferResult m_result = khvHttpTransfer_Running;
  std::string m_reason;
};

#endif
