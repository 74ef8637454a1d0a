#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <system_error>
#include <vector>

#include "hv/hvFile.h"
#include "hvTestSupport.h"

namespace {

class hvFileTest : public ::testing::Test {
 protected:
  std::string MakeFile(size_t length, const std::string& name = "data.bin") {
    m_bytes = hvPatternBytes(length, 7);
    return m_dir.WriteFile(name, m_bytes);
  }

  void OpenFile(size_t length) { ASSERT_TRUE(m_file.Open(MakeFile(length).c_str())); }

  // Reads `size` bytes at most and returns what came back; a negative count fails the test.
  std::string ReadUpTo(size_t size) {
    std::string buffer(size, '\0');
    int32_t count = m_file.Read(&buffer[0], size);
    EXPECT_GE(count, 0);
    buffer.resize(count > 0 ? static_cast<size_t>(count) : 0);
    return buffer;
  }

  hvTempDir m_dir;
  std::string m_bytes;
  hvFile m_file;
};

TEST_F(hvFileTest, ReadsWholeFileInPiecesThenReportsEnd) {
  OpenFile(10000);
  EXPECT_EQ(m_file.Length(), 10000);
  std::string all;
  for (size_t expected : {4096u, 4096u, 1808u}) {
    std::string piece = ReadUpTo(4096);
    EXPECT_EQ(piece.size(), expected);
    all += piece;
  }
  EXPECT_EQ(all, m_bytes);
  EXPECT_EQ(ReadUpTo(4096).size(), 0u);
  EXPECT_EQ(m_file.Tell(), 10000);
}

TEST_F(hvFileTest, SeekOriginsMoveFromStartCurrentAndEnd) {
  OpenFile(1000);
  EXPECT_EQ(m_file.Seek(100, 0), 100);
  EXPECT_EQ(m_file.Seek(10, 1), 110);
  EXPECT_EQ(m_file.Tell(), 110);
  EXPECT_EQ(ReadUpTo(5), m_bytes.substr(110, 5));
  EXPECT_EQ(m_file.Seek(-10, 2), 990);
  EXPECT_EQ(ReadUpTo(100), m_bytes.substr(990));
  EXPECT_EQ(m_file.Seek(-1000, 1), 0);
}

TEST_F(hvFileTest, SeekPastEndIsAllowedAndReadsNothing) {
  OpenFile(1000);
  EXPECT_EQ(m_file.Seek(5000, 0), 5000);
  EXPECT_EQ(ReadUpTo(10).size(), 0u);
  EXPECT_EQ(m_file.Length(), 1000);
}

TEST_F(hvFileTest, RefusedSeekLeavesPositionUnchanged) {
  OpenFile(1000);
  m_file.Seek(300, 0);
  EXPECT_EQ(m_file.Seek(-1, 0), -1);
  EXPECT_EQ(m_file.Seek(-301, 1), -1);
  EXPECT_EQ(m_file.Seek(0, 3), -1);
  EXPECT_EQ(m_file.GetLastStatus(), khvFileStatus_InvalidArgument);
  EXPECT_EQ(m_file.Tell(), 300);
}

TEST_F(hvFileTest, EmptyFileHasLengthZeroAndReadsEnd) {
  OpenFile(0);
  EXPECT_EQ(m_file.Length(), 0);
  EXPECT_EQ(ReadUpTo(16).size(), 0u);
}

TEST_F(hvFileTest, CreateWritesAndReadsBackAndEmptiesOldContent) {
  std::string path = MakeFile(5000);
  ASSERT_TRUE(m_file.Create(path.c_str()));
  EXPECT_EQ(m_file.Length(), 0);
  EXPECT_EQ(m_file.Write("hello", 5), 5);
  EXPECT_EQ(m_file.Seek(0, 0), 0);
  EXPECT_EQ(ReadUpTo(100), "hello");
  m_file.Close();
  EXPECT_EQ(std::filesystem::file_size(path), 5u);
}

TEST_F(hvFileTest, OpenAgainSwitchesToTheNewFile) {
  ASSERT_TRUE(m_file.Open(m_dir.WriteFile("a", "first").c_str()));
  ASSERT_TRUE(m_file.Open(m_dir.WriteFile("b", "second").c_str()));
  EXPECT_EQ(ReadUpTo(100), "second");
}

TEST_F(hvFileTest, NonAsciiUtf8NameReachesTheSystemIntact) {
  const std::string name = "vid\xC3\xA9o-\xE6\x97\xA5\xE6\x9C\xAC-\xF0\x9F\x8E\xAC.bin";
  std::string path = m_dir.File(name);
  ASSERT_TRUE(m_file.Create(path.c_str()));
  EXPECT_EQ(m_file.Write("abc", 3), 3);
  m_file.Close();
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(path)));
  ASSERT_TRUE(m_file.Open(path.c_str()));
  EXPECT_EQ(ReadUpTo(10), "abc");
}

// --- error paths ---

TEST_F(hvFileTest, MissingFileLeavesHandleAllOnes) {
  EXPECT_FALSE(m_file.Open(m_dir.File("missing.bin").c_str()));
  EXPECT_EQ(m_file.handle, khvuint64_Max);
  EXPECT_EQ(m_file.GetLastStatus(), khvFileStatus_NotFound);
}

