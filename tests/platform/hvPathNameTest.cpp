#include <gtest/gtest.h>

#include "hv/hvPathName.h"

namespace {

struct PathCase {
  const char* fullName;
  const char* directory;
  const char* name;
  const char* extension;
};

TEST(hvPathNameTest, SplitsIntoDirectoryNameAndExtension) {
  const PathCase cases[] = {
      {"C:\\Media\\Movie.MP4", "C:\\Media", "Movie.MP4", "MP4"},
      {"/home/u/song.tar.gz", "/home/u", "song.tar.gz", "gz"},
      {"mixed/dir\\clip.ts", "mixed/dir", "clip.ts", "ts"},
      {"plain.avi", "", "plain.avi", "avi"},
      {"dir.with.dots/noext", "dir.with.dots", "noext", ""},
      {"dir\\.profile", "dir", ".profile", ""},
      {"trailing.", "", "trailing.", ""},
      {"folder/", "folder", "", ""},
      {"/root.mkv", "", "root.mkv", "mkv"},
      {"", "", "", ""},
  };
  for (const PathCase& c : cases) {
    hvPathName path(c.fullName);
    EXPECT_EQ(path.GetFullName(), c.fullName);
    EXPECT_EQ(path.GetDirectory(), c.directory) << c.fullName;
    EXPECT_EQ(path.GetName(), c.name) << c.fullName;
    EXPECT_EQ(path.GetExtension(), c.extension) << c.fullName;
  }
}

TEST(hvPathNameTest, MakeFilePathKeepsTheFullName) {
  hvPathName path;
  EXPECT_TRUE(path.GetFullName().IsEmpty());
  path = hvPathName::MakeFilePath("c:\\a\\b.Mp3");
  EXPECT_EQ(path.GetFullName(), "c:\\a\\b.Mp3");
  EXPECT_EQ(path.GetExtension(), "Mp3");
  EXPECT_TRUE(hvPathName::MakeFilePath(nullptr).GetFullName().IsEmpty());
}

TEST(hvPathNameTest, JoinUsesOneSeparatorOfTheDirectorysKind) {
  struct {
    const char* directory;
    const char* name;
    const char* joined;
  } const cases[] = {
      {"/tmp", "a.bin", "/tmp/a.bin"},
      {"/tmp/", "a.bin", "/tmp/a.bin"},
      {"C:\\Users", "a.bin", "C:\\Users\\a.bin"},
      {"C:\\Users\\", "\\a.bin", "C:\\Users\\a.bin"},
      {"relative", "sub/a", "relative/sub/a"},
      {"", "a.bin", "a.bin"},
      {"/tmp", "", "/tmp/"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hvPathName::MakeFilePath(hvCString(c.directory), hvCString(c.name)), c.joined)
        << c.directory << " + " << c.name;
}

}  // namespace
