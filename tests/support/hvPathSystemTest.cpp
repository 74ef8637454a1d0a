// hvPath against the real system: the running test program, shell folders (the Windows shell
// under Wine, the XDG folders elsewhere) and drive kinds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"
#include "hvTestSupport.h"

namespace {

bool SlashRootsPaths() { return hvPath_IsAbsolute("/"); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsFolder(const std::string& utf8) {
  std::error_code error;
  return std::filesystem::is_directory(std::filesystem::u8path(utf8), error);
}

void LocalFunction() {}

TEST(PathApplication, NamesDescribeTheRunningProgram) {
  const std::string fileName = hvTakeText(hvPath_GetApplicationFileName());
  const std::string directory = hvTakeText(hvPath_GetApplicationDirectory());
  const std::string name = hvTakeText(hvPath_GetApplicationName(0));
  ASSERT_NE(fileName, "(null)");
  EXPECT_EQ(fileName.find('\\'), std::string::npos) << fileName;
  EXPECT_TRUE(hvPath_IsAbsolute(fileName.c_str())) << fileName;
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '/');
  EXPECT_EQ(directory + name, fileName);
  EXPECT_EQ(hvTakeText(hvPath_GetApplicationName(1)), "hvSupportTests");
  EXPECT_TRUE(name == "hvSupportTests" || Lower(name) == "hvsupporttests.exe") << name;
}

TEST(PathApplication, ModuleFileNameFindsProgramAndLibrary) {
  const std::string program =
      hvTakeText(hvPath_GetModuleFileName(reinterpret_cast<const void*>(&LocalFunction)));
  const std::string library =
      hvTakeText(hvPath_GetModuleFileName(reinterpret_cast<const void*>(&hvPath_IsAbsolute)));
  // The module name keeps the system's separators; the application name uses '/'.
  std::string normalised = program;
  for (char& c : normalised) c = c == '\\' ? '/' : c;
  EXPECT_EQ(normalised, hvTakeText(hvPath_GetApplicationFileName()));
  EXPECT_NE(Lower(library).find("hulvostreaming"), std::string::npos) << library;
  EXPECT_NE(library, program);
  EXPECT_EQ(hvTakeText(hvPath_GetModuleFileName(nullptr)), "(null)");
}

TEST(PathShellFolders, KnownFoldersExist) {
  const std::string appData = hvTakeText(hvPath_GetApplicationDataDirectory());
  EXPECT_TRUE(IsFolder(appData)) << appData;
  EXPECT_TRUE(hvPath_IsAbsolute(appData.c_str())) << appData;
  EXPECT_NE(hvTakeText(hvPath_GetFontsFolder()), "(null)");
  const int folders[] = {khvPathShellFolder_MyMusic,          khvPathShellFolder_MyVideos,
                         khvPathShellFolder_MyPictures,       khvPathShellFolder_AllUsersMusic,
                         khvPathShellFolder_AllUsersPictures, khvPathShellFolder_AllUsersVideos};
  for (int folder : folders) {
    const std::string name = hvTakeText(hvPath_GetShellFolder(folder));
    EXPECT_TRUE(hvPath_IsAbsolute(name.c_str())) << folder << ": " << name;
  }
}

TEST(PathShellFolders, UnknownFolderNumberGivesNone) {
  EXPECT_EQ(hvTakeText(hvPath_GetShellFolder(0x7F)), "(null)");
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("<MyMusic>")),
            hvTakeText(hvPath_GetShellFolder(khvPathShellFolder_MyMusic)));
}

TEST(PathDriveKind, LocalProgramFolderIsAKnownKind) {
  const std::string directory = hvTakeText(hvPath_GetApplicationDirectory());
  const int kind = hvPath_GetDriveKind(directory.c_str());
  EXPECT_TRUE(kind == khvPathDriveKind_Fixed || kind == khvPathDriveKind_Removable) << kind;
  // A file that does not exist yet is on the volume of its folder.
  EXPECT_EQ(hvPath_GetDriveKind((directory + "not/yet/there.mp3").c_str()), kind);
  EXPECT_EQ(hvPath_GetDriveKind(nullptr), khvPathDriveKind_Unknown);
}

// Environment variables changed for one test and restored afterwards. putenv keeps the text
// itself, so every text handed to it stays alive for the rest of the run.
class ScopedEnvironment {
 public:
  ~ScopedEnvironment() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) Put(it->first, it->second);
  }
  void Set(const std::string& name, const std::string& value) {
    const char* old = getenv(name.c_str());
    m_saved.push_back({name, old ? old : ""});
    Put(name, value);
  }

 private:
  static void Put(const std::string& name, const std::string& value) {
    static auto* kept = new std::vector<std::unique_ptr<std::string>>;
    kept->push_back(std::make_unique<std::string>(name + "=" + value));
    putenv(&(*kept->back())[0]);
  }
  std::vector<std::pair<std::string, std::string>> m_saved;
};

class PathXdgFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SlashRootsPaths()) GTEST_SKIP() << "XDG folders are the POSIX shell";
    environment.Set("HOME", home.Path());
    environment.Set("XDG_CONFIG_HOME", home.Path() + "/config");
    environment.Set("XDG_DATA_HOME", home.Path() + "/data/home");
  }
  void WriteUserDirs(const std::string& lines) {
    std::filesystem::create_directories(home.Path() + "/config");
    std::ofstream(home.Path() + "/config/user-dirs.dirs") << lines;
  }
  std::string Folder(int folder) { return hvTakeText(hvPath_GetShellFolder(folder)); }

  hvTempDir home;
  ScopedEnvironment environment;
};

