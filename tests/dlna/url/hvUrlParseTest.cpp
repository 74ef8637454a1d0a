// Splitting and joining: each case gives the text, the record it splits into and the text
// the record joins back to.
#include <gtest/gtest.h>

#include <string>

#include "hvUrlTestUtil.h"

namespace {

struct ParseCase {
  const char* input;
  const char* record;  // Render() of the raw split
  const char* joined;  // hvUrl_Format of that record
};

void ExpectCases(const ParseCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const ParseCase& c = cases[i];
    UrlPtr url = Parse(c.input);
    EXPECT_EQ(Render(url.get()), c.record) << "input: " << c.input;
    EXPECT_EQ(Format(url), c.joined) << "input: " << c.input;
  }
}

TEST(UrlParse, CommonUrlsSplitAndJoinBack) {
  const ParseCase cases[] = {
      {"http://user@[::1]:8080/a/b.mp4?x=1#t", "http|user|::1|8080|/a/b.mp4|x=1|t",
       "http://user@[::1]:8080/a/b.mp4?x=1#t"},
      {"rtsp://10.0.0.1:554/live.sdp", "rtsp|-|10.0.0.1|554|/live.sdp|-|-",
       "rtsp://10.0.0.1:554/live.sdp"},
      {"http://host", "http|-|host|0|-|-|-", "http://host"},
      {"http://u:p@h:1/", "http|u:p|h|1|/|-|-", "http://u:p@h:1/"},
      {"//host/p", "-|-|host|0|/p|-|-", "//host/p"},
      {"////p", "-|-|-|0|//p|-|-", "////p"},
      {"http://h/p?a#b#c", "http|-|h|0|/p|a|b#c", "http://h/p?a#b#c"},
      {"http://h?#", "http|-|h|0|-||", "http://h?#"},
      {"?q#f", "-|-|-|0|-|q|f", "?q#f"},
      {"file:///C:/Music/a.mp3", "file|-|-|0|/C:/Music/a.mp3|-|-", "file:///C:/Music/a.mp3"},
      {"", "-|-|-|0|-|-|-", ""},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(UrlParse, SchemesDrivesAndOpaquePaths) {
  const ParseCase cases[] = {
      {"C:\\Music\\a.mp3", "-|-|-|0|C:\\Music\\a.mp3|-|-", "C:\\Music\\a.mp3"},
      {"c:/x", "-|-|-|0|c:/x|-|-", "c:/x"},
      // A path alone gets no "//": it would be read back as a host.
      {"c:x", "c|-|-|0|x|-|-", "c:x"},
      {"x-rincon-queue:RINCON_000E5#0", "x-rincon-queue|-|-|0|RINCON_000E5|-|0",
       "x-rincon-queue:RINCON_000E5#0"},
      {"mailto:a@b", "mailto|-|-|0|a@b|-|-", "mailto:a@b"},
      {":x", "|-|-|0|x|-|-", ":x"},
      {"ab:", "ab|-|-|0|-|-|-", "ab:"},
      {"/a:b", "-|-|-|0|/a:b|-|-", "/a:b"},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(UrlParse, AuthorityBoundaries) {
  const ParseCase cases[] = {
      // The authority ends at the first '/', '?' or '#': an '@' after it used to turn the
      // real host into user info and name a host the URL never named.
      {"http://server?a@b/c", "http|-|server|0|-|a@b/c|-", "http://server?a@b/c"},
      {"http://example.com?u=a@evil.com", "http|-|example.com|0|-|u=a@evil.com|-",
       "http://example.com?u=a@evil.com"},
      {"http://example.com#a@evil.com:81", "http|-|example.com|0|-|-|a@evil.com:81",
       "http://example.com#a@evil.com:81"},
      {"http://u@h/p@q:1", "http|u|h|0|/p@q:1|-|-", "http://u@h/p@q:1"},
      {"http://[::1]:80?a]", "http|-|::1|80|-|a]|-", "http://[::1]:80?a]"},
      {"http://[::1/p]", "http|-|::1|0|/p]|-|-", "http://[::1]/p]"},
      {"http://[::1", "http|-|::1|0|-|-|-", "http://[::1]"},
      {"http://[v1.x]/p", "http|-|v1.x|0|/p|-|-", "http://v1.x/p"},
      {"http://@h", "http||h|0|-|-|-", "http://@h"},
      {"http://:80/p", "http|-|-|80|/p|-|-", "http:///p"},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(UrlParse, PortsAreDecimalUpTo65535) {
  const ParseCase cases[] = {
      {"http://server:65535/", "http|-|server|65535|/|-|-", "http://server:65535/"},
      {"http://h:0080?q", "http|-|h|80|-|q|-", "http://h:80?q"},
      {"http://h:/p", "http|-|h|0|/p|-|-", "http://h/p"},
      {"http://h:0/p", "http|-|h|0|/p|-|-", "http://h/p"},
      // Anything else makes the authority unreadable: no host and no port, never a wrapped
      // port (65536 used to read as 0, 4294967377 as 81) or digits cut short ("80path1").
      {"http://server:65536/", "http|-|-|0|/|-|-", "http:///"},
      {"http://f:4294967377/c", "http|-|-|0|/c|-|-", "http:///c"},
      {"http://f:999999/c", "http|-|-|0|/c|-|-", "http:///c"},
      {"http://w3c.org:80path1/path2", "http|-|-|0|/path2|-|-", "http:///path2"},
      {"http://2001::1", "http|-|-|0|-|-|-", "http:"},
      {"http://h:+80/p", "http|-|-|0|/p|-|-", "http:///p"},
      {"http://u@[::1]x:80/p?q", "http|u|-|0|/p|q|-", "http://u@/p?q"},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(UrlParse, EmptyBracketedHostEndsTheSplit) {
  const ParseCase cases[] = {
      {"http://[]/x?q", "http|-|-|0|-|-|-", "http:"},
      {"http://u@[", "http|u|-|0|-|-|-", "http://u@"},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(UrlParse, DotSegmentsEmptyThePath) {
  const ParseCase cases[] = {
      {"http://server/a/../b", "http|-|server|0||-|-", "http://server/"},
      {"http://server/./b?q", "http|-|server|0||q|-", "http://server/?q"},
      {"C:\\a\\..\\b", "-|-|-|0||-|-", ""},
      {"http://server/a.b/c", "http|-|server|0|/a.b/c|-|-", "http://server/a.b/c"},
      {"http://server/a/..", "http|-|server|0||-|-", "http://server/"},
      {"http://server/a/.../b", "http|-|server|0|/a/.../b|-|-", "http://server/a/.../b"},
      // Hidden folders are names, not dot segments; they used to empty the path.
      {"file:///home/u/.local/share/a.mp3", "file|-|-|0|/home/u/.local/share/a.mp3|-|-",
       "file:///home/u/.local/share/a.mp3"},
      {"http://server/a./b", "http|-|server|0|/a./b|-|-", "http://server/a./b"},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
}

// Short texts are split from one bit per byte and 16-byte blocks, long ones by searching:
// each shape, stretched byte by byte past 64, must split alike at every length.
TEST(UrlParse, ShapesSplitAlikeAtEveryLength) {
  const struct {
    const char* input;   // '*' stands for the filler
    const char* record;  // Render() of the split
  } shapes[] = {
      {"http://u*@h*:81/p*?q*#f*", "http|u*|h*|81|/p*|q*|f*"},
      {"sc*:/p*.x", "sc*|-|-|0|/p*.x|-|-"},
      {"http://h/*/../x?q", "http|-|h|0||q|-"},
      {"http://h/*/..", "http|-|h|0||-|-"},
      {"file:///*\\.\\b#f", "file|-|-|0||-|f"},
      {"http://h/*/.b/c./..d", "http|-|h|0|/*/.b/c./..d|-|-"},
      {"*/./", "-|-|-|0||-|-"},
      {"//[::1*]:8/*@x:y", "-|-|::1*|8|/*@x:y|-|-"},
      {"http://h:8*x/p", "http|-|-|0|/p|-|-"},
      {"x*:?#", "x*|-|-|0|-||"},
  };
  for (const auto& shape : shapes) {
    for (size_t length = 0; length <= 80; ++length) {
      auto fill = [&](std::string text) {
        for (size_t at; (at = text.find('*')) != std::string::npos;)
          text.replace(at, 1, std::string(length, 'a'));
        return text;
      };
      const std::string input = fill(shape.input);
      EXPECT_EQ(Render(Parse(input.c_str()).get()), fill(shape.record)) << "input: " << input;
    }
  }
}

TEST(UrlParse, SurroundingWhiteSpaceIsDropped) {
  const ParseCase cases[] = {
      {" \t\r\n\v\fhttp://h/p \r\n", "http|-|h|0|/p|-|-", "http://h/p"},
      {"http://h/a b", "http|-|h|0|/a b|-|-", "http://h/a b"},
      {"   ", "-|-|-|0|-|-|-", ""},
      // The blanks after the text end every part that runs to the end, as a terminator would.
      {"http://h:80 \t", "http|-|h|80|-|-|-", "http://h:80"},
      {"http://[::1 ", "http|-|::1|0|-|-|-", "http://[::1]"},
      {"http://h/a/.. ", "http|-|h|0||-|-", "http://h/"},
      {"http://h/p?q \n", "http|-|h|0|/p|q|-", "http://h/p?q"},
      {"http://h/p#f\r\n", "http|-|h|0|/p|-|f", "http://h/p#f"},
  };
  ExpectCases(cases, sizeof cases / sizeof cases[0]);
  EXPECT_EQ(Render(Parse(nullptr).get()), "-|-|-|0|-|-|-");
}

TEST(UrlParse, UnescapingTouchesUserInfoPathQueryAndFragmentOnly) {
  const char* input = "http://a%40b@h%41/x%20y?q=x+y%21#f%2B";
  EXPECT_EQ(Render(Parse(input, true).get()), "http|a@b|h%41|0|/x y|q=x y!|f+");
  EXPECT_EQ(Render(Parse(input, false).get()), "http|a%40b|h%41|0|/x%20y|q=x+y%21|f%2B");
  EXPECT_EQ(Render(UrlPtr(hvUrl_ParseDecoded("http://server/a%20b?q=x+y%21")).get()),
            "http|-|server|0|/a b|q=x y!|-");
  EXPECT_EQ(Render(UrlPtr(hvUrl_ParseRaw("http://server/a%20b?q=x+y%21")).get()),
            "http|-|server|0|/a%20b|q=x+y%21|-");
  // "%00" stays escaped in every member: a NUL used to cut the member short.
  EXPECT_EQ(Render(Parse("http://u%00v@h/p%00.mp3?q=%00#f%00", true).get()),
            "http|u%00v|h|0|/p%00.mp3|q=%00|f%00");
}

// Used to let "%2e%2e" through: the path was checked only before it was unescaped.
TEST(UrlParse, EscapedDotSegmentsAreRefusedAfterUnescaping) {
  EXPECT_EQ(Render(Parse("file:///C:/m/%2e%2e/%2E%2E/x", true).get()), "file|-|-|0||-|-");
  EXPECT_EQ(Render(Parse("file:///C:/m/%2e%2e/x", false).get()), "file|-|-|0|/C:/m/%2e%2e/x|-|-");
}

TEST(UrlFormat, MembersAreWrittenAsHeld) {
  UrlPtr url(hvUrl_New());
  EXPECT_EQ(Format(url), "");
  url->host = hvMemory_Strdup("h");
  url->path = hvMemory_Strdup("p q");
  url->port = 8080;
  EXPECT_EQ(Format(url), "//h:8080/p q");
  url->scheme = hvMemory_Strdup("http");
  EXPECT_EQ(Format(url), "http://h:8080/p q");
  hvMemory_Free(url->host);
  url->host = nullptr;
  // Without a host the port is not written, and the path is written as it is.
  EXPECT_EQ(Format(url), "http:p q");
  EXPECT_EQ(Take(hvUrl_Format(nullptr)), "");
}

// Used to overrun its allocation: brackets, port and separators were not all counted.
TEST(UrlFormat, LongMembersFitTheirAllocation) {
  const std::string host(300, ':');
  const std::string text(1000, 'x');
  UrlPtr url(hvUrl_New());
  url->scheme = hvMemory_Strdup(text.c_str());
  url->userInfo = hvMemory_Strdup(text.c_str());
  url->host = hvMemory_Strdup(host.c_str());
  url->port = 65535;
  url->path = hvMemory_Strdup(text.c_str());
  url->query = hvMemory_Strdup("");
  url->fragment = hvMemory_Strdup("");
  const std::string joined = Format(url);
  EXPECT_EQ(joined, text + "://" + text + "@[" + host + "]:65535/" + text + "?#");
}

}  // namespace
