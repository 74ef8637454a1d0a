// hvstream cat and info on http URLs, against real servers on the loopback: lighttpd (ranges,
// a contentFeatures.dlna.org header under /dlna/) and Python's http.server (ignores ranges).
// Builds without the HTTP sources must refuse a URL with a message instead.
#include <filesystem>

#include "hvToolTestUtil.h"
#if HV_TOOL_HTTP_TESTS
#include "hvHttpServers.h"
#endif

namespace {

#if HV_TOOL_HTTP_TESTS

class hvToolUrlCatTest : public hvToolTest {
 protected:
  void SetUp() override {
    m_bytes = hvPatternBytes(700001, 11);
    std::filesystem::create_directories(m_site.File("dlna"));
    m_site.WriteFile("media.bin", m_bytes);
    m_site.WriteFile("dlna/clip.mpg", m_bytes);
  }

  hvTempDir m_site;
  std::string m_bytes;
};

TEST_F(hvToolUrlCatTest, WholeResourceIsCopiedByteForByteThroughASmallRing) {
  hvTestServer server(hvTestServer::kLighttpd, m_site.Path());
  ASSERT_TRUE(server.Started());
  // The default ring and one that fills many times over, so the transfer pauses and resumes.
  for (const std::vector<std::string>& ring :
       {std::vector<std::string>{}, std::vector<std::string>{"--block", "4K", "--blocks", "2"}}) {
    std::vector<std::string> arguments = {"cat", server.Url("/media.bin"), "--json"};
    arguments.insert(arguments.end(), ring.begin(), ring.end());
    hvToolRun run = Run(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out == m_bytes) << "got " << run.out.size() << " bytes";
    EXPECT_TRUE(hvJsonChecker::IsWellFormed(Lines(run.err)[0])) << run.err;
    EXPECT_NE(run.err.find("\"bytes\":700001"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\"complete\":true"), std::string::npos) << run.err;
  }
}

TEST_F(hvToolUrlCatTest, RangesAreTheFilesBytes) {
  hvTestServer server(hvTestServer::kLighttpd, m_site.Path());
  ASSERT_TRUE(server.Started());
  const struct {
    const char* offset;
    const char* length;  // null: to the end
    size_t from, count;
  } kCases[] = {
      {"123457", "200000", 123457, 200000},  // beyond the first ring's window
      {"10", "5", 10, 5},                    // inside it
      {"600000", "1M", 600000, 100001},      // cut at the end
      {"650000", nullptr, 650000, 50001},
      {"700001", nullptr, 700001, 0},  // the very end: nothing, but no error
  };
  for (const auto& test : kCases) {
    std::vector<std::string> arguments = {"cat", server.Url("/media.bin"), "--offset", test.offset};
    if (test.length) arguments.insert(arguments.end(), {"--length", test.length});
    hvToolRun run = Run(arguments);
    ASSERT_EQ(run.exitCode, 0) << test.offset << ": " << run.err;
    EXPECT_TRUE(run.out == m_bytes.substr(test.from, test.count))
        << test.offset << ": got " << run.out.size() << " bytes";
  }
  hvToolRun past = Run({"cat", server.Url("/media.bin"), "--offset", "700002"});
  EXPECT_EQ(past.exitCode, 1);
  EXPECT_NE(past.err.find("past the end"), std::string::npos) << past.err;
}

TEST_F(hvToolUrlCatTest, CacheFileKeepsTheDownloadThatIsRead) {
  hvTestServer server(hvTestServer::kLighttpd, m_site.Path());
  ASSERT_TRUE(server.Started());
  hvTempDir cacheFolder;
  std::string cache = cacheFolder.File("kept.bin");
  hvToolRun part = Run({"cat", server.Url("/media.bin"), "--cache", cache, "--offset", "650000"});
  ASSERT_EQ(part.exitCode, 0) << part.err;
  EXPECT_TRUE(part.out == m_bytes.substr(650000)) << "got " << part.out.size() << " bytes";
  hvToolRun whole = Run({"cat", server.Url("/media.bin"), "--cache", cache});
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  EXPECT_TRUE(whole.out == m_bytes) << "got " << whole.out.size() << " bytes";
  EXPECT_EQ(Run({"cat", m_site.File("media.bin"), "--cache", cache}).exitCode, 2);
}

// A server that ignores ranges must never make the tool hand out the resource's first bytes
// as the range's: without leave to seek the seek is refused, with it the start is skipped.
// The ring is small so that the target lies outside what has arrived.
TEST_F(hvToolUrlCatTest, ServerIgnoringRangesGivesTheRightBytesOrARefusal) {
  hvTestServer server(hvTestServer::kPythonPlain, m_site.Path());
  ASSERT_TRUE(server.Started());
  hvToolRun refused = Run(
      {"cat", server.Url("/media.bin"), "--offset", "300000", "--block", "4K", "--blocks", "2"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(refused.out.empty());
  EXPECT_NE(refused.err.find("allows no byte seek"), std::string::npos) << refused.err;

  hvToolRun skipped = Run({"cat", server.Url("/media.bin"), "--offset", "300000", "--length",
                           "1000", "--block", "4K", "--blocks", "2", "--protocol-info",
                           "http-get:*:application/octet-stream:DLNA.ORG_OP=01"});
  ASSERT_EQ(skipped.exitCode, 0) << skipped.err;
  EXPECT_TRUE(skipped.out == m_bytes.substr(300000, 1000));
}

TEST_F(hvToolUrlCatTest, InfoShowsTheAnswerAndDecodesContentFeatures) {
  hvTestServer server(hvTestServer::kLighttpd, m_site.Path());
  ASSERT_TRUE(server.Started());
  hvToolRun run = Run({"info", server.Url("/dlna/clip.mpg")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* expected :
       {"HTTP status          200", "size                 700001 bytes", "video/mpeg",
        "extension            mpg", "DLNA.ORG_OP=11", "MPEG_PS_PAL", "byte seek            yes",
        "time seek            yes", "connection stalling  yes (Support 7)\n  live"})
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in\n" << run.out;

  // Given a protocolInfo, its permissions rule over the server's.
  hvToolRun json = Run({"info", server.Url("/dlna/clip.mpg"), "--json", "--protocol-info",
                        "http-get:*:video/mpeg:DLNA.ORG_OP=00"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  ASSERT_EQ(hvExpectJsonLines(json.out), 1u);
  for (const char* expected :
       {"\"size\":700001", "\"mimeType\":\"video/mpeg\"", "\"byteSeek\":false",
        "\"timeSeek\":false", "\"contentFeatures\":{\"input\":\"DLNA.ORG_PN=MPEG_PS_PAL"})
    EXPECT_NE(json.out.find(expected), std::string::npos) << expected << " in\n" << json.out;

  hvToolRun plain = Run({"info", server.Url("/media.bin"), "--json"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_NE(plain.out.find("\"contentFeatures\":null"), std::string::npos) << plain.out;
}

TEST_F(hvToolUrlCatTest, UnreadableUrlsAreRefusedWithAMessage) {
  hvTestServer server(hvTestServer::kLighttpd, m_site.Path());
  ASSERT_TRUE(server.Started());
  const struct {
    std::string url;
    const char* message;
  } kCases[] = {
      {server.Url("/missing.bin"), "answered 404"},
      {"ftp://127.0.0.1/media.bin", "only http and https"},
      {"http://127.0.0.1:99999/x", "only http and https"},  // the port does not read
  };
  for (const auto& test : kCases)
    for (const char* command : {"cat", "info"}) {
      hvToolRun run = Run({command, test.url});
      EXPECT_EQ(run.exitCode, 1) << command << " " << test.url;
      EXPECT_TRUE(run.out.empty()) << command << " " << test.url;
      EXPECT_NE(run.err.find(test.message), std::string::npos) << run.err;
    }
}

#else

TEST(hvToolUrlCatTest, WithoutHttpSourcesAUrlIsRefusedWithAMessage) {
  hvTempDir streams;
  for (const char* command : {"cat", "info"}) {
    hvToolRun run = hvTool_RunProcess({command, "http://127.0.0.1:8080/file"}, "", streams.Path());
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_NE(run.err.find("no HTTP sources"), std::string::npos) << run.err;
  }
  GTEST_SKIP() << "this build has no HTTP sources: the tests against a server do not run";
}

#endif

}  // namespace