TEST_F(PathXdgFolders, UserFoldersComeFromUserDirsOrDefaults) {
  WriteUserDirs(
      "# written by xdg-user-dirs-update\n"
      "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n"
      "  XDG_VIDEOS_DIR=\"/media/Films \\\"new\\\"\"\n"
      "XDG_PICTURES_DIR=relative\n");
  EXPECT_EQ(Folder(khvPathShellFolder_MyMusic), home.Path() + "/Tunes");
  EXPECT_EQ(Folder(khvPathShellFolder_MyVideos), "/media/Films \"new\"");
  EXPECT_EQ(Folder(khvPathShellFolder_MyPictures), home.Path() + "/Pictures");
  EXPECT_EQ(Folder(khvPathShellFolder_AllUsersMusic), "/srv/media/Music");
}

// Variables that are empty, relative or too long are not folders: XDG says to ignore them,
// and the home folder then comes from the account; lines of user-dirs.dirs that do not
// read leave the usual name. "~" stands for the test's home, "*" for the account's home.
TEST_F(PathXdgFolders, DamagedVariablesAndLinesFallBack) {
  const std::string tooLong(300, 'a');
  WriteUserDirs(
      "XDG_MUSIC_DIRS=\"/wrong\"\n"
      "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n"
      "XDG_DESKTOP_DIR=\"$HOMELESS/x\"\n"
      "XDG_DOCUMENTS_DIR=\"$HOME\"\n"
      "XDG_TEMPLATES_DIR=\"/unterminated\n"
      "XDG_PICTURES_DIR=\"$HOME/" +
      tooLong + "\"\n");
  struct Case {
    const char* variable;
    std::string value;
    int folder;
    std::string wanted;
  } cases[] = {
      {"", "", khvPathShellFolder_MyMusic, "~/Tunes"},
      {"", "", 0x10, "~/Desktop"},
      {"", "", 0x05, "~"},
      {"", "", 0x15, "~/Templates"},
      {"", "", khvPathShellFolder_MyPictures, "~/Pictures"},
      {"XDG_DATA_HOME", "", khvPathShellFolder_AppData, "~/.local/share"},
      {"XDG_DATA_HOME", "relative/data", khvPathShellFolder_AppData, "~/.local/share"},
      {"XDG_CACHE_HOME", "", 0x20, "~/.cache"},
      {"XDG_CACHE_HOME", "/var/cache/x", 0x20, "/var/cache/x"},
      // user-dirs.dirs is then looked for in ~/.config, where there is none.
      {"XDG_CONFIG_HOME", "config", khvPathShellFolder_MyMusic, "~/Music"},
      {"HOME", "", 0x28, "*"},
      {"HOME", "relative/home", 0x28, "*"},
      {"HOME", "/" + tooLong, 0x28, "(null)"},
      {"HOME", "/" + tooLong, khvPathShellFolder_MyMusic, "(null)"},
  };
  for (const Case& item : cases) {
    ScopedEnvironment changed;
    if (*item.variable) changed.Set(item.variable, item.value);
    const std::string got = Folder(item.folder);
    const std::string where = std::string(item.variable) + "=\"" + item.value + "\", folder " +
                              std::to_string(item.folder);
    if (item.wanted == "*") {
      EXPECT_TRUE(got != home.Path() && hvPath_IsAbsolute(got.c_str()) && IsFolder(got))
          << where << ": " << got;
    } else {
      std::string wanted = item.wanted;
      if (wanted[0] == '~') wanted = home.Path() + wanted.substr(1);
      EXPECT_EQ(got, wanted) << where;
    }
  }
}

TEST_F(PathXdgFolders, DataDirectoryIsCreatedWhenMissing) {
  ASSERT_FALSE(IsFolder(home.Path() + "/data/home"));
  EXPECT_EQ(hvTakeText(hvPath_GetApplicationDataDirectory()), home.Path() + "/data/home");
  EXPECT_TRUE(IsFolder(home.Path() + "/data/home"));
  EXPECT_EQ(Folder(khvPathShellFolder_AppData), home.Path() + "/data/home");
}

TEST_F(PathXdgFolders, DataDirectoryThatCannotBeCreatedIsLogged) {
  WriteUserDirs("");
  environment.Set("XDG_DATA_HOME", home.Path() + "/config/user-dirs.dirs/data");
  hvLogCapture log;
  EXPECT_EQ(hvTakeText(hvPath_GetApplicationDataDirectory()), "(null)");
  ASSERT_EQ(log.Count(), 1u);
  const hvCapturedRecord record = log.Records()[0];
  EXPECT_EQ(record.category, 57);
  EXPECT_EQ(record.message.rfind("hvPath: Cannot get application specific data directory name "
                                 "(error = '",
                                 0),
            0u)
      << record.message;
}

// Used to loop for ever: the search restarted at the first '<' of the whole text, which the
// inserted folder itself supplied.
TEST_F(PathXdgFolders, FolderHoldingABracketedNameIsInsertedOnce) {
  WriteUserDirs("XDG_MUSIC_DIR=\"$HOME/<MyMusic>\"\n");
  EXPECT_EQ(hvTakeText(hvPath_ExpandPlaceholders("<MyMusic>/a.mp3")),
            home.Path() + "/<MyMusic>/a.mp3");
  EXPECT_EQ(hvTakeText(hvPath_MakeAbsolute("<MyMusic>\\a.mp3", 0, 0, nullptr)),
            home.Path() + "/<MyMusic>/a.mp3");
}

}  // namespace
