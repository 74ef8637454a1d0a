#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"

namespace {

// Owns the two records of a case.
struct Pair {
  Pair(const std::string& first, const std::string& second)
      : a(hvProtocolInfo_Parse(first.data(), first.size())),
        b(hvProtocolInfo_Parse(second.data(), second.size())) {}
  ~Pair() {
    hvProtocolInfo_Free(a);
    hvProtocolInfo_Free(b);
  }
  hvProtocolInfo* a;
  hvProtocolInfo* b;
};

struct CompareCase {
  const char* a;
  const char* b;
  bool wanted;
};

TEST(hvProtocolInfoMatch, EqualsMeansSameContent) {
  const CompareCase cases[] = {
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3",
       "http-get:net:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=11", true},
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3", "http-get:*:audio/mpeg:DLNA.ORG_PN=mp3", false},
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3", "http-get:*:audio/mpeg:*", false},
      {"http-get:*:audio/mpeg:*", "playsingle-http-get:*:audio/mpeg:*", false},
      {"http-get:*:audio/mpeg:*", "rtsp-rtp-udp:*:audio/mpeg:*", false},
      {"internal:*:audio/mpeg:*", "internal:*:audio/mpeg:*", true},
      {"internal:*:audio/mpeg:*", "external:*:audio/mpeg:*", false},
      {"http-get:*:AUDIO/MPEG:*", "http-get:*:audio/mpeg:*", true},
      // Content formats match one way: every parameter of the first must be in the second.
      {"http-get:*:audio/mpeg:*", "http-get:*:audio/mpeg;bitrate=128:*", true},
      {"http-get:*:audio/mpeg;bitrate=128:*", "http-get:*:audio/mpeg:*", false},
      {"http-get:*:audio/L16;rate=44100:*", "http-get:*:audio/L16;rate=44100;channels=1:*", true},
  };
  for (const CompareCase& c : cases) {
    Pair pair(c.a, c.b);
    EXPECT_EQ(hvProtocolInfo_Equals(pair.a, pair.b), c.wanted) << "a: " << c.a << "\nb: " << c.b;
  }
}

TEST(hvProtocolInfoMatch, CandidateFitsThroughFormatsProfilesAndAudioGroups) {
  const CompareCase cases[] = {
      // The two audio groups: group 1 knows AAC_ISO, group 2 AAC_LTP_ISO and ADTS.
      {"http-get:*:audio/mp4:DLNA.ORG_PN=AAC_ISO", "http-get:*:audio/3gpp:DLNA.ORG_PN=AAC_ISO",
       true},
      {"http-get:*:audio/mp4:DLNA.ORG_PN=AAC_LTP_ISO",
       "http-get:*:audio/3gpp:DLNA.ORG_PN=AAC_LTP_ISO", true},
      {"http-get:*:audio/mp4:DLNA.ORG_PN=AAC_LTP_ISO",
       "http-get:*:audio/vnd.dlna.adts:DLNA.ORG_PN=aac_ltp_iso", true},
      {"http-get:*:audio/mp4:DLNA.ORG_PN=AAC_ISO",
       "http-get:*:audio/vnd.dlna.adts:DLNA.ORG_PN=AAC_ISO", false},
      {"http-get:*:audio/mp4:DLNA.ORG_PN=MP3", "http-get:*:audio/3gpp:DLNA.ORG_PN=MP3", false},
      // Without profiles any group will do.
      {"http-get:*:audio/mp4:*", "http-get:*:audio/vnd.dlna.adts:*", true},
      {"http-get:*:audio/mp4:*", "http-get:*:audio/mpeg:*", false},
      // A "*" format answers with the profiles alone.
      {"http-get:*:*:DLNA.ORG_PN=MP3", "http-get:*:audio/mpeg:*", false},
      {"http-get:*:*:DLNA.ORG_PN=MP3", "http-get:*:audio/mpeg:DLNA.ORG_PN=mp3", true},
      {"http-get:*:*:*", "http-get:*:audio/mpeg:*", true},
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3", "http-get:*:audio/mpeg:*", true},
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3", "http-get:*:audio/mpeg:DLNA.ORG_PN=AAC_ISO", false},
      // The record's format must hold every parameter of the candidate's: a candidate that asks
      // for less fits.
      {"http-get:*:audio/mpeg:*", "http-get:*:audio/mpeg;bitrate=128:*", false},
      {"http-get:*:audio/mpeg;bitrate=128:*", "http-get:*:audio/mpeg:*", true},
      // Kinds: "*" fits any; unknown protocols compare by name.
      {"*:*:audio/mpeg:*", "rtsp-rtp-udp:*:audio/mpeg:*", true},
      {"http-get:*:audio/mpeg:*", "rtsp-rtp-udp:*:audio/mpeg:*", false},
      {"internal:*:audio/mpeg:*", "internal:*:audio/mpeg:*", true},
      {"internal:*:audio/mpeg:*", "Internal:*:audio/mpeg:*", false},
      {"*:*:audio/mpeg:*", "internal:*:audio/mpeg:*", false},
  };
  for (const CompareCase& c : cases) {
    Pair pair(c.a, c.b);
    EXPECT_EQ(hvProtocolInfo_Matches(pair.a, pair.b), c.wanted)
        << "record:    " << c.a << "\ncandidate: " << c.b;
  }
}

