#include "net/hvHttpTransfer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

hvHttpTransfer::hvHttpTransfer(hvStreamMultiBuffer* ring, uint64_t start,
                               hvHttpTransferListener* listener)
    : m_ring(ring), m_start(start), m_listener(listener), m_next(start) {}

hvHttpTransfer::hvHttpTransfer(hvStreamMultiBuffer* ring, hvHttpTransferListener* listener)
    : m_ring(ring),
      m_start(0),
      m_timeSeek(true),
      m_listener(listener),
      m_next(0),
      m_placed(false) {}

bool hvHttpTransfer::Answered(bool* known, uint64_t* first) {
  std::lock_guard<std::mutex> hold(m_lock);
  *known = m_firstKnown;
  *first = m_first;
  return m_answered;
}

void hvHttpTransfer::Place(uint64_t first, uint64_t write) {
  // The transport thread reads these only after it saw m_placed under the lock.
  m_start = write;
  m_next = write;
  m_skip = write - first;
  if (m_hasEnd) m_end += first;
  std::lock_guard<std::mutex> hold(m_lock);
  m_placed = true;
}

void hvHttpTransfer::Conclude(hvHttpTransferResult result, const std::string& reason) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_result != khvHttpTransfer_Running) return;
  m_result = result;
  m_reason = reason;
}

bool hvHttpTransfer::OnHeaderLine(const char* line, size_t length) {
  if (m_decided) return true;  // trailers of a chunked body
  if (!hvHttpResponse_AddLine(&m_response, line, length)) {
    Conclude(khvHttpTransfer_Failed, "malformed or oversized response header");
    return false;
  }
  if (!hvHttpResponse_IsFinal(m_response)) return true;
  m_decided = true;
  m_listener->OnResponse(m_response, m_timeSeek);
  return Decide();
}

bool hvHttpTransfer::SameResource() {
  const hvHttpResponse& response = m_response;
  uint64_t size = UINT64_MAX;
  if (response.status == 200 && response.hasLength && !response.chunked) size = response.length;
  if (response.status == 206 && response.hasTotal) size = response.total;
  if (m_expectedSize == UINT64_MAX || size == UINT64_MAX || size == m_expectedSize) return true;
  Conclude(khvHttpTransfer_Failed, "the resource changed its size");
  return false;
}

bool hvHttpTransfer::Decide() {
  const hvHttpResponse& response = m_response;
  if (m_timeSeek) return DecideTimeSeek();
  if (!SameResource()) return false;
  switch (response.status) {
    case 200:
      // The server sent the whole resource: a range it ignored is skipped here, so the
      // ring never sees bytes from another position.
      m_skip = m_start;
      m_hasEnd = response.hasLength && !response.chunked;
      m_end = response.length;
      return true;
    case 206:
      if (!response.hasRange) {
        Conclude(khvHttpTransfer_Failed, "partial content without Content-Range");
        return false;
      }
      if (response.rangeFirst > m_start) {
        Conclude(khvHttpTransfer_Failed, "partial content starts after the position asked");
        return false;
      }
      m_skip = m_start - response.rangeFirst;
      m_hasEnd = true;
      m_end = response.rangeLast + 1;
      // A server may send less than the rest of the resource at a time; where the part
      // ends the stream does not, so the rest is asked for as after a drop.
      m_partEnds = response.hasTotal && m_end < response.total;
      return true;
    case 416:
      // Nothing at or after the position: the resource ends before it. A server that says
      // so of a position inside the size it gave earlier is not believed.
      if ((response.hasTotal && m_start < response.total) ||
          (m_expectedSize != UINT64_MAX && m_start < m_expectedSize)) {
        Conclude(khvHttpTransfer_Failed, "range refused inside the resource");
        return false;
      }
      Conclude(khvHttpTransfer_End, "");
      return false;
    default:
      Conclude(khvHttpTransfer_Failed, "HTTP status " + std::to_string(response.status));
      return false;
  }
}

bool hvHttpTransfer::DecideTimeSeek() {
  const hvHttpResponse& response = m_response;
  if (response.status != 200 && response.status != 206) {
    Conclude(khvHttpTransfer_Failed, "HTTP status " + std::to_string(response.status));
    std::lock_guard<std::mutex> hold(m_lock);
    m_answered = true;
    return false;
  }
  // Until placed, m_end counts from the body's first byte.
  m_hasEnd = response.hasLength && !response.chunked;
  m_end = response.length;
  std::lock_guard<std::mutex> hold(m_lock);
  m_answered = true;
  m_firstKnown = response.hasTimeSeekBytes || (response.status == 206 && response.hasRange);
  m_first = response.hasTimeSeekBytes ? response.timeSeekFirst : response.rangeFirst;
  return true;
}

