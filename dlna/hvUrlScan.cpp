// The byte masks of a short URL text: sixteen bytes per step where the processor has SSE2
// (every x86-64), else byte by byte.
#include "dlna/hvUrlScan.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define HV_URL_SCAN_SSE2 1
#endif

#if HV_URL_SCAN_SSE2

// Sixteen bytes at a time. A text shorter than sixteen bytes is copied into a zeroed block
// first, as its terminator may end its allocation; a longer one is read in blocks that lie
// inside it, the last one overlapping its predecessor.
void hvUrlScan::BuildMasks(const char* text, size_t length, uint64_t* masks) {
  alignas(16) char padded[16] = {};
  if (length < 16) {
    memcpy(padded, text, length);
    text = padded;
    length = 16;
  }
  for (size_t start = 0; start < length; start += 16) {
    const size_t at = start + 16 <= length ? start : length - 16;
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
    for (int b = 0; b < kByteCount; ++b) {
      const __m128i same = _mm_cmpeq_epi8(block, _mm_set1_epi8(kBytes[b]));
      masks[b] |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(same))} << at;
    }
  }
}

#else

void hvUrlScan::BuildMasks(const char* text, size_t length, uint64_t* masks) {
  for (size_t i = 0; i < length; ++i) {
    for (int b = 0; b < kByteCount; ++b) masks[b] |= uint64_t{text[i] == kBytes[b]} << i;
  }
}

#endif