TEST(hvProtocolInfoMatch, AudioGroupsCompareIgnoringCase) {
  EXPECT_TRUE(hvProtocolInfo_AreEquivalentAudioTypes("audio/MP4", "AUDIO/3gpp", nullptr));
  EXPECT_TRUE(hvProtocolInfo_AreEquivalentAudioTypes("audio/mp4", "audio/mp4", "amr_3gpp"));
  EXPECT_TRUE(
      hvProtocolInfo_AreEquivalentAudioTypes("audio/3gpp", "audio/vnd.dlna.adts", "HEAACv2_L4"));
  EXPECT_FALSE(
      hvProtocolInfo_AreEquivalentAudioTypes("audio/3gpp", "audio/vnd.dlna.adts", "AAC_ISO"));
  EXPECT_FALSE(hvProtocolInfo_AreEquivalentAudioTypes("audio/mp4", "audio/mpeg", nullptr));
  EXPECT_FALSE(hvProtocolInfo_AreEquivalentAudioTypes("audio/mp4", nullptr, nullptr));
}

TEST(hvProtocolInfoMatch, MergeJoinsCapabilities) {
  Pair pair(
      "rtsp-rtp-udp:*:v/x:DLNA.ORG_PS=1/2,2;DLNA.ORG_MAXSP=2.5",
      "rtsp-rtp-udp:*:v/x:DLNA.ORG_OP=10;DLNA.ORG_PS=2.0,4,-1;DLNA.ORG_CI=11;DLNA.ORG_MAXSP=3.0;"
      "DLNA.ORG_FLAGS=81100000000000000000000000000000");
  hvProtocolInfo_Merge(pair.a, pair.b);
  EXPECT_EQ(hvRenderProtocolInfo(pair.a),
            "k2:rtsp-rtp-udp net=* cf=v/x op=10 ci=1 ver=1.5 "
            "flags=81100000,00000000,00000000,00000000 bits=SP,SM maxsp=3.0 "
            "ps=-1@-1,1/2@0.5,2@2,4@4 has=1");
}

TEST(hvProtocolInfoMatch, MergeKeepsTheLargerMaximumSpeed) {
  struct Case {
    const char* target;
    const char* source;
    const char* wanted;
  };
  const Case cases[] = {
      {"2.5", "3.0", "3.0"},
      {"2.5", "2.7", "2.7"},
      {"2.7", "2.5", "2.7"},
      {"2.5", "1.9", "2.5"},
      {"0", "2.5", "2.5"},
      {"4", "2", "4.0"},
      // Regression: fractions compared as plain numbers, so 2.10 beat 2.5 and 2.05 beat 2.4.
      {"2.5", "2.10", "2.5"},
      {"2.4", "2.05", "2.4"},
      {"2.05", "2.1", "2.1"},
      {"2.5", "2.50", "2.5"},
      {"2.0000000000001", "2.1", "2.1"},
      {"2.1", "2.0000000000001", "2.1"},
      {"2.0", "2.00000000001", "2.00000000001"},
  };
  for (const Case& c : cases) {
    Pair pair(std::string("rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=") + c.target,
              std::string("rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=") + c.source);
    hvProtocolInfo_Merge(pair.a, pair.b);
    char* written = hvProtocolInfo_ToString(pair.a);
    EXPECT_EQ(std::string(written), std::string("rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=") + c.wanted)
        << c.target << " + " << c.source;
    hvMemory_Free(written);
  }
}

TEST(hvProtocolInfoMatch, MergingARecordIntoItselfChangesNothing) {
  Pair pair("http-get:*:v/x:DLNA.ORG_OP=01;DLNA.ORG_PS=1,2", "http-get:*:v/x:*");
  std::string before = hvRenderProtocolInfo(pair.a);
  hvProtocolInfo_Merge(pair.a, pair.a);
  EXPECT_EQ(hvRenderProtocolInfo(pair.a), before);
}

TEST(hvProtocolInfoMatch, CopyCapabilitiesReplacesSpeedsAndFlagsWordZero) {
  Pair pair("http-get:*:v/x:DLNA.ORG_PS=4;DLNA.ORG_FLAGS=00000000000000050000000600000007",
            "http-get:*:v/x:DLNA.ORG_OP=11;DLNA.ORG_PS=-1,2;DLNA.ORG_PN=JPEG_TN;"
            "DLNA.ORG_FLAGS=01100000000000000000000000000000");
  hvProtocolInfo_CopyCapabilities(pair.a, pair.b);
  // The flag booleans of the target stay as they were; only word 0 is rewritten.
  EXPECT_EQ(hvRenderProtocolInfo(pair.a),
            "k3:http-get net=* cf=v/x tn op=11 ver=1.5 flags=01100000,00000005,00000006,00000007 "
            "ps=-1@-1,2@2 has=1");
  hvProtocolInfo_CopyCapabilities(pair.a, pair.a);
  EXPECT_EQ(hvProtocolInfo_GetPlaySpeedCount(pair.a), 2u);
}

}  // namespace
