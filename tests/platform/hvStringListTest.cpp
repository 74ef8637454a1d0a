#include <gtest/gtest.h>

#include <string>

#include "hv/hvStringList.h"

namespace {

// The entries in brackets, one after the other, so that empty entries show.
std::string Render(const hvStringList& list) {
  std::string out;
  for (size_t i = 0; i < list.GetCount(); ++i) out += std::string("[") + list.GetAt(i) + "]";
  return out;
}

TEST(hvStringListTest, SplitKeepsEveryPieceBetweenSeparators) {
  struct {
    const char* text;
    char separator;
    const char* rendered;
    size_t count;
  } const cases[] = {
      {"a,b,c", ',', "[a][b][c]", 3},
      {"a,,b", ',', "[a][][b]", 3},
      {",a,", ',', "[][a][]", 3},
      {",", ',', "[][]", 2},
      {"single", ',', "[single]", 1},
      {" a ; b ", ';', "[ a ][ b ]", 2},
      {"", ',', "", 0},
      {nullptr, ',', "", 0},
      {"x:y", '\0', "[x:y]", 1},
  };
  for (const auto& c : cases) {
    hvStringList list(c.text, c.separator);
    EXPECT_EQ(Render(list), c.rendered) << (c.text ? c.text : "(null)");
    EXPECT_EQ(list.GetCount(), c.count) << (c.text ? c.text : "(null)");
  }
}

TEST(hvStringListTest, RemoveEmptyKeepsOrderOfTheRest) {
  hvCSVStringList list(",http-get:*:video/mp4:*,,rtsp:*:*:*,");
  list.RemoveEmpty();
  EXPECT_EQ(Render(list), "[http-get:*:video/mp4:*][rtsp:*:*:*]");
  hvStringList allEmpty(",,,", ',');
  allEmpty.RemoveEmpty();
  EXPECT_EQ(allEmpty.GetCount(), 0u);
}

TEST(hvStringListTest, GetAtOutOfRangeIsNull) {
  hvCSVStringList list("a,b");
  EXPECT_STREQ(list.GetAt(1), "b");
  EXPECT_EQ(list.GetAt(2), nullptr);
  EXPECT_EQ(list.GetAt(static_cast<size_t>(-1)), nullptr);
}

TEST(hvStringListTest, SplitAgainReplacesAndCopiesAreDeep) {
  hvCSVStringList list("a,b,c");
  hvCSVStringList copy(list);
  list.Split("x");
  list.Add("y");
  EXPECT_EQ(Render(list), "[x][y]");
  EXPECT_EQ(Render(copy), "[a][b][c]");
  copy = list;
  EXPECT_EQ(Render(copy), "[x][y]");
}

}  // namespace
