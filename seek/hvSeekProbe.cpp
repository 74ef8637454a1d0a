// Probe reads for the format seekers.
#include "seek/hvSeekProbe.h"

#include <algorithm>

hvSeekProbe::hvSeekProbe(hvStream* stream, uint64_t budget)
    : m_stream(stream),
      m_budget(budget),
      m_size(stream->GetStreamSize()),
      m_startPosition(stream->GetStreamPosition()) {}

hvSeekProbe::~hvSeekProbe() {
  if (m_startPosition != khvuint64_Max) m_stream->SeekBytes(m_startPosition);
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
  const uint64_t windowEnd = m_windowStart + m_window.size();
  const bool inside = position >= m_windowStart && position + length <= windowEnd;
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
  hvStreamingStatus status = m_stream->SeekBytes(position);
  if (status != khvStreamingStatus_OK) return status;
  m_window.resize(length);
  size_t filled = 0;
  while (filled < length) {
    size_t chunk = length - filled;
    status = m_stream->PullGet(m_window.data() + filled, &chunk, false);
    filled += std::min(chunk, length - filled);
    m_bytesRead += std::min<size_t>(chunk, length);
    if (status == khvStreamingStatus_EndOfStream) {
      // What is missing lies past the end, which is now known.
      m_size = position + filled;
      break;
    }
    if (status != khvStreamingStatus_OK) {
      m_window.clear();
      return status;
    }
    // A stream with nothing to hand out yet answers OK with nothing: that is "not yet".
    if (chunk == 0) {
      m_window.clear();
      return khvStreamingStatus_Pending;
    }
  }
  m_window.resize(filled);
  return khvStreamingStatus_OK;
}
