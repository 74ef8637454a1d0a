#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "hv/hvCString.h"

namespace {

std::string Bytes(const hvCString& text) { return std::string(text.c_str(), text.Length()); }

TEST(hvCStringTest, ConstructionTakesStartAndLength) {
  EXPECT_EQ(hvCString("protocol:info", 9), "info");
  EXPECT_EQ(hvCString("protocol:info", 0, 8), "protocol");
  EXPECT_EQ(hvCString("abc", 1, hvCString::kToEnd), "bc");
  EXPECT_TRUE(hvCString("abc", 3).IsEmpty());
  EXPECT_TRUE(hvCString("abc", 10).IsEmpty());
  EXPECT_TRUE(hvCString(nullptr).IsEmpty());
  EXPECT_STREQ(hvCString().c_str(), "");
  EXPECT_STREQ(hvCString::Empty().c_str(), "");
}

TEST(hvCStringTest, ExplicitLengthKeepsEmbeddedNulBytes) {
  const char raw[] = {'a', '\0', 'b', 'c'};
  hvCString text(raw, 0, sizeof(raw));
  EXPECT_EQ(text.Length(), 4u);
  EXPECT_EQ(Bytes(text), std::string(raw, 4));
  EXPECT_EQ(text.c_str()[4], '\0');
  EXPECT_EQ(Bytes(hvCString(text)), std::string(raw, 4));
  EXPECT_EQ(Bytes(text.Mid(1, 2)), std::string("\0b", 2));
  EXPECT_NE(text, "a");  // a C string stops at the first NUL; the value does not
}

TEST(hvCStringTest, LowerChangesOnlyAsciiLettersOfACopy) {
  hvCString mime("Video/MP4; Q=1.0 \xC3\x89");
  EXPECT_EQ(mime.Lower(), "video/mp4; q=1.0 \xC3\x89");
  EXPECT_EQ(mime, "Video/MP4; Q=1.0 \xC3\x89");
}

// Regression: lower-casing followed the process locale, so under a Latin-1 locale "\xC9"
// became "\xE9" and the same MIME type or extension read differently on another machine.
TEST(hvCStringTest, LowerIgnoresTheProcessLocale) {
  const char* const kByteLocales[] = {"en_US.ISO-8859-1", "de_DE.ISO-8859-1", ".1252",
                                      "English_United States.1252"};
  std::string previous = setlocale(LC_CTYPE, nullptr);
  const char* chosen = nullptr;
  for (const char* name : kByteLocales) {
    if (setlocale(LC_CTYPE, name)) {
      chosen = name;
      break;
    }
  }
  if (!chosen) GTEST_SKIP() << "no single-byte Latin-1 locale installed";
  std::string lower = Bytes(hvCString("AUDIO/X-\xC9\xC4").Lower());
  setlocale(LC_CTYPE, previous.c_str());
  EXPECT_EQ(lower, "audio/x-\xC9\xC4") << "locale " << chosen;
}

TEST(hvCStringTest, AfterFirstGivesTheRestOrEmpty) {
  EXPECT_EQ(hvCString("DLNA.ORG_PN=AVC_MP4=X").AfterFirst('='), "AVC_MP4=X");
  EXPECT_EQ(hvCString("key=").AfterFirst('='), "");
  EXPECT_TRUE(hvCString("no separator").AfterFirst('=').IsEmpty());
  EXPECT_TRUE(hvCString().AfterFirst('=').IsEmpty());
}

TEST(hvCStringTest, MidStaysInsideTheText) {
  hvCString text("0123456789");
  EXPECT_EQ(text.Mid(2, 3), "234");
  EXPECT_EQ(text.Mid(7), "789");
  EXPECT_EQ(text.Mid(7, 100), "789");
  EXPECT_EQ(text.Mid(7, hvCString::kToEnd - 3), "789");  // start + length would wrap
  EXPECT_TRUE(text.Mid(10).IsEmpty());
  EXPECT_TRUE(text.Mid(50, 2).IsEmpty());
  EXPECT_TRUE(text.Mid(3, 0).IsEmpty());
}

TEST(hvCStringTest, FindFirstAndLast) {
  hvCString text("a.b.c");
  EXPECT_EQ(text.Find('.'), 1);
  EXPECT_EQ(text.FindLast('.'), 3);
  EXPECT_EQ(text.Find('x'), -1);
  EXPECT_EQ(hvCString().FindLast('.'), -1);
}

TEST(hvCStringTest, AssignmentCopyMoveAndAppend) {
  hvCString text("head");
  text += hvCString("/tail");
  EXPECT_EQ(text, "head/tail");
  text = text.c_str() + 5;  // a piece of itself
  EXPECT_EQ(text, "tail");
  hvCString moved(std::move(text));
  EXPECT_EQ(moved, "tail");
  hvCString copy;
  copy = moved;
  copy += hvCString();
  EXPECT_EQ(copy, moved);
  copy = static_cast<const char*>(nullptr);
  EXPECT_TRUE(copy.IsEmpty());
}

}  // namespace
