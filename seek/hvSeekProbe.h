// The format seekers' only way into a stream: reads at chosen positions through SeekBytes and
// PullGet, counted against a byte budget, with the last window kept so that neighbouring
// reads cost nothing. Puts the stream back at its first position when destroyed. Not locked:
// the seeker's thread only, except the threshold signal, which may come from the stream's.
#ifndef HULVOSTREAMING_SEEK_HVSEEKPROBE_H
#define HULVOSTREAMING_SEEK_HVSEEKPROBE_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "hulvoStreaming/hvStream.h"

class hvSeekProbe {
 public:
  // With `waitMs` above 0 a read the stream cannot serve yet waits up to that long for the
  // stream's threshold signal and carries on where it stopped; the probe's callback heads the
  // stream's threshold chain until the probe is destroyed. With 0, "not yet" goes straight
  // back to the caller as Pending.
  hvSeekProbe(hvStream* stream, uint64_t budget, uint32_t waitMs = 0);
  ~hvSeekProbe();
  hvSeekProbe(const hvSeekProbe&) = delete;
  hvSeekProbe& operator=(const hvSeekProbe&) = delete;

  // Makes up to `length` bytes at `position` available at *data (valid until the next
  // Read); *got is short only at the end of the stream. OK, Pending (the stream does not
  // have them yet, or did not get them within one wait), TooLarge (the budget would be exceeded) or
  // the stream's error. When the window lacks them, up to `ahead` bytes are read, as the budget
  // allows, so that a walk through small neighbouring items costs one read per window, not one per
  // item.
  hvStreamingStatus Read(uint64_t position, size_t length, const uint8_t** data, size_t* got,
                         size_t ahead = 0);

  // khvuint64_Max while unknown; an end met by a read also tells it.
  uint64_t Size() const { return m_size; }
  uint64_t BytesRead() const { return m_bytesRead; }
  hvStream* Stream() const { return m_stream; }

  static constexpr size_t kMaxWindow = 256 * 1024;

 private:
  hvStreamingStatus Fill(uint64_t position, size_t length);
  // Call before asking the stream, so that a signal between its answer and Wait counts.
  void Arm();
  // True when the stream signalled within the wait; false at once without waiting.
  bool Wait();
  static void OnThreshold(void* probe);

  hvStream* m_stream;
  uint64_t m_budget;
  uint64_t m_bytesRead = 0;
  uint64_t m_size;
  uint64_t m_startPosition;
  // The window holds the stream's bytes [m_windowStart, m_windowStart + m_window.size()).
  std::vector<uint8_t> m_window;
  uint64_t m_windowStart = 0;

  // m_signalled is set by the stream's threshold callback, cleared by Arm; 0 ms: no waiting.
  uint32_t m_waitMs;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_signalled = false;
};

#endif
