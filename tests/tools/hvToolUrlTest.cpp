// hvstream url and info: the URL component and a stream's answers about a file.
#include "hulvoStreaming/hvPath.h"
#include "hvToolTestUtil.h"

namespace {

TEST_F(hvToolTest, UrlParseShowsEveryPartUnescaped) {
  hvToolRun run = Run({"url", "parse", "http://me@host:8080/a%20b/c.mp3?x=1#top"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* expected : {"  scheme               http", "  user info            me",
                               "  port                 8080", "  path                 /a b/c.mp3",
                               "  extension            mp3", "  fragment             top"})
    EXPECT_NE(run.out.find(std::string(expected) + "\n"), std::string::npos) << expected;
}

// Used to report user info "example.com?u=a" and host evil.com.
TEST_F(hvToolTest, UrlParseTakesTheHostFromTheAuthorityOnly) {
  hvToolRun run = Run({"url", "parse", "http://example.com?u=a@evil.com"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* expected :
       {"  user info            (none)", "  host                 example.com",
        "  query                u=a@evil.com"})
    EXPECT_NE(run.out.find(std::string(expected) + "\n"), std::string::npos) << run.out;
}

TEST_F(hvToolTest, UrlParseJsonHasNullForAbsentParts) {
  hvToolRun run = Run({"url", "parse", "--json", "--raw", "file:///C:/a%20b.mp3", "x"});
  ASSERT_EQ(hvExpectJsonLines(run.out), 2u);
  EXPECT_NE(run.out.find("\"path\":\"/C:/a%20b.mp3\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"port\":null"), std::string::npos);
}

TEST_F(hvToolTest, UrlResolveTakesEachReferenceAgainstTheBase) {
  hvToolRun run = Run({"url", "resolve", "http://server/a/b.html?x=1", "c.mp3", "/d/e.mp3?y=2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "http://server/a/c.mp3\nhttp://server/d/e.mp3?y=2\n");
}

TEST_F(hvToolTest, UrlFilePathsRoundTrip) {
  // Windows paths separate with backslashes; elsewhere a backslash is a byte of a name.
  const bool slashRoots = hvPath_IsAbsolute("/");
  const char* path = slashRoots ? "/music/a\\b c.mp3" : "C:\\Music\\a b.mp3";
  const char* url = slashRoots ? "file:///music/a%5Cb%20c.mp3" : "file:///C:/Music/a%20b.mp3";
  const char* back = slashRoots ? "/music/a\\b c.mp3\n" : "C:/Music/a b.mp3\n";
  EXPECT_EQ(Run({"url", "from-path", path}).out, std::string(url) + "\n");
  EXPECT_EQ(Run({"url", "to-path", url}).out, back);
}

TEST_F(hvToolTest, UrlToPathOfAnHttpUrlIsBadInput) {
  hvToolRun run = Run({"url", "to-path", "--json", "http://server/a.mp3"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "{\"input\":\"http://server/a.mp3\",\"output\":null}\n");
  EXPECT_NE(run.err.find("not a \"file\" URL"), std::string::npos);
}

TEST_F(hvToolTest, UrlEscapeAndUnescape) {
  EXPECT_EQ(Run({"url", "escape", "--part", "path", "a b/c?"}).out, "a%20b/c%3f\n");
  EXPECT_EQ(Run({"url", "unescape", "--form", "a+b%41"}).out, "a bA\n");
  EXPECT_EQ(Run({"url", "escape", "--part", "host", "x"}).exitCode, 2);
}

TEST_F(hvToolTest, InfoAnswersAsTheStreamDoes) {
  std::string path = m_files.WriteFile("clip.MP3", hvPatternBytes(5000));
  hvToolRun run = Run({"info", "--json", path});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(hvExpectJsonLines(run.out), 1u);
  for (const char* expected : {"\"size\":5000", "\"mt\":\"audio/mpeg\"", "\"fe\":\"mp3\"",
                               "\"byteSeek\":true", "\"timeSeek\":false", "\"pauseAllowed\":true"})
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in " << run.out;
}

TEST_F(hvToolTest, InfoFollowsTheProtocolInfoGiven) {
  std::string path = m_files.WriteFile("clip.mpg", hvPatternBytes(100));
  hvToolRun run = Run({"info", path, "--protocol-info", "http-get:*:video/mpeg:DLNA.ORG_OP=10",
                       "--mime", "video/MPEG"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("  byte seek            no (Support 5)\n"), std::string::npos);
  EXPECT_NE(run.out.find("  time seek            yes (Support 6)\n"), std::string::npos);
  EXPECT_NE(run.out.find("mt=video/mpeg"), std::string::npos) << run.out;
}

TEST_F(hvToolTest, InfoReportsAnInvalidProtocolInfo) {
  std::string path = m_files.WriteFile("clip.mpg", hvPatternBytes(100));
  hvToolRun run = Run({"info", path, "--protocol-info", "video/mpeg"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("invalid protocolInfo"), std::string::npos);
  EXPECT_EQ(Run({"info", m_files.File("absent.mpg")}).exitCode, 1);
}

}  // namespace
