// One GET of a stream's URL for the bytes from one position on. It reads the response's
// header, decides whether the body starts where the stream needs it (skipping what a
// server that ignored the range sends first), and writes the body into the stream's ring.
// When the ring is full the bytes of one delivery are held and the transfer pauses; the
// consumer's release resumes it. Events run on the transport thread; the queries below on
// the consumer's thread.
#ifndef HULVOSTREAMING_NET_HVHTTPTRANSFER_H
#define HULVOSTREAMING_NET_HVHTTPTRANSFER_H

#include <chrono>
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
  // The final response's header, before any of its body. A time seek's answer describes a
  // part of the resource only.
  virtual void OnResponse(const hvHttpResponse& response, bool timeSeek) = 0;
  virtual void OnFinished() = 0;

 protected:
  ~hvHttpTransferListener() = default;
};

class hvHttpTransfer final : public hvHttpTransferEvents {
 public:
  // The ring's write position is `start`; `ring` and `listener` outlive the transfer.
  hvHttpTransfer(hvStreamMultiBuffer* ring, uint64_t start, hvHttpTransferListener* listener);
  // The resource's size as earlier responses gave it (UINT64_MAX: unknown). An answer with
  // another size comes from a changed resource, whose bytes must not be mixed with the old.
  void ExpectSize(uint64_t size) { m_expectedSize = size; }
  // A time seek: the body's position is known only from the answer, so nothing is written
  // before Place() says where the ring stands.
  hvHttpTransfer(hvStreamMultiBuffer* ring, hvHttpTransferListener* listener);

  bool OnHeaderLine(const char* line, size_t length) override;
  hvHttpBodyAnswer OnBody(const unsigned char* data, size_t length) override;
  bool OnWritable() override;
  void OnDeliveriesEnd() override;
  void OnDone(hvHttpOutcome outcome, const char* reason) override;

  // Consumer side.
  bool NeedsResume();
  // How long the body has been paused by a full ring; 0 while it flows.
  uint64_t PausedMilliseconds();
  bool Finished();
  // Only once Finished: moves the held bytes into the ring; true when none is left.
  bool DrainHeld();
  hvHttpTransferResult Result();
  std::string Reason();
  // Whether any body byte reached the ring.
  bool Delivered();
  // A time seek's answer: true once the final header arrived; *known tells whether it named
  // the body's first byte (*first).
  bool Answered(bool* known, uint64_t* first);
  // A time seek's body starts at `first`, and the ring writes at `write` (>= first): the
  // bytes in between are skipped. The caller resumes the transfer afterwards.
  void Place(uint64_t first, uint64_t write);

 private:
  enum PutResult { kPut_All, kPut_Full, kPut_Refused };
  // Decides from the final response where its body stands; false refuses it.
  bool Decide();
  bool SameResource();
  bool DecideTimeSeek();
  PutResult Put(const unsigned char* data, size_t length, size_t* placed);
  // Hands the filled part of the open write grant to the ring, where the reader sees it.
  void Commit();
  // True when nothing is held any more.
  bool FlushHeld();
  void SetPaused(bool paused);
  void Conclude(hvHttpTransferResult result, const std::string& reason);

  hvStreamMultiBuffer* m_ring;
  uint64_t m_start;
  const bool m_timeSeek = false;
  hvHttpTransferListener* m_listener;

  // Transport thread, then the consumer's once finished.
  hvHttpResponse m_response;
  bool m_decided = false;
  uint64_t m_expectedSize = UINT64_MAX;  // set before the transfer starts
  uint64_t m_skip = 0;                   // body bytes before the start position
  bool m_hasEnd = false;                 // the body's end position is known
  uint64_t m_end = 0;
  bool m_partEnds = false;            // a 206 whose part ends before the resource does
  uint64_t m_next;                    // position of the next body byte for the ring
  std::vector<unsigned char> m_held;  // one delivery the full ring could not take
  size_t m_heldOffset = 0;
  // Each commit to the ring may wake the reader, so while the transport marks the ends of
  // its deliveries the ring's room is taken a block at a time and committed when full or at
  // such an end, not once per network read. m_grant holds m_grantUsed of m_grantRoom bytes;
  // none is open outside a delivery round, so Cancel and the consumer never meet one.
  bool m_gathering = false;
  unsigned char* m_grant = nullptr;
  size_t m_grantRoom = 0;
  size_t m_grantUsed = 0;

  // Guarded by m_lock: read by the consumer while the transport runs.
  std::mutex m_lock;
  bool m_paused = false;
  std::chrono::steady_clock::time_point m_pausedSince;
  bool m_finished = false;
  bool m_delivered = false;
  bool m_placed = true;  // false while a time seek waits for Place()
  bool m_answered = false;
  bool m_firstKnown = false;
  uint64_t m_first = 0;
  hvHttpTransferResult m_result = khvHttpTransfer_Running;
  std::string m_reason;
};

#endif
