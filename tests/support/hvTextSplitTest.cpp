#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/hvTextSplit.h"

namespace {

// The pieces joined with '|' and each wrapped in [].
std::string Split(const std::string& text, const std::string& separator,
                  int escape = khvTextSplit_NoEscape) {
  hvTextSplit split;
  hvTextSplit_Split(&split, text.data(), text.size(), separator.data(), separator.size(), escape);
  std::string joined;
  for (size_t i = 0; i < split.count; ++i) {
    // Pieces point into the input.
    EXPECT_GE(split.pieces[i].text, text.data());
    EXPECT_LE(split.pieces[i].text + split.pieces[i].length, text.data() + text.size());
    joined += (i ? "|[" : "[") + std::string(split.pieces[i].text, split.pieces[i].length) + "]";
  }
  hvTextSplit_Release(&split);
  return joined;
}

TEST(hvTextSplit, EmptyPiecesAreKept) {
  EXPECT_EQ(Split("a,b,,c", ","), "[a]|[b]|[]|[c]");
  EXPECT_EQ(Split("", ","), "[]");
  EXPECT_EQ(Split(",", ","), "[]|[]");
  EXPECT_EQ(Split("abc", ","), "[abc]");
}

TEST(hvTextSplit, SeparatorTextsAreConsumedWhole) {
  EXPECT_EQ(Split("1\\,2\\,3", "\\,"), "[1]|[2]|[3]");
  EXPECT_EQ(Split("1,2\\,3", "\\,"), "[1,2]|[3]");
  EXPECT_EQ(Split("aaa", "aa"), "[]|[a]");
  EXPECT_EQ(Split("abc", ""), "[abc]");
  EXPECT_EQ(Split(std::string("a\0b", 3), std::string("\0", 1)), "[a]|[b]");
}

TEST(hvTextSplit, EscapedSeparatorDoesNotCountAndKeepsTheEscape) {
  EXPECT_EQ(Split("a\\,b,c", ",", '\\'), "[a\\,b]|[c]");
  EXPECT_EQ(Split(",a", ",", '\\'), "[]|[a]");
  EXPECT_EQ(Split("a\\\\,b", ",", '\\'), "[a\\\\,b]");
}

TEST(hvTextSplit, NothingBeyondTheLengthIsSeen) {
  hvTextSplit split;
  hvTextSplit_SplitAt(&split, "a:b:c", 3, ':');
  ASSERT_EQ(split.count, 2u);
  EXPECT_EQ(split.pieces[1].length, 1u);
  hvTextSplit_Release(&split);
  hvTextSplit_SplitAt(&split, nullptr, 0, ':');
  EXPECT_EQ(split.count, 1u);
  EXPECT_EQ(split.pieces[0].length, 0u);
  hvTextSplit_Release(&split);
}

}  // namespace
