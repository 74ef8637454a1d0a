#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"
#include "hvTestSupport.h"

namespace {

class hvProtocolInfoServe : public ::testing::Test {
 protected:
  void TearDown() override { hvProtocolInfo_Free(m_record); }

  void Parse(const std::string& text) {
    hvProtocolInfo_Free(m_record);
    m_record = hvProtocolInfo_Parse(text.data(), text.size());
  }
  void ServeDefaults(const std::string& text) {
    Parse(text);
    hvProtocolInfo_SetServingDefaults(m_record);
  }
  std::string Written() { return hvTakeText(hvProtocolInfo_ToString(m_record)); }

  hvProtocolInfo* m_record = nullptr;
};

TEST_F(hvProtocolInfoServe, DefaultsOverRtspAllowNoSeeking) {
  ServeDefaults("rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=10");
  EXPECT_EQ(m_record->timeSeek, 0);
  EXPECT_EQ(m_record->byteSeek, 0);
  EXPECT_STREQ(hvProtocolInfo_GetTransferModeName(m_record), "Streaming");
  EXPECT_EQ(Written(), "rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_FLAGS=01100000000000000000000000000000");
}

TEST_F(hvProtocolInfoServe, DefaultsOverHttpAllowByteSeekAndStalling) {
  ServeDefaults("http-get:*:image/jpeg:*");
  EXPECT_EQ(m_record->byteSeek, 1);
  EXPECT_EQ(m_record->connectionStalling, 1);
  EXPECT_STREQ(hvProtocolInfo_GetTransferModeName(m_record), "Interactive");
  EXPECT_EQ(Written(),
            "http-get:*:image/jpeg:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=00F00000000000000000000000000000");
}

TEST_F(hvProtocolInfoServe, StallingFollowsWhatIsAllowedUnlessSenderPaced) {
  Parse("http-get:*:audio/mpeg:*");
  hvProtocolInfo_SetStallingAllowed(m_record, 0);
  hvProtocolInfo_SetServingDefaults(m_record);
  EXPECT_EQ(m_record->connectionStalling, 0);
  EXPECT_EQ(Written(),
            "http-get:*:audio/mpeg:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01100000000000000000000000000000");

  ServeDefaults("http-get:*:audio/mpeg:DLNA.ORG_FLAGS=80100000000000000000000000000000");
  EXPECT_EQ(m_record->connectionStalling, 0);
  EXPECT_EQ(m_record->senderPaced, 1);
}

TEST_F(hvProtocolInfoServe, ByteSeekNeedsAFixedStartAndARangeProtocol) {
  ServeDefaults("http-get:*:video/mpeg:DLNA.ORG_FLAGS=08100000000000000000000000000000");
  EXPECT_EQ(m_record->byteSeek, 0);
  ServeDefaults("internal:*:video/mpeg:*");
  EXPECT_EQ(m_record->byteSeek, 1);
  ServeDefaults("*:*:video/mpeg:*");
  EXPECT_EQ(m_record->byteSeek, 0);
}

TEST_F(hvProtocolInfoServe, TransferModeComesFromTheContentFormat) {
  struct Case {
    const char* format;
    const char* mode;
  };
  const Case cases[] = {
      {"image/png", "Interactive"}, {"text/plain", "Interactive"},
      {"audio/mpeg", "Streaming"},  {"video/mp4", "Streaming"},
      {"Video/mp4", "Background"},  {"application/ogg", "Background"},
      {"*", "Background"},
  };
  for (const Case& c : cases) {
    Parse(std::string("http-get:*:") + c.format +
          ":DLNA.ORG_FLAGS=01100000000000000000000000000000");
    hvProtocolInfo_SetTransferModeFromContentFormat(m_record);
    EXPECT_STREQ(hvProtocolInfo_GetTransferModeName(m_record), c.mode) << c.format;
    EXPECT_EQ(m_record->streamingMode + m_record->interactiveMode + m_record->backgroundMode, 1);
    EXPECT_EQ(m_record->flagsMinor, 5);
  }
}

TEST_F(hvProtocolInfoServe, WmdrmProfilesSeekByTimeOnly) {
  Parse("http-get:*:audio/x-ms-wma:DLNA.ORG_PN=WMDRM_WMABASE;DLNA.ORG_OP=01");
  hvProtocolInfo_ApplyWmdrmRules(m_record);
  EXPECT_EQ(m_record->timeSeek, 1);
  EXPECT_EQ(m_record->byteSeek, 0);
  EXPECT_TRUE(hvProtocolInfo_IsWmdrm(m_record));

  for (const char* text : {"http-get:*:audio/x-ms-wma:DLNA.ORG_PN=WMABASE;DLNA.ORG_OP=01",
                           "http-get:*:audio/x-ms-wma:DLNA.ORG_PN=wmdrm_WMABASE;DLNA.ORG_OP=01",
                           "http-get:*:audio/x-ms-wma:DLNA.ORG_OP=01"}) {
    Parse(text);
    hvProtocolInfo_ApplyWmdrmRules(m_record);
    EXPECT_EQ(m_record->byteSeek, 1) << text;
    EXPECT_EQ(m_record->timeSeek, 0) << text;
  }
}

TEST_F(hvProtocolInfoServe, DtcpPrefixIsAddedOnce) {
  struct Case {
    const char* text;
    const char* profile;
  };
  const Case cases[] = {
      {"http-get:*:v/x:DLNA.ORG_PN=AVC_TS_HD_NA", "DTCP_AVC_TS_HD_NA"},
      {"http-get:*:v/x:DLNA.ORG_PN=DTCP_AVC_TS_HD_NA", "DTCP_AVC_TS_HD_NA"},
      {"http-get:*:v/x:DLNA.ORG_PN=*", "*"},
      {"http-get:*:v/x:DLNA.ORG_PN=", ""},
      {"http-get:*:v/x:*", "(null)"},
  };
  for (const Case& c : cases) {
    Parse(c.text);
    hvProtocolInfo_AddDtcpPrefix(m_record);
    hvProtocolInfo_AddDtcpPrefix(m_record);
    EXPECT_EQ(hvOrNull(m_record->profile), c.profile) << c.text;
  }
}

TEST_F(hvProtocolInfoServe, DtcpWrappingQuotesTheInnerFormatAndTakesThePortAs16Bits) {
  Parse(
      "http-get:*:video/mpeg:DLNA.ORG_PN=MPEG_PS_NTSC;DLNA.ORG_OP=01;"
      "DLNA.ORG_FLAGS=21700000000000000000000000000000");
  hvProtocolInfo_AddDtcpPrefix(m_record);
  hvProtocolInfo_WrapDtcp(m_record, "192.168.0.10", 70000);
  EXPECT_STREQ(m_record->contentFormat,
               "application/x-dtcp1;DTCP1HOST=192.168.0.10;DTCP1PORT=4464;"
               "CONTENTFORMAT=\"video/mpeg\"");
  EXPECT_TRUE(hvProtocolInfo_IsDtcp(m_record));
  EXPECT_FALSE(hvProtocolInfo_IsLimitedOperation(m_record));
  std::string written = Written();
  EXPECT_EQ(written,
            "http-get:*:application/x-dtcp1;DTCP1HOST=192.168.0.10;DTCP1PORT=4464;"
            "CONTENTFORMAT=\"video/mpeg\":DLNA.ORG_PN=DTCP_MPEG_PS_NTSC;DLNA.ORG_OP=01;"
            "DLNA.ORG_FLAGS=01718000000000000000000000000000");

  // What a client reads back is recognised as protected.
  hvProtocolInfo* reread = hvProtocolInfo_Parse(written.data(), written.size());
  EXPECT_TRUE(hvProtocolInfo_IsDtcp(reread));
  EXPECT_EQ(reread->byteSeek, 1);
  hvProtocolInfo_Free(reread);
}

TEST_F(hvProtocolInfoServe, DtcpHostIsNameOnlyWhenEmptyAndQuotedWhenSpecial) {
  Parse("http-get:*:audio/mpeg:*");
  hvProtocolInfo_WrapDtcp(m_record, "", 8000);
  EXPECT_STREQ(m_record->contentFormat,
               "application/x-dtcp1;DTCP1HOST;DTCP1PORT=8000;CONTENTFORMAT=\"audio/mpeg\"");
  Parse("http-get:*:audio/mpeg:*");
  hvProtocolInfo_WrapDtcp(m_record, nullptr, 0);
  EXPECT_STREQ(m_record->contentFormat,
               "application/x-dtcp1;DTCP1HOST;DTCP1PORT=0;CONTENTFORMAT=\"audio/mpeg\"");
  Parse("http-get:*:audio/mpeg:*");
  hvProtocolInfo_WrapDtcp(m_record, "[fe80::1]", 65535);
  EXPECT_STREQ(m_record->contentFormat,
               "application/x-dtcp1;DTCP1HOST=\"[fe80::1]\";DTCP1PORT=65535;"
               "CONTENTFORMAT=\"audio/mpeg\"");
}

TEST_F(hvProtocolInfoServe, RecordFromUrlCarriesTheProtocolOnly) {
  struct Case {
    const char* url;
    const char* rendered;
  };
  const Case cases[] = {
      {"http://192.168.1.10:8200/MediaItems/22.mp3",
       "INVALID k3:http-get net=(null) cf=(null) ver=0.0 has=0"},
      {"HTTP://host/a", "INVALID k3:http-get net=(null) cf=(null) ver=0.0 has=0"},
      {"rtsp://192.168.1.20:554/live",
       "INVALID k2:rtsp-rtp-udp net=(null) cf=(null) ver=0.0 has=0"},
      {"rtp://h/x", "INVALID k2:rtsp-rtp-udp net=(null) cf=(null) ver=0.0 has=0"},
      {"udp://h:1234", "INVALID k2:rtsp-rtp-udp net=(null) cf=(null) ver=0.0 has=0"},
      {"file:///home/media/a.mkv", "INVALID k4:file net=(null) cf=(null) ver=0.0 has=0"},
      {"x-rincon-queue:RINCON_000E5812#0",
       "INVALID k0:x-rincon-queue net=(null) cf=(null) ver=0.0 has=0"},
      {"/just/a/path", "INVALID k0:* net=(null) cf=(null) ver=0.0 has=0"},
      {"", "INVALID k0:* net=(null) cf=(null) ver=0.0 has=0"},
  };
  for (const Case& c : cases) {
    hvProtocolInfo_Free(m_record);
    m_record = hvProtocolInfo_FromUrl(c.url);
    EXPECT_EQ(hvRenderProtocolInfo(m_record), c.rendered) << c.url;
    EXPECT_EQ(Written(), "") << c.url;
    EXPECT_EQ(m_record->params, nullptr);
    EXPECT_EQ(m_record->playSpeeds, nullptr);
  }
  // The empty play-speed list and the missing map still answer.
  EXPECT_EQ(hvProtocolInfo_GetParam(m_record, "x_a"), nullptr);
  EXPECT_EQ(hvTakeText(hvProtocolInfo_PlaySpeedsToString(m_record, 0)), "(null)");
  hvProtocolInfo_SetServingDefaults(m_record);
  hvProtocolInfo_WrapDtcp(m_record, "h", 1);
  EXPECT_EQ(m_record->contentFormat, nullptr);
}

}  // namespace
