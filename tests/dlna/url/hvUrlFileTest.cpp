// Whole-text conversions: file paths, resolving, stripping and escaping whole URLs.
#include <gtest/gtest.h>

#include <string>

#include "hvUrlTestUtil.h"

namespace {

std::string FromFile(const char* path) { return Take(hvUrl_FromFilePath(path)); }
std::string ToFile(const char* text) { return Take(hvUrl_ToFilePath(text)); }
std::string Resolve(const char* base, const char* reference) {
  return Take(hvUrl_Resolve(base, reference));
}

TEST(UrlFilePath, WindowsPathsGiveTheSameUrlsOnEverySystem) {
  EXPECT_EQ(ToFile("file:///C:/Music/a%20b.mp3"), "C:/Music/a b.mp3");
  EXPECT_EQ(ToFile("file:///C:/100%25/%231.mp3"), "C:/100%/#1.mp3");
  EXPECT_EQ(ToFile("file:///c:"), "c:");
  // Used to give C:/etc/passwd, which passed a check of the extension on the URL.
  EXPECT_EQ(ToFile("file:///C:/etc/passwd%00.mp3"), "C:/etc/passwd%00.mp3");
  EXPECT_EQ(ToFile("file://///server/share/a.mp3"), "//server/share/a.mp3");
  EXPECT_EQ(FromFile(nullptr), "(null)");
}

TEST(UrlFilePath, BackslashesSeparateOnWindowsOnly) {
  if (SlashRootsPaths()) {
    // A backslash is a byte of a name here; it used to become '/', so the name did not
    // come back from the URL.
    EXPECT_EQ(FromFile("/tmp/a\\b.mp3"), "file:///tmp/a%5Cb.mp3");
    EXPECT_EQ(ToFile("file:///tmp/a%5Cb.mp3"), "/tmp/a\\b.mp3");
    EXPECT_EQ(ToFile("file:///tmp/a%5cb.mp3"), "/tmp/a\\b.mp3");
    EXPECT_EQ(FromFile("/tmp/100%\\#1 x.mp3"), "file:///tmp/100%25%5C%231%20x.mp3");
    EXPECT_EQ(ToFile("file:///tmp/100%25%5C%231%20x.mp3"), "/tmp/100%\\#1 x.mp3");
  } else {
    EXPECT_EQ(FromFile("C:\\Music\\a b.mp3"), "file:///C:/Music/a%20b.mp3");
    EXPECT_EQ(FromFile("C:\\100%\\#1.mp3"), "file:///C:/100%25/%231.mp3");
    EXPECT_EQ(FromFile("\\\\server\\share\\a.mp3"), "file://///server/share/a.mp3");
    EXPECT_EQ(FromFile("C:\\a\\..\\b"), "file:");
  }
}

TEST(UrlFilePath, OnlyFileUrlsWithRootedPathsConvert) {
  // The last one used to give C:/a: "a?b" was taken as user info and "c" as the host.
  const char* texts[] = {"http://h/C:/a",    "FILE:///C:/a", "file:C:/a", "file://", nullptr, "",
                         "file://a?b@c/C:/a"};
  for (const char* text : texts) EXPECT_EQ(ToFile(text), "(null)") << (text ? text : "(null)");
  EXPECT_EQ(ToFile("file://host/C:/a"), "C:/a");
}

TEST(UrlFilePath, SetFilePathTakesAbsolutePathsOnly) {
  UrlPtr url(hvUrl_ParseRaw("file:///x"));
  hvUrl_SetFilePath(url.get(), "D:\\My Music");
  EXPECT_STREQ(url->path, "/D:\\My%20Music");
  hvUrl_SetFilePath(url.get(), "relative/a.mp3");
  EXPECT_EQ(url->path, nullptr);
  hvUrl_SetFilePath(url.get(), "");
  EXPECT_STREQ(url->path, "/");
  hvUrl_SetFilePath(url.get(), "/srv/a");
  EXPECT_STREQ(url->path, SlashRootsPaths() ? "/srv/a" : nullptr);
}

TEST(UrlResolve, HttpReferencesReplacePathAndQuery) {
  const char* base = "http://user@server:8080/a/b.html?x=1#top";
  EXPECT_EQ(Resolve(base, "c.mp3"), "http://user@server:8080/a/c.mp3#top");
  EXPECT_EQ(Resolve(base, "/d/e.mp3?y=2"), "http://user@server:8080/d/e.mp3?y=2#top");
  EXPECT_EQ(Resolve(base, "sub/f g.mp3?q=a+b"),
            "http://user@server:8080/a/sub/f%20g.mp3?q=a%20b#top");
  EXPECT_EQ(Resolve(base, "?z"), "http://user@server:8080/a/b.html?z#top");
  EXPECT_EQ(Resolve("http://server/a/b.html?x=1", "c.mp3"), "http://server/a/c.mp3");
  EXPECT_EQ(Resolve("http://server/a/b.html?x=1", "/d/e.mp3?y=2"), "http://server/d/e.mp3?y=2");
  EXPECT_EQ(Resolve("HTTPS://server/a/", "../x"), "HTTPS://server/a/");
}

// Used to resolve against the host evil.com: the '@' of the query ended the user info.
TEST(UrlResolve, BaseHostIsNeverTakenFromTheQuery) {
  EXPECT_EQ(Resolve("http://example.com?u=a@evil.com", "x.mp3"), "http://example.com/x.mp3");
  EXPECT_EQ(Resolve("http://example.com#a@evil.com/b", "/x"), "http://example.com/x#a@evil.com/b");
}

TEST(UrlResolve, AbsoluteReferencesAndOtherBases) {
  EXPECT_EQ(Resolve("http://server/a/b.html", "rtsp://server/x"), "rtsp://server/x");
  EXPECT_EQ(Resolve("http://server/a", "rtsp://server/a%20b"), "rtsp://server/a b");
  EXPECT_EQ(Resolve("rtsp://server/a/b", "c"), "rtsp://server/a/b");
  EXPECT_EQ(Resolve("server/a/b?q", "c"), "?q");
  EXPECT_EQ(Resolve(nullptr, nullptr), "");
}

TEST(UrlResolve, FileBasesResolveAgainstTheFolder) {
  EXPECT_EQ(Resolve("file:///C:/Music/list.m3u", "a.mp3"), "file:///C:/Music/a.mp3");
  EXPECT_EQ(Resolve("file:///C:/Music/", "a.mp3"), "file:///C:/Music/a.mp3");
  EXPECT_EQ(Resolve("file:///C:/Music/list.m3u", "D:\\x.mp3"), "file:///D:\\x.mp3");
  EXPECT_EQ(Resolve("file:///C:/Music/list.m3u", "#x"), "file:///C:/Music/list.m3u");
  if (SlashRootsPaths()) {
    EXPECT_EQ(Resolve("file:///music/list.m3u", "a b.mp3"), "file:///music/a%20b.mp3");
    EXPECT_EQ(Resolve("file:///music/list.m3u", "/other/x.mp3"), "file:///other/x.mp3");
  }
}

// Used to give file:///C:/My%2520Music/a.mp3: the escaped URL path was made absolute and
// then escaped a second time.
TEST(UrlResolve, FileBaseWithEscapesIsEscapedOnce) {
  EXPECT_EQ(Resolve("file:///C:/My%20Music/list.m3u", "a b.mp3"),
            "file:///C:/My%20Music/a%20b.mp3");
}

TEST(UrlWholeText, StripUnescapeAndEscape) {
  EXPECT_EQ(Take(hvUrl_StripQueryAndFragment("http://h/a%20b?x=1#f")), "http://h/a b");
  EXPECT_EQ(Take(hvUrl_StripQueryAndFragment(nullptr)), "");
  EXPECT_EQ(Take(hvUrl_UnescapeString("http://h/a%20b?q=x+y")), "http://h/a b?q=x y");
  EXPECT_EQ(Take(hvUrl_EscapeString("http://h/a b?q=x y#f g")), "http://h/a%20b?q=x%20y#f%20g");
  EXPECT_EQ(Take(hvUrl_EscapeString("http://h/a%20b")), "http://h/a%2520b");
  EXPECT_EQ(Take(hvUrl_UnescapeString(nullptr)), "(null)");
  EXPECT_EQ(Take(hvUrl_EscapeString(nullptr)), "(null)");
}

}  // namespace
