// The parts of a resource that a cache file holds, as disjoint [first, end) spans; filled in
// any order by transfers that may overlap what is there. Not locked: its owner guards it.
#ifndef HULVOSTREAMING_NET_HVHTTPBYTESPANS_H
#define HULVOSTREAMING_NET_HVHTTPBYTESPANS_H

#include <cstdint>
#include <map>

// Touching spans are merged, so extending the last span of a sequential transfer allocates nothing.
class hvHttpByteSpans {
 public:
  void Add(uint64_t first, uint64_t end);
  // The end of the span holding `position`, that is the first byte from there on that is
  // missing; `position` itself when it lies in no span.
  uint64_t RunEnd(uint64_t position) const;
  bool Covers(uint64_t first, uint64_t end) const { return first >= end || RunEnd(first) >= end; }

 private:
  using Map = std::map<uint64_t, uint64_t>;  // first -> end
  // Merges the spans after `span` that it now reaches.
  void Absorb(Map::iterator span);

  Map m_spans;
};

#endif
