// hvstream match, merge, select and mime: the list operations and the MIME component as the
// tool presents them, with the invalid inputs they must not skip silently.
#include "hvToolTestUtil.h"

namespace {

TEST_F(hvToolTest, MatchAcceptsAacInMp4AndThreeGppContainers) {
  hvToolRun run = Run({"match", "--json", "http-get:*:audio/mp4:DLNA.ORG_PN=AAC_ISO",
                       "http-get:*:audio/3gpp:DLNA.ORG_PN=AAC_ISO"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(hvExpectJsonLines(run.out), 1u);
  EXPECT_NE(run.out.find("\"matches\":true"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"sameContent\":false"), std::string::npos);
}

TEST_F(hvToolTest, MatchSaysNoWithoutFailing) {
  hvToolRun run = Run({"match", "--short", "audio/mpeg:DLNA.ORG_PN=MP3", "video/mpeg:*"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("  matches              no\n"), std::string::npos) << run.out;
}

TEST_F(hvToolTest, MatchReportsAnInvalidCandidate) {
  hvToolRun run = Run({"match", "http-get:*:audio/mpeg:*", "audio/mpeg"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("invalid protocolInfo 'audio/mpeg'"), std::string::npos) << run.err;
}

TEST_F(hvToolTest, MergeJoinsCapabilitiesAndPlacesNewEntries) {
  hvToolRun run =
      Run({"merge", "--json", "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;DLNA.ORG_PS=2",
           "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=10;DLNA.ORG_PS=1/2,"
           "http-get:*:video/mpeg:*,http-get:*:audio/L16:DLNA.ORG_PN=LPCM"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(hvExpectJsonLines(run.out), 1u);
  EXPECT_NE(run.out.find("\"entries\":[\"http-get:*:audio/L16:DLNA.ORG_PN=LPCM\","
                         "\"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=11;"
                         "DLNA.ORG_PS=1/2,2\",\"http-get:*:video/mpeg:*\"]"),
            std::string::npos)
      << run.out;
  // In the list text the speeds' comma is escaped, so the text parses back to three entries.
  EXPECT_NE(run.out.find("DLNA.ORG_PS=1/2\\\\,2"), std::string::npos) << run.out;
}

TEST_F(hvToolTest, MergeReportsTheEntriesTheLibraryWouldDrop) {
  hvToolRun run = Run({"merge", "http-get:*:audio/mpeg:*", "bogus,http-get:*:video/mpeg:*"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("'bogus'"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("merged list: 2 entries"), std::string::npos) << run.out;
}

TEST_F(hvToolTest, SelectPrefersTheEarliestScheme) {
  const char* list = "rtsp-rtp-udp:*:video/mpeg:*,http-get:*:video/mpeg:*";
  hvToolRun run =
      Run({"select", list, "--schemes", "http;rtsp", "--protocols", "http-get;rtsp-rtp-udp"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "[1] http-get:*:video/mpeg:*\n");
  hvToolRun fallback =
      Run({"select", list, "--schemes", "ftp", "--protocols", "http-get;rtsp-rtp-udp"});
  EXPECT_EQ(fallback.out, "[0] rtsp-rtp-udp:*:video/mpeg:*\n");
}

TEST_F(hvToolTest, SelectWithoutAnAcceptedProtocolIsBadInput) {
  hvToolRun run = Run({"select", "--json", "rtsp-rtp-udp:*:video/mpeg:*", "--schemes", "http"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("\"index\":-1"), std::string::npos) << run.out;
}

TEST_F(hvToolTest, MimeShowsParametersAndTheTextWrittenBack) {
  hvToolRun run = Run({"mime", "--json", "audio/L16;rate=44100", "-"},
                      "text/plain;a;b=;=c;d=1\nvideo/mpeg;q=\"a;b\";r=2\n");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(hvExpectJsonLines(run.out), 3u);
  EXPECT_NE(lines[0].find("\"text\":\"audio/L16;rate=44100;channels=1\""), std::string::npos);
  EXPECT_NE(lines[1].find("\"parameters\":[{\"name\":\"d\",\"value\":\"1\"}]"), std::string::npos);
  EXPECT_NE(lines[2].find("{\"name\":\"q\",\"value\":\"a;b\"}"), std::string::npos) << lines[2];
}

// Used to read the stereo stream as mono: " channels" was no "channels", so one of 1 was added.
TEST_F(hvToolTest, MimeReadsParametersAroundOptionalSpaces) {
  hvToolRun run = Run({"mime", "audio/L16; rate=44100; channels=2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("  parameter            channels=2\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("channels=1"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  written back         audio/L16;rate=44100;channels=2\n"),
            std::string::npos)
      << run.out;
}

TEST_F(hvToolTest, MimeWithoutASlashIsReported) {
  hvToolRun run = Run({"mime", "mpeg", "audio/mpeg"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("'mpeg': not a MIME type"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("  type                 audio/mpeg\n"), std::string::npos) << run.out;
}

TEST_F(hvToolTest, PinfoWritesTheNormalizedTextBack) {
  // Stalling over HTTP implies background mode and rules out sender pacing.
  hvToolRun run = Run({"pinfo", "--json",
                       "http-get:*:audio/mpeg:DLNA.ORG_OP=01;"
                       "DLNA.ORG_FLAGS=80300000000000000000000000000000"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\"normalized\":\"http-get:*:audio/mpeg:DLNA.ORG_OP=01;"
                         "DLNA.ORG_FLAGS=00700000000000000000000000000000\""),
            std::string::npos)
      << run.out;
}

}  // namespace
