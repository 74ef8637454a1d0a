// hvstream demo: the tour runs on its own, passes every check, meets the pending answer of
// the progressive stream, and leaves no folder behind.
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
  EXPECT_EQ(run.out.find(" 0 pending answers"), std::string::npos);
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
