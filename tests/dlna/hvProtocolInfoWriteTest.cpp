#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"
#include "hvTestSupport.h"

namespace {

struct WriteCase {
  const char* input;
  int options;
  const char* wanted;
};

void ExpectWrites(const WriteCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    hvProtocolInfo* record = hvParseText(cases[i].input);
    std::string got = hvTakeText(hvProtocolInfo_ToString(record, cases[i].options));
    EXPECT_EQ(got, cases[i].wanted)
        << "input:   " << cases[i].input << "\noptions: " << cases[i].options
        << "\nwanted:  " << cases[i].wanted << "\ngot:     " << got;
    // Building changes the flags once; a second build gives the same text.
    EXPECT_EQ(hvTakeText(hvProtocolInfo_ToString(record, cases[i].options)), got);
    hvProtocolInfo_Free(record);
  }
}

template <size_t N>
void ExpectWrites(const WriteCase (&cases)[N]) {
  ExpectWrites(cases, N);
}

TEST(hvProtocolInfoWrite, RealisticTextsComeBackUnchanged) {
  const char* const texts[] = {
      "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01",
      "http-get:*:audio/mpeg:*",
      "http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_TN;DLNA.ORG_OP=01;DLNA.ORG_CI=1;"
      "DLNA.ORG_FLAGS=00D00000000000000000000000000000",
      "http-get:*:video/mp4:DLNA.ORG_PN=AVC_MP4_BL_CIF15_AAC_520;DLNA.ORG_OP=01;"
      "DLNA.ORG_FLAGS=8D100000000000000000000000000000",
      "http-get:*:audio/L16;rate=44100;channels=2:DLNA.ORG_PN=LPCM",
      "http-get:*:audio/x-ms-wma:DLNA.ORG_PN=WMABASE;DLNA.ORG_OP=01;MICROSOFT.COM_PN=WMABASE",
      "playsingle-http-get:*:audio/mpeg:DLNA.ORG_OP=11",
      "rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_PN=MPEG_TS_SD_NA;DLNA.ORG_OP=10;DLNA.ORG_PS=-2,-1,1/2,2;"
      "DLNA.ORG_MAXSP=2.5",
      "internal:192.168.1.4:audio/x-ms-wma:*",
      "http-get:*:video/mpeg:DLNA.ORG_PN=MPEG_PS_PAL;DLNA.ORG_OP=01;"
      "DLNA.ORG_FLAGS=01700000000000000000000000000000",
  };
  for (const char* text : texts) {
    hvProtocolInfo* record = hvParseText(text);
    EXPECT_EQ(hvTakeText(hvProtocolInfo_ToString(record)), text);
    hvProtocolInfo_Free(record);
  }
}

TEST(hvProtocolInfoWrite, OptionsChooseTheOperationParameters) {
  const char* full =
      "http-get:*:video/mpeg:x_vendor=1;DLNA.ORG_FLAGS=01700000000000000000000000000000;"
      "DLNA.ORG_CI=1;DLNA.ORG_PS=2,1/2;DLNA.ORG_OP=11;DLNA.ORG_PN=AVC";
  const WriteCase cases[] = {
      // Fixed order whatever the input order; the profile is written whatever the options.
      {full, 1,
       "http-get:*:video/mpeg:DLNA.ORG_PN=AVC;DLNA.ORG_OP=11;DLNA.ORG_PS=1/2,2;DLNA.ORG_CI=1;"
       "DLNA.ORG_FLAGS=01700000000000000000000000000000;x_vendor=1"},
      {full, 4,
       "http-get:*:video/mpeg:DLNA.ORG_PN=AVC;DLNA.ORG_OP=11;DLNA.ORG_PS=1/2\\,2;DLNA.ORG_CI=1;"
       "DLNA.ORG_FLAGS=01700000000000000000000000000000;x_vendor=1"},
      {full, 2, "http-get:*:video/mpeg:DLNA.ORG_PN=AVC"},
      {full, 3, "http-get:*:video/mpeg:DLNA.ORG_PN=AVC"},
      {full, 0, "http-get:*:video/mpeg:DLNA.ORG_PN=AVC"},
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01", 2,
       "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3"},
      {"http-get:*:video/mpeg:DLNA.ORG_OP=11", 2, "http-get:*:video/mpeg:*"},
      {"http-get:*:video/mpeg:DLNA.ORG_PS=-2,1/2,2", 4,
       "http-get:*:video/mpeg:DLNA.ORG_PS=-2\\,1/2\\,2"},
      {"http-get:*:a/b:x_a=1;y_b=2", 1, "http-get:*:a/b:x_a=1;y_b=2"},
      {"http-get:*:a/b:DLNA.ORG_CI=10", 1, "http-get:*:a/b:DLNA.ORG_CI=1"},
  };
  ExpectWrites(cases);
}

