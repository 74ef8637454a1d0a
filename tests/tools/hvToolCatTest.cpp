// hvstream cat: byte-exact copies of whole files and ranges through the library's streams,
// and the refusals.
#include "hvToolTestUtil.h"
#include "tools/hvstreamTool.h"

namespace {

class hvToolCatTest : public hvToolTest {
 protected:
  void SetUp() override {
    m_bytes = hvPatternBytes(300007, 7);
    m_path = m_files.WriteFile("sample.bin", m_bytes);
  }

  std::string m_bytes;
  std::string m_path;
};

TEST_F(hvToolCatTest, WholeFileIsCopiedByteForByte) {
  hvToolRun run = Run({"cat", m_path});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(run.out == m_bytes) << "got " << run.out.size() << " bytes";
}

TEST_F(hvToolCatTest, SmallRingWithUnevenBlocksStillCopiesEverything) {
  hvToolRun run = Run({"cat", m_path, "--block", "1000", "--blocks", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(run.out == m_bytes);
}

TEST_F(hvToolCatTest, RangeIsCopiedByteForByte) {
  hvToolRun run = Run({"cat", m_path, "--offset", "12345", "--length", "100000", "--block", "4K"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(run.out == m_bytes.substr(12345, 100000));
}

TEST_F(hvToolCatTest, RangePastTheEndIsCutThere) {
  hvToolRun run = Run({"cat", m_path, "--offset", "300000", "--length", "1M"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, m_bytes.substr(300000));
}

TEST_F(hvToolCatTest, EmptyFileGivesNothing) {
  hvToolRun run = Run({"cat", m_files.WriteFile("empty.bin", "")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(run.out.empty());
}

TEST_F(hvToolCatTest, SummaryGoesToStandardErrorWithoutAProgressBar) {
  hvToolRun run = Run({"cat", m_path});
  EXPECT_NE(run.err.find("300007 bytes"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\r' + std::string("[")), std::string::npos);  // not a terminal
  hvToolRun json = Run({"cat", m_path, "--json"});
  EXPECT_TRUE(hvJsonChecker::IsWellFormed(Lines(json.err)[0])) << json.err;
  EXPECT_NE(json.err.find("\"bytes\":300007"), std::string::npos);
}

// Used to allocate and fill the whole --block (here 1000 MiB) for a 10-byte range.
TEST_F(hvToolCatTest, ShortRangeReadsNoMoreThanItself) {
  hvToolRun run = Run({"cat", m_path, "--offset", "5", "--length", "10", "--block", "1000M"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, m_bytes.substr(5, 10));
  if (run.peakKiB >= 0) {
    EXPECT_LT(run.peakKiB, 400 * 1024);
  }
}

// The progress bar on a terminal. A file that grows while it is copied passes its size:
// that used to give a percentage over 100, a negative bar width and a crash.
TEST(hvToolProgress, BarStaysWithinItsWidthWhateverTheCounts) {
  const struct {
    uint64_t done, total;
    const char* percent;
    size_t filled;
  } kCases[] = {
      {0, 1000, "  0%", 0},        {500, 1000, " 50%", 15},
      {1000, 1000, "100%", 30},    {3000, 1000, "100%", 30},
      {7, 0, "100%", 30},          {0, 0, "100%", 30},
      {1, UINT64_MAX, "  0%", 0},  {UINT64_MAX - 1, UINT64_MAX, " 99%", 29},
      {UINT64_MAX, 1, "100%", 30},
  };
  for (const auto& c : kCases) {
    std::string line = hvTool_ProgressLine(c.done, c.total, 0.0);
    std::string bar = std::string(c.filled, '#') + std::string(30 - c.filled, '.');
    EXPECT_EQ(line.rfind("\r[" + bar + "] " + c.percent + "  ", 0), 0u)
        << c.done << " of " << c.total << ": " << line;
  }
  EXPECT_EQ(hvTool_Rate(UINT64_MAX, 0.0), UINT64_MAX);  // no overflowing conversion
  EXPECT_EQ(hvTool_Rate(3000, 2.0), 1500u);
}

// --- refusals ---

TEST_F(hvToolCatTest, MissingFileIsBadInput) {
  hvToolRun run = Run({"cat", m_files.File("absent.bin")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot open"), std::string::npos);
  EXPECT_TRUE(run.out.empty());
}

TEST_F(hvToolCatTest, OffsetPastTheEndIsBadInput) {
  hvToolRun run = Run({"cat", m_path, "--offset", "300008"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("past the end"), std::string::npos) << run.err;
}

TEST_F(hvToolCatTest, MalformedNumbersAndOptionMixesAreUsageErrors) {
  EXPECT_EQ(Run({"cat", m_path, "--offset", "12x"}).exitCode, 2);
  EXPECT_EQ(Run({"cat", m_path, "--block", "0"}).exitCode, 2);
  EXPECT_EQ(Run({"cat", m_path, "--length", "99999999999999999999"}).exitCode, 2);
  EXPECT_EQ(Run({"cat", m_path, "--block", "1G", "--blocks", "2"}).exitCode, 2);  // 2 GiB ring
  EXPECT_EQ(Run({"cat", m_path, "--offset", "1", "--blocks", "4"}).exitCode, 2);
}

}  // namespace