// Each refusal of the system reaches the caller as its own status. Where the two systems
// name the same refusal differently, both answers are listed.
TEST_F(hvFileTest, SystemRefusalsMapToTheirStatus) {
  MakeFile(10);
  const std::string longName(5000, 'n');
  struct Row {
    const char* situation;
    std::string name;
    bool create;
    std::vector<hvFileStatus> expected;
  } rows[] = {
      {"a file's name used as a folder",
       m_dir.File("data.bin/child"),
       false,
       {khvFileStatus_NotFound}},
      {"a new file in a missing folder",
       m_dir.File("missing/new.bin"),
       true,
       {khvFileStatus_NotFound}},
      {"a folder created as a file",
       m_dir.Path(),
       true,
       {khvFileStatus_IsDirectory, khvFileStatus_AccessDenied}},
      {"a name longer than any system takes",
       m_dir.File(longName),
       false,
       {khvFileStatus_InvalidArgument, khvFileStatus_NotFound}},
  };
  for (const Row& row : rows) {
    hvFile file;
    EXPECT_FALSE(row.create ? file.Create(row.name.c_str()) : file.Open(row.name.c_str()))
        << row.situation;
    EXPECT_THAT(row.expected, ::testing::Contains(file.GetLastStatus())) << row.situation;
  }
}

// A link that points at itself: the system's refusal has no status of its own.
TEST_F(hvFileTest, UnnamedRefusalIsAnError) {
  std::error_code error;
  std::filesystem::create_symlink("loop", m_dir.File("loop"), error);
  if (error) GTEST_SKIP() << "this system makes no symbolic links here";
  EXPECT_FALSE(m_file.Open(m_dir.File("loop").c_str()));
  EXPECT_EQ(m_file.GetLastStatus(), khvFileStatus_Error);
}

TEST_F(hvFileTest, FullDeviceReportsNoSpace) {
  if (!m_file.Create("/dev/full")) GTEST_SKIP() << "this system has no full device";
  EXPECT_LT(m_file.Write("x", 1), 0);
  EXPECT_EQ(m_file.GetLastStatus(), khvFileStatus_NoSpace);
}

TEST_F(hvFileTest, FailedOpenClosesThePreviousFile) {
  OpenFile(10);
  EXPECT_FALSE(m_file.Open(m_dir.File("missing.bin").c_str()));
  EXPECT_FALSE(m_file.IsOpen());
}

TEST_F(hvFileTest, NullEmptyOrFolderNameIsRefused) {
  EXPECT_FALSE(m_file.Open(nullptr));
  EXPECT_FALSE(m_file.Open(""));
  EXPECT_FALSE(m_file.Create(nullptr));
  EXPECT_FALSE(m_file.Open(m_dir.Path().c_str()));
  EXPECT_EQ(m_file.handle, khvuint64_Max);
}

TEST_F(hvFileTest, ClosedFileRefusesEveryOperation) {
  OpenFile(10);
  m_file.Close();
  m_file.Close();
  char byte;
  EXPECT_LT(m_file.Read(&byte, 1), 0);
  EXPECT_LT(m_file.Write(&byte, 1), 0);
  EXPECT_EQ(m_file.Seek(0, 0), -1);
  EXPECT_EQ(m_file.Tell(), -1);
  EXPECT_EQ(m_file.Length(), -1);
  EXPECT_EQ(m_file.GetLastStatus(), khvFileStatus_NotOpen);
}

TEST_F(hvFileTest, WriteOnFileOpenedForReadingFails) {
  OpenFile(10);
  EXPECT_LT(m_file.Write("x", 1), 0);
  EXPECT_EQ(m_file.Length(), 10);
}

// Used to block in open() until a writer came, so `hvstream info` on a pipe never returned.
TEST_F(hvFileTest, NamedPipeWithoutWriterOpensAtOnceAndCannotSeek) {
  std::string path = m_dir.File("pipe");
  std::string command = "mkfifo '" + path + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "this system makes no named pipes";
  auto opened = std::async(std::launch::async, [&] { return m_file.Open(path.c_str()); });
  if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    std::ofstream writer(path);  // a writer lets the blocked open return, so the test ends
    ADD_FAILURE() << "open of a named pipe without writer blocked";
  }
  ASSERT_TRUE(opened.get());
  EXPECT_EQ(m_file.Tell(), -1);        // no offsets: streams over it must not offer byte seeks
  EXPECT_EQ(ReadUpTo(16).size(), 0u);  // no writer: the pipe reads as ended
}

// Stream tests replace reads and seeks; they rely on these being dispatched virtually.
TEST(hvFileDoubleTest, OverridesAreReachedThroughTheBase) {
  struct FailingFile : hvFile {
    explicit FailingFile(bool* destroyed) : m_destroyed(destroyed) {}
    ~FailingFile() override { *m_destroyed = true; }
    int32_t Read(void*, size_t) override { return -1; }
    int64_t Seek(int64_t offset, int) override { return offset + 1; }
    int64_t Tell() override { return 42; }
    int64_t Length() override { return 4242; }
    bool* m_destroyed;
  };
  bool destroyed = false;
  hvFile* file = new FailingFile(&destroyed);
  char byte;
  EXPECT_EQ(file->Read(&byte, 1), -1);
  EXPECT_EQ(file->Seek(10, 0), 11);
  EXPECT_EQ(file->Tell(), 42);
  EXPECT_EQ(file->Length(), 4242);
  delete file;
  EXPECT_TRUE(destroyed);
}

}  // namespace