TEST(hvProtocolInfoWrite, FlagsAreWrittenForVersionOneFiveOnly) {
  const WriteCase cases[] = {
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;"
       "DLNA.ORG_FLAGS=01700000000000000000000000000000",
       1,
       "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;"
       "DLNA.ORG_FLAGS=01700000000000000000000000000000"},
      // A short value is padded on the right; words 1 to 3 are kept.
      {"http-get:*:a/b:DLNA.ORG_FLAGS=0170", 1,
       "http-get:*:a/b:DLNA.ORG_FLAGS=01700000000000000000000000000000"},
      {"http-get:*:a/b:DLNA.ORG_FLAGS=001000000000000A0000000B0000000C", 1,
       "http-get:*:a/b:DLNA.ORG_FLAGS=001000000000000A0000000B0000000C"},
      // Stalling over HTTP means background and not sender-paced.
      {"http-get:*:video/mpeg:DLNA.ORG_FLAGS=80300000000000000000000000000000", 1,
       "http-get:*:video/mpeg:DLNA.ORG_FLAGS=00700000000000000000000000000000"},
      // RTSP has neither stalling nor background, but keeps sender pacing and pause.
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_FLAGS=82700000000000000000000000000000", 1,
       "rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_FLAGS=82100000000000000000000000000000"},
      {"http-get:*:video/mpeg:DLNA.ORG_FLAGS=02100000000000000000000000000000", 1,
       "http-get:*:video/mpeg:DLNA.ORG_FLAGS=00100000000000000000000000000000"},
      // Version 1.0 flags are not written.
      {"http-get:*:a/b:DLNA.ORG_FLAGS=00200000000000000000000000000000", 1, "http-get:*:a/b:*"},
      // Limited ranges are told by the flags, so no DLNA.ORG_OP.
      {"http-get:*:video/mpeg:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=20100000000000000000000000000000", 1,
       "http-get:*:video/mpeg:DLNA.ORG_FLAGS=20100000000000000000000000000000"},
      {"http-get:*:video/mpeg:DLNA.ORG_OP=11;DLNA.ORG_FLAGS=40100000000000000000000000000000", 1,
       "http-get:*:video/mpeg:DLNA.ORG_FLAGS=40100000000000000000000000000000"},
      // Link protection limits operations only with a limited clear-text range.
      {"http-get:*:v/x:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=00114000000000000000000000000000", 1,
       "http-get:*:v/x:DLNA.ORG_FLAGS=00114000000000000000000000000000"},
      {"http-get:*:v/x:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=00118000000000000000000000000000", 1,
       "http-get:*:v/x:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=00118000000000000000000000000000"},
  };
  ExpectWrites(cases);
}

