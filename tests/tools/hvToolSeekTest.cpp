// hvstream seek: a time in seconds or npt form on the seek tests' generated media, found by
// profile or by content, in readable and JSON form, and the refusals.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hvToolTestUtil.h"
#if HV_TOOL_HTTP_TESTS
#include "hvHttpServers.h"
#endif

namespace {

// The seek tests' media sit beside the tool's build folder: BUILD/bin/hvstream and
// BUILD/tests/seek/media.
std::string MediaPath(const std::string& file) {
  std::string tool = HV_TOOL_PATH;
  for (int up = 0; up < 2; ++up) tool = tool.substr(0, tool.find_last_of("/\\"));
  return tool + "/tests/seek/media/" + file;
}

class hvToolSeekTest : public hvToolTest {
 protected:
  void SetUp() override {
    if (!std::ifstream(MediaPath("stamp")).good())
      GTEST_SKIP() << "no generated seek media (ffmpeg missing at build)";
  }
  // The "position" number of a JSON line, or -1.
  static long long Position(const std::string& json) { return Number(json, "position"); }
  static long long Number(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::atoll(json.c_str() + at + key.size() + 3);
  }
};

TEST_F(hvToolSeekTest, SecondsAndNptNameTheSameTimeInJson) {
  hvToolRun seconds = Run({"seek", MediaPath("ts_h264.ts"), "--time", "4.5", "--json"});
  hvToolRun npt = Run({"seek", MediaPath("ts_h264.ts"), "--time", "0:00:04.500", "--json"});
  ASSERT_EQ(seconds.exitCode, 0) << seconds.err;
  ASSERT_EQ(npt.exitCode, 0) << npt.err;
  EXPECT_TRUE(hvJsonChecker::IsWellFormed(seconds.out)) << seconds.out;
  EXPECT_GT(Position(seconds.out), 0);
  EXPECT_EQ(Position(seconds.out) % 188, 0);
  EXPECT_EQ(Position(seconds.out), Position(npt.out));
  EXPECT_NE(seconds.out.find("\"format\":\"mpegts\""), std::string::npos);
  EXPECT_NE(seconds.out.find("\"bytesRead\":"), std::string::npos);
}

TEST_F(hvToolSeekTest, ProfileOrContentChoosesTheSeeker) {
  hvToolRun byProfile = Run(
      {"seek", MediaPath("mp4_h264.mp4"), "--time", "5", "--profile", "AVC_MP4_MP_SD_AAC_MULT5"});
  ASSERT_EQ(byProfile.exitCode, 0) << byProfile.err;
  EXPECT_NE(byProfile.out.find("the profile AVC_MP4_MP_SD_AAC_MULT5"), std::string::npos);
  hvToolRun unknown =
      Run({"seek", MediaPath("mp4_h264.mp4"), "--time", "5", "--profile", "NO_SUCH_PN"});
  ASSERT_EQ(unknown.exitCode, 0) << unknown.err;
  EXPECT_NE(unknown.out.find("the content (no seeker for NO_SUCH_PN)"), std::string::npos);
  hvToolRun l16 = Run({"seek", MediaPath("l16.pcm"), "--time", "2", "--profile", "LPCM", "--mime",
                       "audio/L16;rate=48000;channels=2", "--json"});
  EXPECT_EQ(Position(l16.out), 2 * 48000 * 4);
}

TEST_F(hvToolSeekTest, BadTimesAndUnknownContentAreRefused) {
  const std::string file = MediaPath("aac.aac");
  for (const char* time : {"", "1:2", "1:02:3", "0:60:00", "-1", "1.2.3", "4s"})
    EXPECT_EQ(Run({"seek", file, "--time", time}).exitCode, 2) << time;
  EXPECT_EQ(Run({"seek", file}).exitCode, 2);
  hvToolRun text = Run(
      {"seek", m_files.WriteFile("notes.txt", std::string(4000, 'a')), "--time", "1", "--json"});
  EXPECT_EQ(text.exitCode, 1);
  EXPECT_NE(text.out.find("\"position\":null"), std::string::npos) << text.out;
}

#if HV_TOOL_HTTP_TESTS
// Over HTTP every window the seeker reads is a range request whose bytes arrive later: the
// answer and what the seek read must be the file's, not a refusal for "not yet".
TEST_F(hvToolSeekTest, UrlSeekFindsWhatTheFileSeekFinds) {
  const char* const kFiles[] = {"ts_h264.ts", "mp4_h264.mp4", "mp3_vbr.mp3"};
  // Served from the test's own folder, which is where a shared server can reach it too.
  for (const char* file : kFiles) std::filesystem::copy_file(MediaPath(file), m_files.File(file));
  hvTestServer server(hvTestServer::kLighttpd, m_files.Path());
  ASSERT_TRUE(server.Started());
  for (const char* file : kFiles) {
    hvToolRun local = Run({"seek", MediaPath(file), "--time", "6.2", "--json"});
    hvToolRun remote =
        Run({"seek", server.Url(std::string("/") + file), "--time", "6.2", "--json"});
    ASSERT_EQ(remote.exitCode, 0) << file << ": " << remote.err;
    EXPECT_GT(Position(remote.out), 0) << file;
    EXPECT_EQ(Position(remote.out), Position(local.out)) << file;
    EXPECT_EQ(Number(remote.out, "bytesRead"), Number(local.out, "bytesRead")) << file;
    const size_t format = local.out.find("\"format\":");
    EXPECT_NE(remote.out.find(local.out.substr(format, local.out.find(',', format) - format)),
              std::string::npos)
        << remote.out;
  }
}
#endif

}  // namespace
