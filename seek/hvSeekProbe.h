// The format seekers' only way into a stream: reads at chosen positions through SeekBytes and
// PullGet, counted against a byte budget, with the last window kept so that neighbouring
// reads cost nothing. Puts the stream back at its first position when destroyed. Not locked:
// the seeker's thread only.
#ifndef HULVOSTREAMING_SEEK_HVSEEKPROBE_H
#define HULVOSTREAMING_SEEK_HVSEEKPROBE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hulvoStreaming/hvStream.h"

class hvSeekProbe {
 public:
  hvSeekProbe(hvStream* stream, uint64_t budget);
  ~hvSeekProbe();
  hvSeekProbe(const hvSeekProbe&) = delete;
  hvSeekProbe& operator=(const hvSeekProbe&) = delete;

  // Makes up to `length` bytes at `position` available at *data (valid until the next
  // Read); *got is short only at the end of the stream. OK, Pending (the stream does not
  // have them yet), TooLarge (the budget would be exceeded) or the stream's error. When the
  // window lacks them, up to `ahead` bytes are read, as the budget allows, so that a walk
  // through small neighbouring items costs one read per window, not one per item.
  hvStreamingStatus Read(uint64_t position, size_t length, const uint8_t** data, size_t* got,
                         size_t ahead = 0);

  // khvuint64_Max while unknown; an end met by a read also tells it.
  uint64_t Size() const { return m_size; }
  uint64_t BytesRead() const { return m_bytesRead; }
  hvStream* Stream() const { return m_stream; }

  static constexpr size_t kMaxWindow = 256 * 1024;

 private:
  hvStreamingStatus Fill(uint64_t position, size_t length);

  hvStream* m_stream;
  uint64_t m_budget;
  uint64_t m_bytesRead = 0;
  uint64_t m_size;
  uint64_t m_startPosition;
  // The window holds the stream's bytes [m_windowStart, m_windowStart + m_window.size()).
  std::vector<uint8_t> m_window;
  uint64_t m_windowStart = 0;
};

#endif
