#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"
#include "hvTestSupport.h"

namespace {

class hvProtocolInfoFlags : public hvProtocolInfoFixture {
 protected:
  // A version 1.5 record with no flag set.
  hvProtocolInfo* Version15(const char* protocol) {
    return Parse(std::string(protocol) + ":*:video/mpeg:DLNA.ORG_FLAGS=00100000");
  }
  uint32_t Encode(uint32_t word) {
    hvProtocolInfo_EncodeFlags(m_record, &word);
    return word;
  }
  std::string Written() { return hvTakeText(hvProtocolInfo_ToString(m_record)); }
};

TEST_F(hvProtocolInfoFlags, DecodeWithoutVersionMarkerKeepsBooleansButReadsStalling) {
  Parse("http-get:*:a/b:DLNA.ORG_FLAGS=9E10C000");
  m_record->flags[0] = 0x00200000;
  hvProtocolInfo_DecodeFlags(m_record);
  EXPECT_EQ(m_record->flagsMinor, 0);
  EXPECT_EQ(m_record->senderPaced, 1);
  EXPECT_EQ(m_record->clearTextByteSeekFull, 1);
  EXPECT_EQ(m_record->connectionStalling, 1);

  m_record->flags[0] = 0;
  hvProtocolInfo_DecodeFlags(m_record);
  EXPECT_EQ(m_record->connectionStalling, 0);
  EXPECT_EQ(m_record->senderPaced, 1);
}

TEST_F(hvProtocolInfoFlags, DecodeThenEncodeGivesBackEveryNamedBit) {
  // All bits that have a boolean, plus the version marker.
  const uint32_t named = 0xFFF1C000u;
  Parse("http-get:*:a/b:DLNA.ORG_FLAGS=FFF1C000");
  EXPECT_EQ(Encode(0), named);
  Parse("http-get:*:a/b:DLNA.ORG_FLAGS=00100000");
  EXPECT_EQ(Encode(0), 0x00100000u);
}

TEST_F(hvProtocolInfoFlags, EncodeVersion15KeepsBitsWithoutBoolean) {
  Version15("http-get");
  m_record->streamingMode = 1;
  // Bits 19 to 17 and 13 to 0 pass through; named bits follow the booleans.
  EXPECT_EQ(Encode(0x000E3FFFu | 0x80000000u), 0x011E3FFFu);
}

TEST_F(hvProtocolInfoFlags, EncodeEarlierVersionsClearsAllButStalling) {
  Version15("http-get");
  m_record->streamingMode = 1;
  m_record->flagsMinor = 4;
  EXPECT_EQ(Encode(0xFFFFFFFFu), 0u);
  m_record->connectionStalling = 1;
  m_record->flagsMinor = 0;
  EXPECT_EQ(Encode(0xFFFFFFFFu), 0x00200000u);
  m_record->flagsMajor = 0;
  m_record->flagsMinor = 9;
  EXPECT_EQ(Encode(0x12345678u), 0x00200000u);
}

// Regression: the encoder took only exactly 1.5 while the builder took 1.5 and later, so a
// record of version 1.6 was written with DLNA.ORG_FLAGS but without its marker and flags.
TEST_F(hvProtocolInfoFlags, LaterVersionsWriteThe15Flags) {
  const struct {
    uint32_t major;
    int32_t minor;
  } versions[] = {{1, 6}, {1, 50}, {2, 0}};
  for (const auto& version : versions) {
    Version15("http-get");
    m_record->streamingMode = 1;
    m_record->flagsMajor = version.major;
    m_record->flagsMinor = version.minor;
    EXPECT_EQ(Encode(0), 0x01100000u) << version.major << "." << version.minor;
    EXPECT_EQ(Written(), "http-get:*:video/mpeg:DLNA.ORG_FLAGS=01100000000000000000000000000000")
        << version.major << "." << version.minor;
  }
}

TEST_F(hvProtocolInfoFlags, NormalizeStallingHttpIsBackgroundAndNotSenderPaced) {
  Version15("http-get");
  m_record->connectionStalling = 1;
  m_record->senderPaced = 1;
  hvProtocolInfo_Normalize(m_record);
  EXPECT_EQ(m_record->flags[0], 0x00700000u);
  EXPECT_EQ(m_record->senderPaced, 0);
  EXPECT_EQ(m_record->backgroundMode, 1);
}

TEST_F(hvProtocolInfoFlags, NormalizeRtspDropsStallingAndBackgroundKeepsSenderPacing) {
  Version15("rtsp-rtp-udp");
  m_record->connectionStalling = 1;
  m_record->senderPaced = 1;
  m_record->backgroundMode = 1;
  m_record->rtspPause = 1;
  hvProtocolInfo_Normalize(m_record);
  EXPECT_EQ(m_record->flags[0], 0x82100000u);
  EXPECT_EQ(m_record->rtspPause, 1);
}

TEST_F(hvProtocolInfoFlags, NormalizeAppliesProtocolRulesPerKind) {
  const struct {
    const char* protocol;
    const char* wantedBits;
  } cases[] = {
      // Pause belongs to RTSP, background and stalling to HTTP; unknown protocols keep all.
      {"http-get", "CS,BM"},
      {"rtsp-rtp-udp", "RP"},
      {"*", "-"},
      {"internal", "RP,CS,BM"},
  };
  for (const auto& c : cases) {
    Version15(c.protocol);
    m_record->rtspPause = 1;
    m_record->backgroundMode = 1;
    m_record->connectionStalling = 1;
    hvProtocolInfo_Normalize(m_record);
    std::string bits;
    if (m_record->rtspPause) bits += "RP,";
    if (m_record->connectionStalling) bits += "CS,";
    if (m_record->backgroundMode) bits += "BM,";
    bits = bits.empty() ? "-" : bits.substr(0, bits.size() - 1);
    EXPECT_EQ(bits, c.wantedBits) << c.protocol;
  }
}

TEST_F(hvProtocolInfoFlags, NormalizeSenderPacedClearsBackground) {
  Version15("internal");
  m_record->senderPaced = 1;
  m_record->backgroundMode = 1;
  hvProtocolInfo_Normalize(m_record);
  EXPECT_EQ(m_record->backgroundMode, 0);
  EXPECT_EQ(m_record->flags[0], 0x80100000u);
}

TEST_F(hvProtocolInfoFlags, NormalizeVersion10WritesOnlyStalling) {
  Parse("http-get:*:a/b:DLNA.ORG_FLAGS=80000000");
  m_record->connectionStalling = 1;
  hvProtocolInfo_Normalize(m_record);
  EXPECT_EQ(m_record->flags[0], 0x00200000u);
}

}  // namespace
