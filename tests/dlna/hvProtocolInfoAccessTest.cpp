#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"

namespace {

class hvProtocolInfoAccess : public hvProtocolInfoFixture {
 protected:
  std::string ProtocolName() {
    const char* name = hvProtocolInfo_GetProtocolName(m_record);
    return name ? name : "(null)";
  }
};

TEST_F(hvProtocolInfoAccess, ProtocolNameFollowsKindAndPlaySingle) {
  Parse("playsingle-rtsp-rtp-udp:*:v/m:*");
  EXPECT_EQ(ProtocolName(), "playsingle-rtsp-rtp-udp");
  m_record->playSingle = 0;
  EXPECT_EQ(ProtocolName(), "rtsp-rtp-udp");
  m_record->kind = khvProtocol_HttpGet;
  EXPECT_EQ(ProtocolName(), "http-get");
  m_record->kind = khvProtocol_File;
  EXPECT_EQ(ProtocolName(), "file");
  m_record->kind = khvProtocol_Any;
  EXPECT_EQ(ProtocolName(), "*");
  m_record->kind = static_cast<hvProtocolKind>(9);
  EXPECT_EQ(ProtocolName(), "(null)");
  EXPECT_EQ(hvProtocolInfo_CopyProtocolName(m_record), nullptr);

  Parse("internal:*:v/m:*");
  char* copy = hvProtocolInfo_CopyProtocolName(m_record);
  EXPECT_STREQ(copy, "internal");
  EXPECT_NE(copy, m_record->protocolName);
  hvMemory_Free(copy);
}

TEST_F(hvProtocolInfoAccess, HasProfileIgnoresCase) {
  Parse("http-get:*:audio/mpeg:DLNA.ORG_PN=MP3");
  EXPECT_TRUE(hvProtocolInfo_HasProfile(m_record, "mp3"));
  EXPECT_FALSE(hvProtocolInfo_HasProfile(m_record, "MP3X"));
  EXPECT_FALSE(hvProtocolInfo_HasProfile(m_record, nullptr));
  Parse("http-get:*:audio/mpeg:*");
  EXPECT_FALSE(hvProtocolInfo_HasProfile(m_record, "MP3"));
}

TEST_F(hvProtocolInfoAccess, LimitedOperationFromRangesOrProtectedClearTextBytes) {
  const struct {
    const char* flags;
    bool limited;
  } cases[] = {
      {"00100000", false}, {"40100000", true},  {"20100000", true},
      {"00114000", true},  {"00110000", false}, {"00104000", false},
  };
  for (const auto& c : cases) {
    Parse(std::string("http-get:*:v/m:DLNA.ORG_FLAGS=") + c.flags);
    EXPECT_EQ(hvProtocolInfo_IsLimitedOperation(m_record), c.limited) << c.flags;
  }
}

TEST_F(hvProtocolInfoAccess, WmdrmNeedsTheExactPrefix) {
  Parse("http-get:*:audio/x-ms-wma:DLNA.ORG_PN=WMDRM_WMABASE");
  EXPECT_TRUE(hvProtocolInfo_IsWmdrm(m_record));
  Parse("http-get:*:audio/x-ms-wma:DLNA.ORG_PN=wmdrm_WMABASE");
  EXPECT_FALSE(hvProtocolInfo_IsWmdrm(m_record));
  Parse("http-get:*:audio/x-ms-wma:*");
  EXPECT_FALSE(hvProtocolInfo_IsWmdrm(m_record));
}

TEST_F(hvProtocolInfoAccess, DtcpNeedsWrapperPartsAndLinkProtection) {
  const std::string wrapped =
      "http-get:*:application/x-dtcp1;DTCP1HOST=10.0.0.2;DTCP1PORT=8000;"
      "CONTENTFORMAT=\"video/mpeg\":DLNA.ORG_FLAGS=";
  Parse(wrapped + "00118000");
  EXPECT_TRUE(hvProtocolInfo_IsDtcp(m_record));
  Parse(wrapped + "00108000");
  EXPECT_FALSE(hvProtocolInfo_IsDtcp(m_record));
  Parse("http-get:*:application/x-dtcp1;DTCP1HOST=h;CONTENTFORMAT=x:DLNA.ORG_FLAGS=00110000");
  EXPECT_FALSE(hvProtocolInfo_IsDtcp(m_record));
  // A record made without a content format is simply not DTCP.
  Parse("a");
  m_record->linkProtected = 1;
  EXPECT_FALSE(hvProtocolInfo_IsDtcp(m_record));
}

TEST_F(hvProtocolInfoAccess, TransferModeCodesInAndOutDiffer) {
  Parse("http-get:*:v/m:*");
  EXPECT_STREQ(hvProtocolInfo_GetTransferModeName(m_record), "Background");
  EXPECT_EQ(hvProtocolInfo_GetTransferModeCode(m_record), 2);
  hvProtocolInfo_SetTransferMode(m_record, 1);
  EXPECT_STREQ(hvProtocolInfo_GetTransferModeName(m_record), "Streaming");
  EXPECT_EQ(hvProtocolInfo_GetTransferModeCode(m_record), 4);
  hvProtocolInfo_SetTransferMode(m_record, 2);
  EXPECT_STREQ(hvProtocolInfo_GetTransferModeName(m_record), "Interactive");
  EXPECT_EQ(hvProtocolInfo_GetTransferModeCode(m_record), 0);
  EXPECT_EQ(m_record->streamingMode, 0);
  hvProtocolInfo_SetTransferMode(m_record, 3);
  hvProtocolInfo_SetTransferMode(m_record, -1);
  EXPECT_EQ(hvProtocolInfo_GetTransferModeCode(m_record), 0);
  hvProtocolInfo_SetTransferMode(m_record, 0);
  EXPECT_EQ(m_record->backgroundMode, 1);
  EXPECT_EQ(m_record->interactiveMode, 0);
  // Streaming wins when a parsed record claims several modes.
  Parse("http-get:*:v/m:DLNA.ORG_FLAGS=01D00000");
  EXPECT_STREQ(hvProtocolInfo_GetTransferModeName(m_record), "Streaming");
}

TEST_F(hvProtocolInfoAccess, ClearTextByteSeekOfOneLiftsLimits) {
  Parse("http-get:*:v/m:DLNA.ORG_FLAGS=60104000");
  hvProtocolInfo_SetClearTextByteSeek(m_record, 0);
  EXPECT_EQ(m_record->clearTextLimitedBytes, 0);
  EXPECT_EQ(m_record->limitedTimeRange, 1);
  hvProtocolInfo_SetClearTextByteSeek(m_record, 1);
  EXPECT_EQ(m_record->clearTextByteSeekFull, 1);
  EXPECT_EQ(m_record->limitedTimeRange, 0);
  EXPECT_EQ(m_record->limitedByteRange, 0);
}

TEST_F(hvProtocolInfoAccess, ClearPlaySpeedsEmptiesTheList) {
  Parse("http-get:*:v/m:DLNA.ORG_PS=2,-2");
  EXPECT_EQ(hvProtocolInfo_GetPlaySpeedCount(m_record), 2u);
  EXPECT_EQ(hvProtocolInfo_GetPlaySpeedAt(m_record, 2), nullptr);
  hvProtocolInfo_ClearPlaySpeeds(m_record);
  EXPECT_EQ(hvProtocolInfo_GetPlaySpeedCount(m_record), 0u);
  EXPECT_EQ(hvProtocolInfo_GetPlaySpeedAt(m_record, 0), nullptr);
}

}  // namespace
