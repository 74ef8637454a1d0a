#include "net/hvHttpByteSpans.h"

#include <algorithm>
#include <iterator>

void hvHttpByteSpans::Add(uint64_t first, uint64_t end) {
  if (first >= end) return;
  Map::iterator at = m_spans.upper_bound(first);
  if (at != m_spans.begin()) {
    Map::iterator previous = std::prev(at);
    if (previous->second >= first) {
      if (previous->second >= end) return;
      // Grown in place: a transfer that goes on where it stopped allocates nothing.
      previous->second = end;
      Absorb(previous);
      return;
    }
  }
  Absorb(m_spans.emplace_hint(at, first, end));
}

void hvHttpByteSpans::Absorb(Map::iterator span) {
  Map::iterator next = std::next(span);
  while (next != m_spans.end() && next->first <= span->second) {
    span->second = std::max(span->second, next->second);
    next = m_spans.erase(next);
  }
}

uint64_t hvHttpByteSpans::RunEnd(uint64_t position) const {
  Map::const_iterator at = m_spans.upper_bound(position);
  if (at == m_spans.begin()) return position;
  --at;
  return std::max(at->second, position);
}
