#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "hvMimeTypeRender.h"

namespace {

std::string Render(const hvMimeType* mime) { return hvRenderMimeType(mime); }

std::string Written(const hvMimeType* mime) {
  char* text = hvMimeType_ToString(mime);
  std::string kept = text;
  hvMemory_Free(text);
  return kept;
}

struct ParseCase {
  const char* input;
  const char* parsed;
  const char* written;
};

// Each text parses into the record wanted, writes back as wanted, and that text reads back
// into the same record.
void ExpectCases(const ParseCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const ParseCase& c = cases[i];
    hvMimeType* mime = hvMimeType_Parse(c.input);
    EXPECT_EQ(Render(mime), c.parsed) << "input: " << c.input;
    EXPECT_EQ(Written(mime), c.written) << "input: " << c.input;
    hvMimeType* again = hvMimeType_Parse(Written(mime).c_str());
    EXPECT_EQ(Render(again), c.parsed) << "written: " << Written(mime);
    hvMimeType_Free(again);
    hvMimeType_Free(mime);
  }
}

TEST(hvMimeType, ParsesAndWritesBack) {
  const ParseCase cases[] = {
      {"audio/mpeg", "audio/mpeg", "audio/mpeg"},
      // audio/L16 defaults to one channel, but only when the text has parameters at all.
      {"audio/L16;rate=44100", "audio/L16|rate=44100|channels=1",
       "audio/L16;rate=44100;channels=1"},
      {"audio/L16", "audio/L16", "audio/L16"},
      {"AUDIO/l16;rate=48000;Channels=2", "AUDIO/l16|rate=48000|Channels=2",
       "AUDIO/l16;rate=48000;Channels=2"},
      // No '=', an empty value, an empty name: dropped.
      {"text/plain;a;b=;=c;d=1", "text/plain|d=1", "text/plain;d=1"},
      // A quoted value may hold ';' and is quoted again when written.
      {"x/y;q=\"a;b\";r=2", "x/y|q=a;b|r=2", "x/y;q=\"a;b\";r=2"},
      // An unterminated quote drops its parameter and everything after it.
      {"x/y;a=1;q=\"open;r=2", "x/y|a=1", "x/y;a=1"},
      {"x/y;a=1=2", "x/y|1=2", "x/y;1=2"},
      {"x/y;", "x/y", "x/y"},
      {"x/y;;;", "x/y", "x/y"},
      {";a=1", "|a=1", ";a=1"},
      {"", "", ""},
      {"application/x-dtcp1;DTCP1HOST=192.168.0.111;DTCP1PORT=8999;CONTENTFORMAT=video/mpeg",
       "application/x-dtcp1|DTCP1HOST=192.168.0.111|DTCP1PORT=8999|CONTENTFORMAT=video/mpeg",
       "application/x-dtcp1;DTCP1HOST=192.168.0.111;DTCP1PORT=8999;CONTENTFORMAT=\"video/mpeg\""},
      // More parameters than the parser and writer keep from their first pass: the ones past
      // that are read and measured again, quoting and dropped segments included.
      {"x/y;a=1;b=2;c=3;d=4;e=5;f=6;g=7;h=\"8;\";bad;i=\"a\\\"b\";j=(10)",
       "x/y|a=1|b=2|c=3|d=4|e=5|f=6|g=7|h=8;|i=a\"b|j=(10)",
       "x/y;a=1;b=2;c=3;d=4;e=5;f=6;g=7;h=\"8;\";i=\"a\\\"b\";j=\"(10)\""},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

// Spaces and tabs around ';' and '=' and at the ends of the type used to stay in types, names
// and values: "charset" was not found, and stereo L16 gained a second "channels" of 1.
TEST(hvMimeType, WhiteSpaceAroundSeparatorsIsOptional) {
  const ParseCase cases[] = {
      {"video/mpeg; foo=bar", "video/mpeg|foo=bar", "video/mpeg;foo=bar"},
      {"text/xml; charset=\"utf-8\"", "text/xml|charset=utf-8", "text/xml;charset=utf-8"},
      {"audio/L16; rate=44100; channels=2", "audio/L16|rate=44100|channels=2",
       "audio/L16;rate=44100;channels=2"},
      {" audio/L16 ;\trate = 44100\t; channels =2 ", "audio/L16|rate=44100|channels=2",
       "audio/L16;rate=44100;channels=2"},
      {" \ttext/plain \t", "text/plain", "text/plain"},
      {"x/y; a b = c d ", "x/y|a b=c d", "x/y;a b=c d"},
      {"x/y; =1; b= ;c ; ", "x/y", "x/y"},
      // In quotes the spaces are the value's own.
      {"x/y; a=\" v \" ;b=\"\t\"", "x/y|a= v |b=\t", "x/y;a=\" v \";b=\"\t\""},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

// A backslash in quotes used to be an ordinary byte: "a\"b" lost its parameter and every
// parameter after it.
TEST(hvMimeType, QuotedPairsReadLiterallyAndWriteBackEscaped) {
  const ParseCase cases[] = {
      {"text/plain; name=\"a\\\"b\";r=1", "text/plain|name=a\"b|r=1",
       "text/plain;name=\"a\\\"b\";r=1"},
      {"text/html;charset=\"\\g\\b\\k\"", "text/html|charset=gbk", "text/html;charset=gbk"},
      {"x/y;p=\"a\\\\b\";q=\"\\;\"", "x/y|p=a\\b|q=;", "x/y;p=\"a\\\\b\";q=\";\""},
      // An escaped quote does not close: the quote runs to the end and drops the rest.
      {"x/y;a=1;p=\"a\\\";r=1", "x/y|a=1", "x/y;a=1"},
      // Outside quotes a backslash is a plain byte.
      {"x/y;\\=x\\y", "x/y|\\=x\\y", "x/y;\\=\"x\\\\y\""},
      {"x/y;q=\"a\"b\"c\"", "x/y|q=a\"b\"c", "x/y;q=\"a\\\"b\\\"c\""},
      {"x/y;q=a\"b;c\"", "x/y|q=a\"b;c\"", "x/y;q=\"a\\\"b;c\\\"\""},
      // Quotes around nothing give an empty value, written the same way.
      {"x/y;p=\"\"", "x/y|p=", "x/y;p=\"\""},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(hvMimeType, NullTextGivesEmptyType) {
  hvMimeType* mime = hvMimeType_Parse(nullptr);
  EXPECT_STREQ(hvMimeType_GetType(mime), "");
  EXPECT_EQ(hvMimeType_GetParameterCount(mime), 0u);
  hvMimeType_Free(mime);
  hvMimeType_Free(nullptr);
}

TEST(hvMimeType, AddedParametersAreWrittenWithQuotesWhereNeeded) {
  hvMimeType* mime = hvMimeType_Parse("application/x-dtcp1");
  hvMimeType_AddParameter(mime, "DTCP1HOST", "");
  hvMimeType_AddParameter(mime, "DTCP1PORT", "8000");
  hvMimeType_AddParameter(mime, "CONTENTFORMAT", "video/mpeg");
  hvMimeType_AddParameter(mime, "", "ignored");
  hvMimeType_AddParameter(mime, nullptr, "ignored");
  hvMimeType_AddParameter(mime, "a", "1");
  hvMimeType_AddParameter(mime, "A", "2");
  EXPECT_EQ(Written(mime),
            "application/x-dtcp1;DTCP1HOST;DTCP1PORT=8000;CONTENTFORMAT=\"video/mpeg\";a=1;A=2");
  hvMimeType_Free(mime);
}

TEST(hvMimeType, LooksParametersUpIgnoringCase) {
  hvMimeType* mime = hvMimeType_Parse("audio/L16;Rate=44100");
  hvMimeType_AddParameter(mime, "flag", nullptr);
  char* rate = hvMimeType_FindParameter(mime, "RATE");
  EXPECT_STREQ(rate, "44100");
  hvMemory_Free(rate);
  EXPECT_EQ(hvMimeType_FindParameter(mime, "flag"), nullptr);  // name only
  EXPECT_EQ(hvMimeType_FindParameter(mime, "bits"), nullptr);
  EXPECT_EQ(hvMimeType_FindParameter(mime, ""), nullptr);
  EXPECT_EQ(hvMimeType_FindParameter(mime, nullptr), nullptr);
  EXPECT_EQ(hvMimeType_HasParameter(mime, "FLAG"), 1);
  EXPECT_EQ(hvMimeType_HasParameter(mime, "channels"), 1);
  EXPECT_EQ(hvMimeType_HasParameter(mime, nullptr), 0);
  size_t count = hvMimeType_GetParameterCount(mime);
  EXPECT_EQ(hvMimeType_GetParameterName(mime, count), nullptr);
  EXPECT_EQ(hvMimeType_GetParameterValue(mime, count), nullptr);
  hvMimeType_Free(mime);
  mime = hvMimeType_Parse("text/html; charset=utf-8");
  char* charset = hvMimeType_FindParameter(mime, "charset");
  EXPECT_STREQ(charset, "utf-8");
  hvMemory_Free(charset);
  hvMimeType_Free(mime);
}

TEST(hvMimeType, SetParameterTextDropsQuotesAroundValuesOnly) {
  hvMimeType* mime = hvMimeType_Parse("x/y;a=1");
  hvMimeType_SetParameterText(mime, 0, 1, "\"v\"", 3);
  hvMimeType_SetParameterText(mime, 0, 0, "\"n\"", 3);
  hvMimeType_SetParameterText(mime, 5, 1, "ignored", 7);
  EXPECT_EQ(Render(mime), "x/y|\"n\"=v");
  hvMimeType_SetParameterText(mime, 0, 1, "\"a\\\"b\"", 6);
  EXPECT_EQ(Render(mime), "x/y|\"n\"=a\"b");
  // A NUL within the length is refused; it used to cut the value silently.
  hvMimeType_SetParameterText(mime, 0, 1, "c\0d", 3);
  hvMimeType_SetParameterText(mime, 0, 0, "m\0", 2);
  // So is a null text that claims bytes; it used to be read.
  hvMimeType_SetParameterText(mime, 0, 1, nullptr, 2);
  hvMimeType_SetParameterText(mime, 0, 0, nullptr, 1);
  EXPECT_EQ(Render(mime), "x/y|\"n\"=a\"b");
  hvMimeType_Free(mime);
}

struct MatchCase {
  const char* a;
  const char* b;
  int matches;
};

TEST(hvMimeType, MatchNeedsEveryParameterOfTheFirstText) {
  const MatchCase cases[] = {
      {"audio/mpeg", "AUDIO/MPEG;bitrate=128", 1},
      {"AUDIO/MPEG;bitrate=128", "audio/mpeg", 0},
      {"audio/L16;rate=44100", "audio/L16;rate=44100;channels=1", 1},
      {"audio/L16;rate=44100", "audio/L16;rate=44100;channels=2", 0},
      {"audio/L16;rate=44100;channels=2", "audio/L16;CHANNELS=2;RATE=44100", 1},
      {"x/y;a=B", "x/y;A=b", 1},
      {"x/y;a=1", "x/y;a=2;a=1", 1},
      {"audio/mp4", "audio/3gpp", 0},
      {"audio/mpeg", " audio/mpeg ", 1},
      {"text/html;charset=utf-8", "text/html; charset=UTF-8", 1},
      {"audio/L16; rate=44100; channels=2", "audio/L16;rate=44100;channels=2", 1},
      {"audio/L16; rate=44100; channels=2", "audio/L16;rate=44100", 0},
      {nullptr, "", 1},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(hvMimeType_Match(c.a, c.b), c.matches)
        << "a: " << (c.a ? c.a : "(null)") << "\nb: " << c.b;
  }
}

TEST(hvMimeType, NameOnlyParametersMatchOnlyNameOnlyOnes) {
  hvMimeType* mime = hvMimeType_Parse("x/y");
  hvMimeType_AddParameter(mime, "flag", nullptr);
  EXPECT_EQ(hvMimeType_MatchesText(mime, "x/y;flag=1"), 0);
  hvMimeType_Free(mime);
}

// Regression: matching compared every parameter pair, so two texts with thousands of
// parameters took seconds.
TEST(hvMimeType, MatchingManyParametersStaysFast) {
  std::string text = "x/y";
  for (int i = 0; i < 20000; ++i) text += ";p" + std::to_string(i) + "=v" + std::to_string(i);
  EXPECT_EQ(hvMimeType_Match(text.c_str(), text.c_str()), 1);
}

}  // namespace