hvHttpTransfer::PutResult hvHttpTransfer::Put(const unsigned char* data, size_t length,
                                              size_t* placed) {
  *placed = 0;
  while (*placed < length) {
    if (m_grantUsed == m_grantRoom) {
      Commit();
      // Gathering takes all the room up to the block's end (the ring caps the ask).
      size_t granted = m_gathering ? SIZE_MAX : length - *placed;
      hvStreamingStatus status = m_ring->TakeWriteBuffer(&m_grant, &granted);
      if (status == khvStreamingStatus_BufferFull) return kPut_Full;
      if (status != khvStreamingStatus_OK) return kPut_Refused;
      m_grantRoom = granted;
    }
    const size_t count = std::min(length - *placed, m_grantRoom - m_grantUsed);
    memcpy(m_grant + m_grantUsed, data + *placed, count);
    m_grantUsed += count;
    *placed += count;
    m_next += count;
    if (!m_gathering) Commit();
  }
  if (length != 0) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_delivered = true;
  }
  return kPut_All;
}

void hvHttpTransfer::Commit() {
  if (m_grantUsed != 0) m_ring->ReleaseWriteBuffer(m_grant, m_grantUsed);
  m_grant = nullptr;
  m_grantRoom = m_grantUsed = 0;
}

void hvHttpTransfer::OnDeliveriesEnd() {
  m_gathering = true;
  Commit();
}

bool hvHttpTransfer::FlushHeld() {
  if (m_heldOffset == m_held.size()) return true;
  size_t placed = 0;
  PutResult result = Put(m_held.data() + m_heldOffset, m_held.size() - m_heldOffset, &placed);
  m_heldOffset += placed;
  if (result == kPut_Refused) {
    Conclude(khvHttpTransfer_Stopped, "");
    m_held.clear();
    m_heldOffset = 0;
    return true;
  }
  if (m_heldOffset < m_held.size()) return false;
  m_held.clear();
  m_heldOffset = 0;
  return true;
}

void hvHttpTransfer::SetPaused(bool paused) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (paused && !m_paused) m_pausedSince = std::chrono::steady_clock::now();
  m_paused = paused;
}

hvHttpBodyAnswer hvHttpTransfer::OnBody(const unsigned char* data, size_t length) {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_placed) {
      m_paused = true;
      return khvHttpBody_Pause;
    }
  }
  if (!FlushHeld()) {
    // Mark the pause before looking at the ring again: a consumer that released room in
    // between either sees the mark and resumes us, or left room this second try finds.
    SetPaused(true);
    if (!FlushHeld()) return khvHttpBody_Pause;
    SetPaused(false);
  }
  if (Result() != khvHttpTransfer_Running) return khvHttpBody_Abort;
  size_t skipped = static_cast<size_t>(std::min<uint64_t>(m_skip, length));
  m_skip -= skipped;
  data += skipped;
  length -= skipped;
  // Bytes past the end the header announced belong to no position of the resource.
  if (m_hasEnd)
    length = static_cast<size_t>(std::min<uint64_t>(length, m_end > m_next ? m_end - m_next : 0));
  size_t placed = 0;
  PutResult result = Put(data, length, &placed);
  if (result == kPut_Refused) {
    Conclude(khvHttpTransfer_Stopped, "");
    return khvHttpBody_Abort;
  }
  if (placed < length) {
    m_held.assign(data + placed, data + length);
    m_heldOffset = 0;
  }
  return khvHttpBody_Taken;
}

bool hvHttpTransfer::OnWritable() {
  if (!FlushHeld()) return false;
  SetPaused(false);
  return true;
}

void hvHttpTransfer::OnDone(hvHttpOutcome outcome, const char* reason) {
  // What follows (DrainHeld) runs on the consumer's thread, where no round ever ends.
  Commit();
  m_gathering = false;
  bool placed;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    placed = m_placed;
  }
  if (!placed)
    Conclude(khvHttpTransfer_Failed, "the time seek's answer ended before it was placed");
  else if (!m_decided && outcome != khvHttpOutcome_Aborted)
    Conclude(khvHttpTransfer_Failed, *reason ? reason : "no response");
  else if (outcome == khvHttpOutcome_Complete)
    // A body shorter than its header announced was cut, whatever the framing said.
    Conclude((m_hasEnd && m_next + (m_held.size() - m_heldOffset) < m_end) || m_partEnds
                 ? khvHttpTransfer_Dropped
                 : khvHttpTransfer_End,
             "");
  else if (outcome == khvHttpOutcome_Failed)
    Conclude(khvHttpTransfer_Dropped, reason);
  else
    Conclude(khvHttpTransfer_Stopped, "");
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_finished = true;
    m_answered = true;
  }
  m_listener->OnFinished();
}

bool hvHttpTransfer::NeedsResume() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_paused && !m_finished;
}

uint64_t hvHttpTransfer::PausedMilliseconds() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_paused || m_finished) return 0;
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - m_pausedSince)
                                   .count());
}

bool hvHttpTransfer::Finished() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_finished;
}

bool hvHttpTransfer::DrainHeld() { return FlushHeld(); }

hvHttpTransferResult hvHttpTransfer::Result() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_result;
}

std::string hvHttpTransfer::Reason() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_reason;
}

bool hvHttpTransfer::Delivered() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_delivered;
}
