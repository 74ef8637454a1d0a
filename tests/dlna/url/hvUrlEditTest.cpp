// Records, setters, escaping, query items and host queries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hvUrlTestUtil.h"

namespace {

std::string Escape(const char* text, unsigned classBits) {
  return Take(hvUrl_EscapeText(text, classBits, false));
}

std::string Unescape(const char* text, bool form = false) {
  char* copy = hvMemory_Strdup(text);
  return Take(form ? hvUrl_UnescapeFormText(copy) : hvUrl_UnescapeText(copy));
}

// The class bits the byte table gives each byte, read back through escaping.
unsigned ClassOf(unsigned char byte) {
  const char text[2] = {static_cast<char>(byte), '\0'};
  unsigned bits = 0;
  for (unsigned bit : {1u, 2u, 4u, 8u}) {
    if (Escape(text, bit) == text) bits |= bit;
  }
  return bits;
}

TEST(UrlEscape, ClassTableMatchesTheUrlParts) {
  for (int byte = 1; byte < 256; ++byte) {
    unsigned expected = 0;
    if (isalnum(byte) || (byte != 0 && strchr("!$&'()*+,-.:;=\\_~", byte))) {
      expected = 15;
    } else if (byte == '/' || byte == '@') {
      expected = 14;
    } else if (byte == '?') {
      expected = 12;
    }
    EXPECT_EQ(ClassOf(static_cast<unsigned char>(byte)), expected) << "byte " << byte;
  }
}

TEST(UrlEscape, EscapesWithLowerCaseDigits) {
  EXPECT_EQ(Escape("a b/c?d", khvUrlClass_Path), "a%20b/c%3fd");
  EXPECT_EQ(Escape("a b/c?d", khvUrlClass_Query), "a%20b/c?d");
  EXPECT_EQ(Escape("a/b@c", khvUrlClass_UserInfo), "a%2fb%40c");
  EXPECT_EQ(Escape("%20", khvUrlClass_Path | khvUrlClass_Query), "%2520");
  EXPECT_EQ(Escape("\xff\x80\"<>", khvUrlClass_Fragment), "%ff%80%22%3c%3e");
  EXPECT_EQ(Escape("plain", 0), "%70%6c%61%69%6e");
  EXPECT_EQ(Escape("", khvUrlClass_Path), "");
  EXPECT_EQ(Take(hvUrl_EscapeText(nullptr, khvUrlClass_Path, true)), "(null)");
  EXPECT_EQ(Take(hvUrl_EscapeText(hvMemory_Strdup("a b"), khvUrlClass_Path, true)), "a%20b");
}

TEST(UrlEscape, UnescapesValidEscapesOnly) {
  EXPECT_EQ(Unescape("%41%4g%"), "A%4g%");
  EXPECT_EQ(Unescape("%4"), "%4");
  EXPECT_EQ(Unescape("%e2%82%AC+"), "\xe2\x82\xac+");
  EXPECT_EQ(Unescape("%2541"), "%41");
  EXPECT_EQ(Unescape("a+b%2B", true), "a b+");
  EXPECT_EQ(hvUrl_UnescapeText(nullptr), nullptr);
  // No NUL is made: "%00" used to cut the text there.
  EXPECT_EQ(Unescape("a%00b%41"), "a%00bA");
  EXPECT_EQ(Unescape("%00+%01", true), "%00 \x01");
}

TEST(UrlEscape, FieldsEscapeAndUnescapeByMember) {
  UrlPtr url(hvUrl_ParseRaw("http://u s@h s/p q?a b=c d&e#f g"));
  hvUrl_EscapeFields(url.get());
  EXPECT_EQ(Render(url.get()), "http|u%20s|h s|0|/p%20q|a%20b=c%20d&e|f%20g");
  hvUrl_UnescapeFields(url.get());
  EXPECT_EQ(Render(url.get()), "http|u s|h s|0|/p q|a b=c d&e|f g");
}

TEST(UrlRecord, CreateEscapesAndChecks) {
  UrlPtr url(hvUrl_Create("http", "h", 0x10050, "/a b"));
  EXPECT_EQ(Render(url.get()), "http|-|h|80|/a%20b|-|-");
  UrlPtr full(hvUrl_CreateFull("http", "u@x", "h", 1, "/../x", "q r", "f#"));
  EXPECT_EQ(Render(full.get()), "http|u%40x|h|1||q%20r|f%23");
  UrlPtr empty(hvUrl_Create(nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(Render(empty.get()), "-|-|-|0|-|-|-");
}

TEST(UrlRecord, CopyClearAndEmptiness) {
  UrlPtr url(hvUrl_ParseRaw("http://u@h:5/p?q#f"));
  UrlPtr copy(hvUrl_Copy(url.get()));
  EXPECT_EQ(Render(copy.get()), Render(url.get()));
  EXPECT_NE(copy->path, url->path);
  hvUrl_Clear(copy.get());
  EXPECT_EQ(Render(copy.get()), "-|-|-|0|-|-|-");
  EXPECT_TRUE(hvUrl_IsEmpty(copy.get()));
  copy->port = 80;
  copy->query = hvMemory_Strdup("");
  EXPECT_TRUE(hvUrl_IsEmpty(copy.get()));
  EXPECT_FALSE(hvUrl_IsEmpty(url.get()));
  EXPECT_TRUE(hvUrl_IsEmpty(nullptr));
  EXPECT_EQ(hvUrl_Copy(nullptr), nullptr);
  hvUrl_Clear(nullptr);
  hvUrl_Free(nullptr);
}

TEST(UrlSetters, EmptyTextClearsAndRawIsKept) {
  UrlPtr url(hvUrl_New());
  hvUrl_SetScheme(url.get(), "a b");
  hvUrl_SetHost(url.get(), "h h");
  hvUrl_SetUserInfo(url.get(), "u:p@");
  hvUrl_SetPath(url.get(), "/a b");
  hvUrl_SetQuery(url.get(), "x=1 2");
  hvUrl_SetFragment(url.get(), "#");
  hvUrl_SetPort(url.get(), 65536 + 7);
  EXPECT_EQ(Render(url.get()), "a b|u:p%40|h h|7|/a%20b|x=1%202|%23");
  hvUrl_SetPath(url.get(), "/%20", khvUrlClass_Raw);
  hvUrl_SetQuery(url.get(), "a b", khvUrlClass_Raw);
  EXPECT_EQ(Render(url.get()), "a b|u:p%40|h h|7|/%20|a b|%23");
  hvUrl_SetPath(url.get(), "/a/./b");
  EXPECT_STREQ(url->path, "");
  hvUrl_SetScheme(url.get(), "");
  hvUrl_SetUserInfo(url.get(), nullptr);
  hvUrl_SetPath(url.get(), "");
  EXPECT_EQ(Render(url.get()), "-|-|h h|7|-|a b|%23");
}

TEST(UrlSetters, AppendPathReplacesTheLastElement) {
  struct Case {
    const char* path;
    const char* relative;
    const char* result;
  } cases[] = {
      {"/a/b/c.mp4", "d.mp4", "/a/b/d.mp4"},
      {"/a/b/", "x", "/a/b/x"},
      {"c.mp4", "d", "/d"},
      {nullptr, "a b", "a%20b"},
      {"/a/b", "c d/e", "/a/c%20d/e"},
      {"/a/b", "../c", ""},
      {"/a/b", nullptr, "/a/b"},
      {nullptr, nullptr, "-"},
  };
  for (const Case& c : cases) {
    UrlPtr url(hvUrl_New());
    if (c.path) url->path = hvMemory_Strdup(c.path);
    hvUrl_AppendPath(url.get(), c.relative);
    EXPECT_STREQ(url->path ? url->path : "-", c.result)
        << (c.path ? c.path : "(null)") << " + " << (c.relative ? c.relative : "(null)");
  }
}

TEST(UrlQueries, ExtensionIsTheLastDottedPartOfTheLastElement) {
  struct Case {
    const char* input;
    const char* extension;
  } cases[] = {
      {"http://h/x/y.MP3", "MP3"},     {"http://h/a.b/c", ""}, {"http://h/a.b\\c", ""},
      {"http://h/a.tar.gz?x.y", "gz"}, {"http://h/a.", ""},    {"http://h", ""},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(hvUrl_GetExtension(Parse(c.input).get()), c.extension) << c.input;
  }
}

TEST(UrlQueries, Ipv4AddressIsInNetworkOrder) {
  auto bytes = [](const char* input) {
    const uint32_t address = hvUrl_GetIPv4Address(Parse(input).get());
    unsigned char b[4];
    memcpy(b, &address, 4);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
  };
  EXPECT_EQ(bytes("http://localhost/"), "127.0.0.1");
  EXPECT_EQ(bytes("http://192.168.1.20:80/"), "192.168.1.20");
  EXPECT_EQ(hvUrl_GetIPv4Address(Parse("http://LOCALHOST/").get()), 0xFFFFFFFFu);
  EXPECT_EQ(hvUrl_GetIPv4Address(Parse("http://server/").get()), 0xFFFFFFFFu);
  EXPECT_EQ(hvUrl_GetIPv4Address(Parse("/no/host").get()), 0xFFFFFFFFu);

  UrlPtr url(hvUrl_New());
  hvUrl_SetHostIPv4(url.get(), 0xC0A80114u);
  EXPECT_STREQ(url->host, "192.168.1.20");
  hvUrl_SetHostIPv4(url.get(), 0xFFFFFFFFu);
  EXPECT_STREQ(url->host, "255.255.255.255");
}

class UrlParams : public ::testing::Test {
 protected:
  void Query(const char* query) { hvUrl_SetQuery(url.get(), query, khvUrlClass_Raw); }
  std::string Held() const { return url->query ? url->query : "-"; }
  std::string Get(const char* name) { return Take(hvUrl_GetParam(url.get(), name)); }
  std::string Find(const char* name) {
    size_t length = 99;
    const char* span = hvUrl_FindParam(url.get(), name, &length);
    if (!span) return length == 0 ? "(none)" : "(bad length)";
    return std::string(span, length);
  }

  UrlPtr url{hvUrl_New()};
};

TEST_F(UrlParams, FindsWholeNamesOnly) {
  Query("ab=1&b=2&bare&b2=3&b=4");
  EXPECT_EQ(Get("b"), "2");
  EXPECT_EQ(Get("ab"), "1");
  EXPECT_EQ(Get("bare"), "");
  EXPECT_EQ(Get("a"), "(null)");
  EXPECT_EQ(Get("=1"), "(null)");
  EXPECT_EQ(Find("ab"), "ab=1");
  EXPECT_EQ(Find("b"), "&b=2");
  EXPECT_EQ(Find("bare"), "&bare");
  EXPECT_EQ(Find("x"), "(none)");
  EXPECT_EQ(Find(""), "(none)");
  Query("a=1&");
  EXPECT_EQ(Find(""), "&");
}

TEST_F(UrlParams, RemoveLeavesTheFollowingSeparator) {
  Query("a=1&b=2");
  hvUrl_RemoveParam(url.get(), "b");
  EXPECT_EQ(Held(), "a=1");
  Query("a=1&b=2");
  hvUrl_RemoveParam(url.get(), "a");
  EXPECT_EQ(Held(), "&b=2");
  hvUrl_RemoveParam(url.get(), "zz");
  EXPECT_EQ(Held(), "&b=2");
}

TEST_F(UrlParams, SetReplacesOrAppends) {
  Query("a=1");
  hvUrl_SetParam(url.get(), "c", "3");
  EXPECT_EQ(Held(), "a=1&c=3");
  hvUrl_SetParam(url.get(), "a", "x y");
  EXPECT_EQ(Held(), "&c=3&a=x y");
  Query("a=1");
  hvUrl_SetParam(url.get(), "c", nullptr);
  EXPECT_EQ(Held(), "a=1&c");
  hvUrl_SetParam(url.get(), "d", "");
  EXPECT_EQ(Held(), "a=1&c&d=");
  Query(nullptr);
  hvUrl_SetParam(url.get(), "k", "v");
  EXPECT_EQ(Held(), "k=v");
  hvUrl_SetParam(url.get(), "k", "w");
  EXPECT_EQ(Held(), "k=w");
}

TEST_F(UrlParams, NoQueryFindsNothing) {
  EXPECT_EQ(Get("a"), "(null)");
  EXPECT_EQ(Find("a"), "(none)");
  hvUrl_RemoveParam(url.get(), "a");
  EXPECT_EQ(Held(), "-");
}

}  // namespace
