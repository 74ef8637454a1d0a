// hvstream pinfo: fields, decoded flags and player decisions, invalid texts, standard input,
// lists and JSON.
#include "hvToolTestUtil.h"

namespace {

const char kMp3[] =
    "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;"
    "DLNA.ORG_FLAGS=01700000000000000000000000000000";

class hvToolPinfoTest : public hvToolTest {
 protected:
  // The value of a readable "  name   value" line, or "" when the name is absent.
  static std::string Field(const std::string& out, const std::string& name) {
    for (const std::string& line : Lines(out)) {
      if (line.compare(0, 2 + name.size(), "  " + name) != 0) continue;
      size_t value = line.find_first_not_of(' ', 2 + name.size());
      if (value != std::string::npos && value > 2 + name.size()) return line.substr(value);
    }
    return "";
  }
};

TEST_F(hvToolPinfoTest, ShowsFieldsFlagsAndDecisions) {
  hvToolRun run = Run({"pinfo", kMp3});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "protocol"), "http-get");
  EXPECT_EQ(Field(run.out, "content format"), "audio/mpeg");
  EXPECT_EQ(Field(run.out, "profile"), "MP3");
  EXPECT_EQ(Field(run.out, "flags"), "01700000 00000000 00000000 00000000");
  EXPECT_EQ(Field(run.out, "flags set"),
            "streaming mode, background mode, connection stalling, version 1.5");
  EXPECT_EQ(Field(run.out, "byte seek"), "yes (Support 5)");
  EXPECT_EQ(Field(run.out, "time seek"), "no (Support 6)");
  EXPECT_EQ(Field(run.out, "connection stalling"), "yes (Support 7)");
  EXPECT_EQ(Field(run.out, "transfer mode"), "Streaming (code 4)");
  EXPECT_EQ(Field(run.out, "pause"), "yes: the connection may stall");
}

TEST_F(hvToolPinfoTest, RtspRecordPausesOnlyWithRtspPauseFlag) {
  hvToolRun run = Run({"pinfo",
                       "rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=11;DLNA.ORG_PS=2,-2,1/2;"
                       "DLNA.ORG_FLAGS=02100000000000000000000000000000"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "time seek"), "yes (Support 6)");
  EXPECT_EQ(Field(run.out, "byte seek"), "no (Support 5)");  // OP's byte digit is HTTP only
  EXPECT_EQ(Field(run.out, "play speeds"), "-2, 1/2, 2");
  EXPECT_EQ(Field(run.out, "pause"), "yes: RTSP pause");
}

// Regression: the maximum speed's fraction lost its leading zeros (2.05 showed as 2.5).
TEST_F(hvToolPinfoTest, MaximumSpeedIsShownAndWrittenBackAsRead) {
  const struct {
    const char* text;
    const char* speed;
  } cases[] = {
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=2.05", "2.05"},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=2.10", "2.10"},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=3", "3.0"},
  };
  for (const auto& c : cases) {
    hvToolRun run = Run({"pinfo", c.text});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Field(run.out, "maximum speed"), c.speed) << c.text;
    EXPECT_EQ(Field(run.out, "written back"),
              std::string("rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=") + c.speed)
        << c.text;
  }
}

TEST_F(hvToolPinfoTest, ProtectionIsDetected) {
  hvToolRun run = Run({"pinfo", "http-get:*:video/x-ms-wmv:DLNA.ORG_PN=WMDRM_WMVMED_BASE"});
  EXPECT_EQ(Field(run.out, "protection"), "Windows Media DRM");
}

TEST_F(hvToolPinfoTest, ShortFormIsCompletedAsHttpGet) {
  hvToolRun run = Run({"pinfo", "--short", "audio/mpeg:DLNA.ORG_OP=10"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "protocol"), "http-get");
  EXPECT_EQ(Field(run.out, "time seek"), "yes (Support 6)");
}

TEST_F(hvToolPinfoTest, InvalidTextIsReportedAndTheOthersStillShown) {
  hvToolRun run = Run({"pinfo", "audio/mpeg", kMp3});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("invalid protocolInfo 'audio/mpeg'"), std::string::npos) << run.err;
  EXPECT_EQ(Field(run.out, "profile"), "MP3");
}

TEST_F(hvToolPinfoTest, DashReadsOneTextPerLineOfStandardInput) {
  hvToolRun run = Run({"pinfo", "-"}, "http-get:*:audio/mpeg:*\r\nrtsp-rtp-udp:*:video/mpeg:*\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("http-get:*:audio/mpeg:*\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\nrtsp-rtp-udp:*:video/mpeg:*\n"), std::string::npos) << run.out;
}

TEST_F(hvToolPinfoTest, ListKeepsEscapedCommasInsideTheirEntry) {
  hvToolRun run = Run({"pinfo", "--list",
                       "http-get:*:audio/mpeg:DLNA.ORG_PS=1\\,2,"
                       "http-get:*:image/jpeg:*"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Lines(run.out)[0].rfind("list of 2 entries", 0), 0u) << run.out;
  EXPECT_EQ(Field(run.out, "play speeds"), "1, 2");
}

TEST_F(hvToolPinfoTest, ListWithAnInvalidEntryFails) {
  hvToolRun run = Run({"pinfo", "--list", "http-get:*:audio/mpeg:*,bogus"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("'bogus'"), std::string::npos) << run.err;
}

// --- JSON ---

TEST_F(hvToolPinfoTest, JsonIsOneWellFormedObjectPerInput) {
  hvToolRun run = Run({"pinfo", "--json", kMp3, "bogus", "rtsp-rtp-udp:*:*:DLNA.ORG_PS=1/2"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(hvExpectJsonLines(run.out), 3u);
  std::vector<std::string> lines = Lines(run.out);
  EXPECT_NE(lines[0].find("\"profile\":\"MP3\""), std::string::npos);
  EXPECT_NE(lines[0].find("\"connectionStalling\":true"), std::string::npos);
  EXPECT_NE(lines[1].find("\"valid\":false"), std::string::npos);
  EXPECT_NE(lines[2].find("{\"text\":\"1/2\",\"value\":0.5}"), std::string::npos) << lines[2];
}

TEST_F(hvToolPinfoTest, JsonEscapesControlAndNonAsciiBytes) {
  std::string text = "http-get:*:audio/\"x\\y\":my_key=a\t\xC3\xA9\xFF\x01";
  hvToolRun run = Run({"pinfo", "--json", "-"}, text + "\n");
  ASSERT_EQ(hvExpectJsonLines(run.out), 1u);
  EXPECT_NE(run.out.find("audio/\\\"x\\\\y\\\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("a\\u0009\\u00E9\\u00FF\\u0001"), std::string::npos) << run.out;
}

TEST_F(hvToolPinfoTest, JsonListIsOneObjectWithItsEntries) {
  hvToolRun run = Run({"pinfo", "--json", "--list", "http-get:*:audio/mpeg:*,http-get:*:*:*"});
  ASSERT_EQ(hvExpectJsonLines(run.out), 1u);
  EXPECT_NE(run.out.find("\"count\":2"), std::string::npos);
}

}  // namespace
