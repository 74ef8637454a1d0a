// The record of what a cache file holds: parts arriving in any order, overlapping, touching
// or leaving holes must give, for every position, the end of the bytes held from there on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "net/hvHttpByteSpans.h"

namespace {

TEST(hvHttpByteSpans, AnyOrderOfPartsMatchesAByteMap) {
  const uint64_t kSize = 64;
  std::mt19937 random(3);
  for (int round = 0; round < 300; ++round) {
    hvHttpByteSpans spans;
    std::vector<bool> held(kSize + 1, false);
    for (int part = 0; part < 1 + round % 9; ++part) {
      uint64_t first = random() % kSize, end = first + random() % 12;
      if (end > kSize) end = kSize;
      spans.Add(first, end);
      for (uint64_t at = first; at < end; ++at) held[at] = true;
      for (uint64_t at = 0; at <= kSize; ++at) {
        uint64_t run = at;
        while (held[run]) ++run;
        ASSERT_EQ(spans.RunEnd(at), run) << "round " << round << ", part " << part << ", at " << at;
      }
    }
    EXPECT_EQ(spans.Covers(0, kSize),
              std::find(held.begin(), held.end() - 1, false) == held.end() - 1);
  }
}

TEST(hvHttpByteSpans, PartsAtTheEndOfTheRange) {
  hvHttpByteSpans spans;
  spans.Add(UINT64_MAX - 10, UINT64_MAX);
  spans.Add(UINT64_MAX - 20, UINT64_MAX - 10);
  EXPECT_EQ(spans.RunEnd(UINT64_MAX - 20), UINT64_MAX);
  EXPECT_EQ(spans.RunEnd(UINT64_MAX - 21), UINT64_MAX - 21);
  EXPECT_TRUE(spans.Covers(UINT64_MAX - 20, UINT64_MAX));
  spans.Add(5, 5);  // empty: nothing held
  EXPECT_EQ(spans.RunEnd(5), 5u);
}

}  // namespace
