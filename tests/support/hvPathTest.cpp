// hvPath: absolute-path rules, placeholder expansion and making paths absolute. The rules
// that depend on the system are told apart by whether '/' roots a path.
#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"
#include "hvTestSupport.h"

namespace {

// Takes over a text returned by the library; "(null)" stands for none.
bool SlashRootsPaths() { return hvPath_IsAbsolute("/"); }

std::string Absolute(const char* text, const char* anchor, unsigned flags = 0, bool strip = false) {
  return hvTakeText(hvPath_MakeAbsolute(text, strip ? 1 : 0, flags, anchor));
}

TEST(PathIsAbsolute, DriveNetworkAndEmptyTextsAreAbsolute) {
  struct Case {
    const char* text;
    bool absolute;
  } cases[] = {
      {"", true},           {"C:", true},     {"C:\\Music", true}, {"c:x", true},
      {"\\\\srv\\a", true}, {".:", false},    {"\\a", false},      {"a", false},
      {"./a", false},       {"..\\a", false}, {"C", false},
  };
  for (const Case& c : cases) EXPECT_EQ(hvPath_IsAbsolute(c.text), c.absolute) << c.text;
  EXPECT_FALSE(hvPath_IsAbsolute(nullptr));
}

TEST(PathIsAbsolute, LeadingSlashFollowsTheSystem) {
  EXPECT_EQ(hvPath_IsAbsolute("/music/a.mp3"), SlashRootsPaths());
  EXPECT_EQ(hvPath_IsAbsolute("//srv/a"), SlashRootsPaths());
}

TEST(PathMakeAbsolute, RelativePathsGoUnderTheAnchor) {
  EXPECT_EQ(Absolute("./song.mp3", "C:/data/"), "C:/data/song.mp3");
  EXPECT_EQ(Absolute(".\\song.mp3", "C:/data/"), "C:/data/song.mp3");
  EXPECT_EQ(Absolute("song.mp3", "C:/data/"), "C:/data/song.mp3");
  EXPECT_EQ(Absolute(".", "C:/data/"), "C:/data/");
  EXPECT_EQ(Absolute("..\\x", "C:\\data\\"), "C:/data/../x");
  EXPECT_EQ(Absolute("D:\\x", "C:/data/"), "D:/x");
}

TEST(PathMakeAbsolute, RelativePathWithoutAnchorGoesUnderTheApplication) {
  const std::string directory = hvTakeText(hvPath_GetApplicationDirectory());
  EXPECT_EQ(Absolute("a/b.mp3", nullptr), directory + "a/b.mp3");
  EXPECT_EQ(Absolute(".", nullptr), directory);
}

TEST(PathMakeAbsolute, FlagsChooseSeparatorsAndLongPrefix) {
  EXPECT_EQ(Absolute("C:/a\\b", "", khvPathFlag_BackSlashes), "C:\\a\\b");
  EXPECT_EQ(Absolute("C:/a\\b", "", 0), "C:/a/b");
  EXPECT_EQ(Absolute("C:/a", "", khvPathFlag_LongPrefix | khvPathFlag_BackSlashes), "\\\\?\\C:\\a");
  EXPECT_EQ(Absolute("C:/a", "", khvPathFlag_LongPrefix), "\\\\?\\C:/a");
  // A network path keeps its two leading backslashes, or trades them for the UNC prefix.
  EXPECT_EQ(Absolute("\\\\srv\\share\\x", "", 0), "\\\\srv/share/x");
  EXPECT_EQ(Absolute("\\\\srv/share", "", khvPathFlag_LongPrefix | khvPathFlag_BackSlashes),
            "\\\\?\\UNC\\srv\\share");
  // A path that already has the prefix is not prefixed again; behind it separators follow
  // the flags.
  EXPECT_EQ(Absolute("\\\\?\\C:\\a/b", "", khvPathFlag_LongPrefix), "\\\\?\\C:/a/b");
  EXPECT_EQ(Absolute("\\\\?\\UNC\\srv/a", "", khvPathFlag_BackSlashes), "\\\\?\\UNC\\srv\\a");
}

TEST(PathMakeAbsolute, StripTrailingKeepsRootsAndLoneSeparators) {
  EXPECT_EQ(Absolute("C:\\Music\\\\", "", 0, true), "C:/Music");
  EXPECT_EQ(Absolute("C:\\", "", khvPathFlag_BackSlashes, true), "C:\\");
  EXPECT_EQ(Absolute("C:\\\\\\", "", 0, true), "C:/");
  EXPECT_EQ(Absolute("/", "", 0, true), "/");
  EXPECT_EQ(Absolute("//", "", 0, true), "/");
  EXPECT_EQ(Absolute("\\\\?\\C:\\", "", khvPathFlag_BackSlashes, true), "\\\\?\\C:\\");
  EXPECT_EQ(Absolute(".", "C:/data/", 0, true), "C:/data");
}

TEST(PathMakeAbsolute, UnexpandablePlaceholderGivesNone) {
  EXPECT_EQ(Absolute("<Nowhere>/a", "C:/"), "(null)");
  EXPECT_EQ(Absolute(nullptr, "C:/"), "(null)");
}

TEST(PathExpand, PlaceholdersBecomeShellFolders) {
  const std::string music = hvTakeText(hvPath_GetShellFolder(khvPathShellFolder_MyMusic));
  const std::string videos = hvTakeText(hvPath_GetShellFolder(khvPathShellFolder_MyVideos));
  const std::string appData = hvTakeText(hvPath_GetShellFolder(khvPathShellFolder_AppData));
  ASSERT_NE(music, "(null)");
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("<MyMusic>/a.mp3")), music + "/a.mp3");
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("x<MyMusic>|<MyVideos>|<MyMusic>")),
            "x" + music + "|" + videos + "|" + music);
  // A short name takes the first entry that begins with it.
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("<My>")), appData);
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("<MyV>")), videos);
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("no placeholder > here")), "no placeholder > here");
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("")), "");
}

TEST(PathExpand, MalformedOrUnknownPlaceholdersGiveNone) {
  const char* texts[] = {"<>",        "<MyMusic",  "a<MyMusic/b", "<MyMusicX>",
                         "<mymusic>", "<Nothing>", "<MyMusic><",  "<<MyMusic>"};
  for (const char* text : texts) {
    EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders(text)), "(null)") << text;
  }
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders(nullptr)), "(null)");
}

}  // namespace
