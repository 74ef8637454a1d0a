// Probe reads for the format seekers.
#include "seek/hvSeekProbe.h"

#include <algorithm>
#include <chrono>

hvSeekProbe::hvSeekProbe(hvStream* stream, uint64_t budget, uint32_t waitMs)
    : m_stream(stream),
      m_budget(budget),
      m_size(stream->GetStreamSize()),
      m_startPosition(stream->GetStreamPosition()),
      m_waitMs(waitMs) {
  if (m_waitMs) m_stream->PushThresholdCallBack(&hvSeekProbe::OnThreshold, this);
}

hvSeekProbe::~hvSeekProbe() {
  // The stream runs its callbacks under its own lock, so once popped ours is not running.
  if (m_waitMs) m_stream->PopThresholdCallBack(&hvSeekProbe::OnThreshold);
  if (m_startPosition != khvuint64_Max) m_stream->SeekBytes(m_startPosition);
}

void hvSeekProbe::OnThreshold(void* probe) {
  hvSeekProbe* self = static_cast<hvSeekProbe*>(probe);
  std::lock_guard<std::mutex> hold(self->m_lock);
  self->m_signalled = true;
  self->m_wake.notify_all();
}

void hvSeekProbe::Arm() {
  if (!m_waitMs) return;
  std::lock_guard<std::mutex> hold(m_lock);
  m_signalled = false;
}

bool hvSeekProbe::Wait() {
  if (!m_waitMs) return false;
  std::unique_lock<std::mutex> hold(m_lock);
  return m_wake.wait_for(hold, std::chrono::milliseconds(m_waitMs), [this] { return m_signalled; });
}

hvStreamingStatus hvSeekProbe::Read(uint64_t position, size_t length, const uint8_t** data,
                                    size_t* got, size_t ahead) {
  *data = nullptr;
  *got = 0;
  length = std::min(length, kMaxWindow);
  const uint64_t left = m_budget - std::min(m_budget, m_bytesRead);
  ahead = static_cast<size_t>(std::min<uint64_t>(std::min(ahead, kMaxWindow), left));
  if (m_size != khvuint64_Max) {
    if (position >= m_size) return khvStreamingStatus_OK;
    length = static_cast<size_t>(std::min<uint64_t>(length, m_size - position));
    ahead = static_cast<size_t>(std::min<uint64_t>(ahead, m_size - position));
  }
  // Compared without adding to `position`, which may lie anywhere when the size is unknown.
  const uint64_t windowEnd = m_windowStart + m_window.size();
  const bool inside =
      position >= m_windowStart && position <= windowEnd && length <= windowEnd - position;
  if (!inside) {
    hvStreamingStatus status = Fill(position, std::max(length, ahead));
    if (status != khvStreamingStatus_OK) return status;
  }
  const size_t offset = static_cast<size_t>(position - m_windowStart);
  *data = m_window.data() + offset;
  *got = std::min(length, m_window.size() - offset);
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvSeekProbe::Fill(uint64_t position, size_t length) {
  m_window.clear();
  m_windowStart = position;
  if (length > m_budget - std::min(m_budget, m_bytesRead)) return khvStreamingStatus_TooLarge;
  hvStreamingStatus status;
  do {
    Arm();
    status = m_stream->SeekBytes(position);
  } while (status == khvStreamingStatus_Pending && Wait());
  if (status != khvStreamingStatus_OK) return status;
  m_window.resize(length);
  size_t filled = 0;
  while (filled < length) {
    size_t chunk = length - filled;
    Arm();
    status = m_stream->PullGet(m_window.data() + filled, &chunk, false);
    filled += std::min(chunk, length - filled);
    m_bytesRead += std::min<size_t>(chunk, length);
    if (status == khvStreamingStatus_EndOfStream) {
      // What is missing lies past the end, which is now known, unless nothing came: a stream
      // that may seek past its end then tells only that the end is at or before `position`.
      if (filled > 0 || position == 0) m_size = position + filled;
      break;
    }
    // A stream with nothing to hand out yet answers OK with nothing: that is "not yet".
    // The stream stays where this read stopped, so after the signal the read goes on from
    // there: nothing is read (or counted) twice, and a seek that waits converges instead of
    // starting over from its first probe.
    const bool notYet =
        status == khvStreamingStatus_Pending || (status == khvStreamingStatus_OK && chunk == 0);
    if (notYet && Wait()) continue;
    if (notYet) status = khvStreamingStatus_Pending;
    if (status != khvStreamingStatus_OK) {
      m_window.clear();
      return status;
    }
  }
  m_window.resize(filled);
  return khvStreamingStatus_OK;
}
