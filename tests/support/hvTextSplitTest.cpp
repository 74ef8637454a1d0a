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

// The same through the one-byte cursor, which has a code path of its own.
std::string CursorSplit(const std::string& text, char separator) {
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, text.data(), text.size());
  std::string joined;
  hvTextPiece piece;
  for (size_t i = 0; hvTextCursor_Next(&cursor, separator, &piece); ++i)
    joined += (i ? "|[" : "[") + std::string(piece.text, piece.length) + "]";
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

// The same cuts as the plain byte-by-byte reading of the rule, over many short texts made of
// the bytes that matter (separator bytes, the escape, and others).
TEST(hvTextSplit, CutsWhereAByteByByteScanCuts) {
  auto reference = [](const std::string& text, const std::string& separator, int escape) {
    std::string joined = "[";
    size_t at = 0;
    while (at < text.size()) {
      bool cut = !separator.empty() && text.compare(at, separator.size(), separator) == 0 &&
                 (escape == khvTextSplit_NoEscape || at == 0 ||
                  static_cast<unsigned char>(text[at - 1]) != escape);
      if (cut) {
        joined += "]|[";
        at += separator.size();
      } else {
        joined += text[at++];
      }
    }
    return joined + "]";
  };
  const std::string separators[] = {",", "\\,", "aa", ",,", "a,a"};
  unsigned seed = 12345;
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    for (int i = static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % 12; i > 0; --i)
      text += ",a\\b"[((seed = seed * 1103515245u + 12345u) >> 16) % 4];
    const std::string& separator = separators[round % 5];
    int escape = round % 2 ? '\\' : khvTextSplit_NoEscape;
    ASSERT_EQ(Split(text, separator, escape), reference(text, separator, escape))
        << "text " << text << " separator " << separator << " escape " << escape;
    if (separator.size() == 1 && escape == khvTextSplit_NoEscape) {
      ASSERT_EQ(CursorSplit(text, separator[0]), reference(text, separator, escape))
          << "text " << text;
    }
  }
}

}  // namespace
