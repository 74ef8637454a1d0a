// hvUrlScan finds, in one text being split, the bytes that end URL parts. A text shorter
// than 64 bytes (most URLs) is read once up front into a bit mask per byte value, so that
// each search is a few bit operations rather than a library call; a longer text is searched
// with memchr. Keeps a pointer to the text, which must outlive it. One thread.
#ifndef HULVOSTREAMING_DLNA_HVURLSCAN_H
#define HULVOSTREAMING_DLNA_HVURLSCAN_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dlna/hvUrlInternal.h"

class hvUrlScan {
 public:
  // The bytes searched for; kBytes holds their values in this order.
  enum Byte { kHash, kQuestion, kColon, kSlash, kAt, kDot, kBackslash, kByteCount };
  static constexpr char kBytes[kByteCount] = {'#', '?', ':', '/', '@', '.', '\\'};

  // Texts up to this length are masked: a bit per byte, and one more for the end of a span
  // that runs to the end of the text, fit in a uint64_t.
  static constexpr size_t kMaskedLength = 63;

  // [text, text + length) holds no NUL.
  hvUrlScan(const char* text, size_t length)
      : m_text(text), m_masked(length <= kMaskedLength), m_masks() {
    if (m_masked) BuildMasks(text, length, m_masks);
  }

  // The first `c` in [begin, end), or `end`, for any byte and any span.
  static const char* Search(const char* begin, const char* end, char c) {
    const void* found = memchr(begin, c, static_cast<size_t>(end - begin));
    return found ? static_cast<const char*>(found) : end;
  }

  // The first `byte` in [begin, end), or `end`; the span lies inside the text.
  const char* Find(const char* begin, const char* end, Byte byte) const {
    return m_masked ? First(begin, end, m_masks[byte]) : Search(begin, end, kBytes[byte]);
  }

  // The first ':' or '/' in [begin, end), or `end`.
  const char* FindColonOrSlash(const char* begin, const char* end) const {
    if (!m_masked) {
      while (begin < end && *begin != ':' && *begin != '/') ++begin;
      return begin;
    }
    return First(begin, end, m_masks[kColon] | m_masks[kSlash]);
  }

  // hvUrl_HasDotSegment over [begin, end). A dot segment is a dot at the start of the path or
  // after a separator, optionally followed by a second dot, then followed by a separator or
  // the end of the path: with one bit per byte, every dot of the path is checked at once.
  bool HasDotSegment(const char* begin, const char* end) const {
    if (!m_masked) return hvUrl_HasDotSegment(begin, static_cast<size_t>(end - begin));
    const size_t first = static_cast<size_t>(begin - m_text);
    const size_t last = static_cast<size_t>(end - m_text);
    const uint64_t path = Span(first, last);
    const uint64_t separators = (m_masks[kSlash] | m_masks[kBackslash]) & path;
    const uint64_t dots = m_masks[kDot] & path;
    const uint64_t segmentStarts = (separators << 1) | (uint64_t{1} << first);
    const uint64_t segmentEnds = separators | (uint64_t{1} << last);
    const uint64_t leadingDots = dots & segmentStarts;
    return (leadingDots & ((segmentEnds >> 1) | ((dots >> 1) & (segmentEnds >> 2)))) != 0;
  }

 private:
  // Sets the bits of the bytes of [text, text + length), at most kMaskedLength long.
  static void BuildMasks(const char* text, size_t length, uint64_t* masks);

  // Bits begin..end-1 of a mask; end stays below 64.
  static uint64_t Span(size_t begin, size_t end) {
    return (~uint64_t{0} << begin) & ((uint64_t{1} << end) - 1);
  }

  const char* First(const char* begin, const char* end, uint64_t mask) const {
    mask &= Span(static_cast<size_t>(begin - m_text), static_cast<size_t>(end - m_text));
    return mask ? m_text + __builtin_ctzll(mask) : end;
  }

  const char* m_text;
  // When the text is shorter than 64 bytes: bit i of m_masks[b] is set when text[i] is
  // kBytes[b]. Otherwise the masks are unused.
  bool m_masked;
  uint64_t m_masks[kByteCount];
};

#endif
