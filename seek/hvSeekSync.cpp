// Frame resynchronisation for the audio seekers.
#include "seek/hvSeekSync.h"

#include <algorithm>

namespace {

// Room after the target for the frame there and the header of the one after it.
const size_t kAhead = 8192 + 16;

}  // namespace

hvStreamingStatus hvSeek_ClampToEnd(hvSeekProbe& probe, uint64_t low, uint64_t* target,
                                    bool* past) {
  uint64_t end = probe.Size();
  if (end == khvuint64_Max) {
    const uint8_t* bytes;
    size_t got;
    hvStreamingStatus status = probe.Read(*target, 1, &bytes, &got);
    if (status != khvStreamingStatus_OK || got) return status;
    uint64_t lo = std::min(low, *target), hi = *target;  // no byte at hi
    while (hi - lo > 1) {
      const uint64_t mid = lo + (hi - lo) / 2;
      if ((status = probe.Read(mid, 1, &bytes, &got)) != khvStreamingStatus_OK) return status;
      (got ? lo : hi) = mid;
    }
    end = hi;
  }
  *past = *target >= end;
  if (*past) *target = end ? end - 1 : 0;
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvSeek_FrameAtOrBefore(hvSeekProbe& probe, uint64_t target, uint64_t low,
                                         size_t back, hvSeekFrameLength frameLength,
                                         const void* reference, uint64_t* found) {
  *found = low;
  bool past = false;
  hvStreamingStatus status = hvSeek_ClampToEnd(probe, low, &target, &past);
  if (status != khvStreamingStatus_OK) return status;
  const hvStreamingStatus answer = past ? khvStreamingStatus_EndOfStream : khvStreamingStatus_OK;
  if (target <= low) return answer;
  const uint64_t start = std::max(low, target > back ? target - back : 0);
  const uint8_t* bytes;
  size_t got;
  status = probe.Read(start, static_cast<size_t>(target - start) + kAhead, &bytes, &got);
  if (status != khvStreamingStatus_OK) return status;
  const size_t last = static_cast<size_t>(std::min<uint64_t>(target - start, got));
  for (size_t i = last + 1; i-- > 0;) {
    const size_t length = frameLength(bytes + i, got - i, reference);
    if (length == 0) continue;
    // The stream's last frame has nothing after it; one that fits exactly counts.
    const bool atEnd = i + length == got && start + got == probe.Size();
    if (atEnd ||
        (i + length < got && frameLength(bytes + i + length, got - i - length, reference) != 0)) {
      *found = start + i;
      return answer;
    }
  }
  return answer;
}