TEST(hvProtocolInfoWrite, RtspAndHttpDiffer) {
  const WriteCase cases[] = {
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=11", 1, "rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=10"},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=01", 1, "rtsp-rtp-udp:*:video/mpeg:*"},
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2.5", 1, "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2.5"},
      {"http-get:*:v/x:DLNA.ORG_MAXSP=2.5", 1, "http-get:*:v/x:*"},
      // Regression: the fraction lost its leading zeros (2.05 was written back as 2.5).
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2.05", 1, "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2.05"},
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2.50", 1, "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2.50"},
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=0.000001", 1,
       "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=0.000001"},
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=3", 1, "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=3.0"},
      // A part beyond 32 bits saturates and is written back saturated; the sum that decides
      // whether to write is taken in 64 bits (all ones plus one is zero there too).
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=99999999999.2", 1,
       "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=4294967295.2"},
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=99999999999.1", 1, "rtsp-rtp-udp:*:v/x:*"},
      {"rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2147483647.2147483647", 1,
       "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2147483647.2147483647"},
      {"internal:*:v/x:DLNA.ORG_OP=11", 1, "internal:*:v/x:*"},
  };
  ExpectWrites(cases);

  // Both seek booleans set by hand: RTSP still announces time seek only.
  hvProtocolInfo* record = hvParseText("rtsp-rtp-udp:*:video/mpeg:*");
  record->timeSeek = 1;
  record->byteSeek = 1;
  EXPECT_EQ(hvTakeText(hvProtocolInfo_FourthFieldToString(record, 1)), "DLNA.ORG_OP=10");
  record->kind = khvProtocol_HttpGet;
  EXPECT_EQ(hvTakeText(hvProtocolInfo_FourthFieldToString(record, 1)), "DLNA.ORG_OP=11");
  record->kind = khvProtocol_File;
  EXPECT_EQ(hvTakeText(hvProtocolInfo_FourthFieldToString(record, 1)), "*");
  hvProtocolInfo_Free(record);
}

TEST(hvProtocolInfoWrite, FieldsWithoutAFourthOrWithoutAProtocol) {
  const WriteCase cases[] = {
      {"http-get:mynet", 1, "http-get:*:*:*"},
      {"http-get:*:a/b:DLNA.ORG_PN=MP3:x", 1, "http-get:*:a/b:*"},
      {"http-get::audio/mpeg:", 1, "http-get:*:audio/mpeg:*"},
      {":*:a/b:*", 1, "*:*:a/b:*"},
      {"a", 1, ""},
      {"", 1, ""},
  };
  ExpectWrites(cases);

  hvProtocolInfo* record = hvParseText("a");
  EXPECT_EQ(hvTakeText(hvProtocolInfo_FourthFieldToString(record, 1)), "");
  hvProtocolInfo_Free(record);
}

TEST(hvProtocolInfoWrite, PartWriters) {
  hvProtocolInfo* record = hvParseText("http-get:*:v/x:DLNA.ORG_PS=2,-1,1/2;b_x=1;a_y=2");
  EXPECT_EQ(hvTakeText(hvProtocolInfo_PlaySpeedsToString(record, 0)), "-1,1/2,2");
  EXPECT_EQ(hvTakeText(hvProtocolInfo_PlaySpeedsToString(record, 1)), "-1\\,1/2\\,2");
  EXPECT_EQ(hvTakeText(hvProtocolInfo_ParamsToString(record)), "b_x=1;a_y=2");
  hvProtocolInfo_ClearPlaySpeeds(record);
  hvProtocolInfo_ClearParams(record);
  EXPECT_EQ(hvTakeText(hvProtocolInfo_PlaySpeedsToString(record, 0)), "(null)");
  EXPECT_EQ(hvTakeText(hvProtocolInfo_ParamsToString(record)), "");
  EXPECT_EQ(hvTakeText(hvProtocolInfo_FourthFieldToString(record, 1)), "*");
  hvProtocolInfo_Free(record);
}

// Regression: equal speeds ("1" and "1.0") came back in a different order after a write and a
// read, so writing was not stable.
TEST(hvProtocolInfoWrite, EqualPlaySpeedsKeepTheirOrderThroughARoundTrip) {
  std::string value;
  for (int i = 0; i < 40; ++i) value += (i ? "," : "") + std::string(i % 2 ? "1" : "1.0");
  value += ",01,1.00, 1";
  std::string text = "http-get:*:v/x:DLNA.ORG_PS=" + value;
  hvProtocolInfo* record = hvParseText(text);
  std::string first = hvTakeText(hvProtocolInfo_ToString(record));
  hvProtocolInfo_Free(record);
  record = hvParseText(first);
  EXPECT_EQ(hvTakeText(hvProtocolInfo_ToString(record)), first);
  hvProtocolInfo_Free(record);
}

}  // namespace
