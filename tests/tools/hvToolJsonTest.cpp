// The tool's JSON writer: separators, escapes for every kind of byte, and values JSON lacks.
#include <limits>

#include "hvToolTestUtil.h"
#include "tools/hvstreamJson.h"

namespace {

std::string Quoted(const std::string& text) {
  hvJsonWriter json;
  json.String(text);
  return json.Text();
}

TEST(hvJsonWriterTest, NestedContainersGetTheirCommas) {
  hvJsonWriter json;
  json.BeginObject();
  json.Field("a", 1);
  json.Key("b");
  json.BeginArray();
  json.Bool(true);
  json.BeginObject();
  json.EndObject();
  json.Null();
  json.EndArray();
  json.Field("c", static_cast<const char*>(nullptr));
  json.EndObject();
  EXPECT_EQ(json.Text(), "{\"a\":1,\"b\":[true,{},null],\"c\":null}");
}

TEST(hvJsonWriterTest, QuotesBackslashesAndControlBytesAreEscaped) {
  EXPECT_EQ(Quoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(Quoted(std::string("\x01\t\n\x1F\x7F", 5)), "\"\\u0001\\u0009\\u000A\\u001F\\u007F\"");
  EXPECT_EQ(Quoted(std::string("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(hvJsonWriterTest, ValidUtf8BecomesCodePointsAndSurrogatePairs) {
  EXPECT_EQ(Quoted("\xC3\xA9"), "\"\\u00E9\"");
  EXPECT_EQ(Quoted("\xE2\x82\xAC"), "\"\\u20AC\"");
  EXPECT_EQ(Quoted("\xF0\x9F\x8E\xB5"), "\"\\uD83C\\uDFB5\"");
}

TEST(hvJsonWriterTest, InvalidUtf8BytesAreWrittenOneByOne) {
  EXPECT_EQ(Quoted("\xFF"), "\"\\u00FF\"");
  EXPECT_EQ(Quoted("\xC0\xAF"), "\"\\u00C0\\u00AF\"");             // overlong '/'
  EXPECT_EQ(Quoted("\xED\xA0\x80"), "\"\\u00ED\\u00A0\\u0080\"");  // a lone surrogate
  EXPECT_EQ(Quoted("\xE2\x82"), "\"\\u00E2\\u0082\"");             // cut short
}

TEST(hvJsonWriterTest, EveryByteStringGivesWellFormedAscii) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_TRUE(hvJsonChecker::IsWellFormed(Quoted(all + all.substr(128) + "\xF4\x90\x80\x80")));
}

TEST(hvJsonWriterTest, NumbersAreShortAndNonFiniteOnesAreNull) {
  hvJsonWriter json;
  json.BeginArray();
  json.Double(0.5);
  json.Double(-2);
  json.Double(0.1);
  json.Double(std::numeric_limits<double>::infinity());
  json.Double(std::numeric_limits<double>::quiet_NaN());
  json.Int(-7);
  json.UInt(UINT64_MAX);
  json.EndArray();
  EXPECT_EQ(json.Text(), "[0.5,-2,0.1,null,null,-7,18446744073709551615]");
}

}  // namespace
