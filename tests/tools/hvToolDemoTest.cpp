// hvstream demo: the tour runs on its own, passes every check, meets the pending answer of
// the progressive stream, and leaves no folder behind.
#include <cstdio>
#include <filesystem>

#include "hvToolTestUtil.h"

namespace {

TEST_F(hvToolTest, DemoPassesEveryCheckAndCleansUp) {
  hvToolRun run = Run({"demo"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("checks passed; temporary folder removed"), std::string::npos);
  for (const char* stream : {"hvFileGetStream", "hvFilePartGetStream", "hvFileStream",
                             "hvMemoryStream", "hvProgressiveStream"})
    EXPECT_NE(run.out.find(stream), std::string::npos) << stream;
  // The progressive reader met "pending" at least once before the download's bytes, and
  // then received all of them.
  const std::string progressive = "hvProgressiveStream while an engine agent downloads: ";
  std::string line;
  for (const std::string& candidate : Lines(run.out))
    if (candidate.find(progressive) != std::string::npos) line = candidate;
  unsigned long pendings = 0, bytes = 0;
  char tail[16] = "";
  size_t counts = line.find(progressive);
  ASSERT_NE(counts, std::string::npos) << run.out;
  EXPECT_EQ(line.compare(0, 8, "  ok    "), 0) << line;
  ASSERT_EQ(sscanf(line.c_str() + counts + progressive.size(), "%lu pending answers, then %lu %15s",
                   &pendings, &bytes, tail),
            3)
      << line;
  EXPECT_GE(pendings, 1u) << line;
  EXPECT_EQ(bytes, 1024u * 1024 + 4321) << line;  // the demo's sample file
  EXPECT_STREQ(tail, "bytes");
  EXPECT_NE(run.out.find("reported invalid"), std::string::npos);
  EXPECT_NE(run.out.find("3 + 3 entries merged into 5"), std::string::npos);
  EXPECT_NE(run.out.find("application/x-dtcp1;DTCP1HOST=192.168.1.20;DTCP1PORT=8000;"
                         "CONTENTFORMAT=\"video/mpeg\""),
            std::string::npos);

  const std::string marker = "working in ";
  size_t at = run.out.find(marker);
  ASSERT_NE(at, std::string::npos);
  std::string folder = Lines(run.out.substr(at + marker.size()))[0];
  EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
}

}  // namespace
