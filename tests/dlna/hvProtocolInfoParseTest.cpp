#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"

using namespace std::string_literals;

namespace {

struct ParseCase {
  std::string input;
  const char* wanted;
};

void ExpectParses(const ParseCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    hvProtocolInfo* record = hvProtocolInfo_Parse(cases[i].input.data(), cases[i].input.size());
    std::string got = hvRenderProtocolInfo(record);
    EXPECT_EQ(got, cases[i].wanted) << "input:  " << hvEscapeBytes(cases[i].input)
                                    << "\nwanted: " << cases[i].wanted << "\ngot:    " << got;
    hvProtocolInfo_Free(record);
  }
}

template <size_t N>
void ExpectParses(const ParseCase (&cases)[N]) {
  ExpectParses(cases, N);
}

TEST(hvProtocolInfoParse, FieldsAndProtocols) {
  const ParseCase cases[] = {
      {"http-get:*:audio/mpeg:*", "k3:http-get net=* cf=audio/mpeg has=0"},
      {"playsingle-http-get:*:audio/mpeg:*", "k3:playsingle-http-get net=* cf=audio/mpeg has=0"},
      {"rtsp-rtp-udp:*:video/mpeg:*", "k2:rtsp-rtp-udp net=* cf=video/mpeg has=0"},
      {"playsingle-rtsp-rtp-udp:*:video/mpeg:*",
       "k2:playsingle-rtsp-rtp-udp net=* cf=video/mpeg has=0"},
      {"*:*:*:*", "k1:* net=* cf=* has=0"},
      {"internal:192.168.1.4:audio/x-ms-wma:*",
       "k0:internal net=192.168.1.4 cf=audio/x-ms-wma has=0"},
      // Protocol names compare exactly, with case and length.
      {"HTTP-GET:*:audio/mpeg:*", "k0:HTTP-GET net=* cf=audio/mpeg has=0"},
      {"http-get-x:*:audio/mpeg:*", "k0:http-get-x net=* cf=audio/mpeg has=0"},
      // Empty fields stand for "*".
      {"http-get::audio/mpeg:*", "k3:http-get net=* cf=audio/mpeg has=0"},
      {"http-get:*::*", "k3:http-get net=* cf=* has=0"},
      {":*:*:*", "k0:* net=* cf=* has=0"},
      // Three fields: no parameters. Two: the second field is not kept.
      {"http-get:*:*", "k3:http-get net=* cf=* has=0"},
      {"http-get:mynet", "k3:http-get net=* cf=* has=0"},
      // Fewer than two fields is no protocolInfo at all.
      {"a", "INVALID k0:* net=(null) cf=(null) has=0"},
      {"", "INVALID k0:* net=(null) cf=(null) has=0"},
      {"http-get", "INVALID k0:* net=(null) cf=(null) has=0"},
      // A ':' inside the fourth field: valid, but no parameter is trusted.
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3:x", "k3:http-get net=* cf=audio/mpeg has=0"},
  };
  ExpectParses(cases);
}

TEST(hvProtocolInfoParse, ProfileAndOperations) {
  const ParseCase cases[] = {
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01",
       "k3:http-get net=* cf=audio/mpeg pn=MP3 op=01 has=1"},
      {"http-get:*:audio/mpeg:DLNA.ORG_OP=1", "k3:http-get net=* cf=audio/mpeg op=10 has=1"},
      {"http-get:*:audio/mpeg:DLNA.ORG_OP=", "k3:http-get net=* cf=audio/mpeg has=1"},
      {"http-get:*:audio/mpeg:DLNA.ORG_OP=x0", "k3:http-get net=* cf=audio/mpeg op=10 has=1"},
      {"http-get:*:audio/mpeg:DLNA.ORG_OP=0a", "k3:http-get net=* cf=audio/mpeg op=01 has=1"},
      // RTSP has no byte ranges; other protocols ignore the parameter.
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=11",
       "k2:rtsp-rtp-udp net=* cf=video/mpeg op=10 has=1"},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=01", "k2:rtsp-rtp-udp net=* cf=video/mpeg has=1"},
      {"file:*:x/y:DLNA.ORG_OP=11", "k0:file net=* cf=x/y has=1"},
      {"*:*:*:DLNA.ORG_OP=11", "k1:* net=* cf=* has=1"},
      // Names ignore case; values keep it.
      {"http-get:*:image/jpeg:dlna.org_pn=jpeg_sm;Dlna.Org_Op=11",
       "k3:http-get net=* cf=image/jpeg pn=jpeg_sm op=11 has=1"},
      {"http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_TN",
       "k3:http-get net=* cf=image/jpeg pn=JPEG_TN tn has=1"},
      {"http-get:*:image/jpeg:DLNA.ORG_PN=_TN", "k3:http-get net=* cf=image/jpeg pn=_TN has=1"},
      {"http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_tn",
       "k3:http-get net=* cf=image/jpeg pn=JPEG_tn has=1"},
      {"http-get:*:image/jpeg:DLNA.ORG_PN=", "k3:http-get net=* cf=image/jpeg pn= has=1"},
      // A later profile replaces the earlier one, thumbnail mark included.
      {"http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_TN;DLNA.ORG_PN=JPEG_SM",
       "k3:http-get net=* cf=image/jpeg pn=JPEG_SM has=1"},
      {"http-get:*:video/mpeg:DLNA.ORG_CI=1", "k3:http-get net=* cf=video/mpeg ci=1 has=1"},
      {"http-get:*:video/mpeg:DLNA.ORG_CI=10", "k3:http-get net=* cf=video/mpeg ci=2 has=1"},
      {"http-get:*:video/mpeg:DLNA.ORG_CI=2", "k3:http-get net=* cf=video/mpeg has=1"},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=2.5",
       "k2:rtsp-rtp-udp net=* cf=video/mpeg maxsp=2.5 has=1"},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=3",
       "k2:rtsp-rtp-udp net=* cf=video/mpeg maxsp=3.0 has=1"},
      // The fraction keeps the digits it was written with, leading zeros included.
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=2.05",
       "k2:rtsp-rtp-udp net=* cf=video/mpeg maxsp=2.05 has=1"},
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=2.500",
       "k2:rtsp-rtp-udp net=* cf=video/mpeg maxsp=2.500 has=1"},
      // The fraction is read only when there are exactly two parts.
      {"rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_MAXSP=1.2.3",
       "k2:rtsp-rtp-udp net=* cf=video/mpeg maxsp=1.0 has=1"},
  };
  ExpectParses(cases);
}

TEST(hvProtocolInfoParse, FlagsValue) {
  const ParseCase cases[] = {
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;DLNA.ORG_FLAGS="
       "01700000000000000000000000000000",
       "k3:http-get net=* cf=audio/mpeg pn=MP3 op=01 ver=1.5 "
       "flags=01700000,00000000,00000000,00000000 bits=CS,SM,BM has=1"},
      // Short groups are padded on the right.
      {"http-get:*:a/b:DLNA.ORG_FLAGS=0170",
       "k3:http-get net=* cf=a/b ver=1.5 flags=01700000,00000000,00000000,00000000 bits=CS,SM,BM "
       "has=1"},
      {"http-get:*:a/b:DLNA.ORG_FLAGS=01700000AB",
       "k3:http-get net=* cf=a/b ver=1.5 flags=01700000,AB000000,00000000,00000000 bits=CS,SM,BM "
       "has=1"},
      // Never more than four words.
      {"http-get:*:a/b:DLNA.ORG_FLAGS=00100000111111112222222233333333FFFFFFFF",
       "k3:http-get net=* cf=a/b ver=1.5 flags=00100000,11111111,22222222,33333333 has=1"},
      // Without the version 1.5 marker only the stalling bit is read.
      {"http-get:*:a/b:DLNA.ORG_FLAGS=FFEFFFFF",
       "k3:http-get net=* cf=a/b flags=FFEFFFFF,00000000,00000000,00000000 bits=CS has=1"},
      {"http-get:*:a/b:DLNA.ORG_FLAGS=9E10C000",
       "k3:http-get net=* cf=a/b ver=1.5 flags=9E10C000,00000000,00000000,00000000 "
       "bits=SP,PC,SI,EI,RP,CL,CF has=1"},
      {"http-get:*:a/b:DLNA.ORG_FLAGS=60110000",
       "k3:http-get net=* cf=a/b ver=1.5 flags=60110000,00000000,00000000,00000000 bits=LT,LB,LP "
       "has=1"},
      // Hexadecimal reading rules: case, "0x", stop at a non-digit.
      {"http-get:*:a/b:dlna.org_flags=0x1",
       "k3:http-get net=* cf=a/b ver=1.5 "
       "flags=00100000,00000000,00000000,00000000 has=1"},
      {"http-get:*:a/b:DLNA.ORG_FLAGS=01g00000",
       "k3:http-get net=* cf=a/b flags=00000001,00000000,00000000,00000000 has=1"},
      {"http-get:*:a/b:DLNA.ORG_FLAGS=", "k3:http-get net=* cf=a/b has=1"},
      // 14-character names take the text after the last '='.
      {"http-get:*:a/b:DLNA.ORG_FLAGS=x=0030",
       "k3:http-get net=* cf=a/b ver=1.5 flags=00300000,00000000,00000000,00000000 bits=CS has=1"},
  };
  ExpectParses(cases);
}

TEST(hvProtocolInfoParse, PlaySpeeds) {
  const ParseCase cases[] = {
      {"http-get:*:v/m:DLNA.ORG_PS=\"-2,-1,1/2,2\"",
       "k3:http-get net=* cf=v/m ps=-2@-2,-1@-1,1/2@0.5,2@2 has=1"},
      {"http-get:*:v/m:DLNA.ORG_PS=2,1/2,-1/4,-16",
       "k3:http-get net=* cf=v/m ps=-16@-16,-1/4@-0.25,1/2@0.5,2@2 has=1"},
      // Unreadable pieces are dropped.
      {"http-get:*:v/m:DLNA.ORG_PS=abc,1.5/2,2,,2 ,1/0,1/2 ",
       "k3:http-get net=* cf=v/m ps=1/2 @0.5,2@2 has=1"},
      // A '\' anywhere switches the separator to "\,".
      {"http-get:*:v/m:DLNA.ORG_PS=1\\,2", "k3:http-get net=* cf=v/m ps=1@1,2@2 has=1"},
      {"http-get:*:v/m:DLNA.ORG_PS=\"-1\\,1 1/2\"",
       "k3:http-get net=* cf=v/m ps=-1@-1,1 1/2@1.5 has=1"},
      {"http-get:*:v/m:DLNA.ORG_PS=1\\2,3", "k3:http-get net=* cf=v/m has=1"},
      // Mixed numbers carry the sign of the whole.
      {"http-get:*:v/m:DLNA.ORG_PS=-1 1/2,-0 1/2",
       "k3:http-get net=* cf=v/m ps=-1 1/2@-1.5,-0 1/2@-0.5 has=1"},
      // A lone quote is not a pair of quotes.
      {"http-get:*:v/m:DLNA.ORG_PS=\"", "k3:http-get net=* cf=v/m has=1"},
      {"http-get:*:v/m:DLNA.ORG_PS=\"\"", "k3:http-get net=* cf=v/m has=1"},
      // Two lists join into one order.
      {"http-get:*:v/m:DLNA.ORG_PS=4,-4;DLNA.ORG_PS=1/2",
       "k3:http-get net=* cf=v/m ps=-4@-4,1/2@0.5,4@4 has=1"},
  };
  ExpectParses(cases);
}

TEST(hvProtocolInfoParse, OtherParameters) {
  const ParseCase cases[] = {
      {"http-get:*:v/m:myvendor_key=abc-1",
       "k3:http-get net=* cf=v/m params={myvendor_key=abc-1} has=1"},
      {"http-get:*:v/m:vendorkey=abc;my_key=a/b;MICROSOFT.COM_PN=WMA_PRO",
       "k3:http-get net=* cf=v/m params={MICROSOFT.COM_PN=WMA_PRO} has=1"},
      {"http-get:*:v/m:x_a=;x_b=A+b,c_D",
       "k3:http-get net=* cf=v/m params={x_a=;x_b=A+b,c_D} has=1"},
      // Without '=' the value is the name itself; it passes when the name has only allowed bytes.
      {"http-get:*:v/m:x_flag;x.flag", "k3:http-get net=* cf=v/m params={x_flag=x_flag} has=1"},
      // An 11-character DLNA name with two '=' is no longer the DLNA parameter.
      {"http-get:*:v/m:DLNA.ORG_PN=a=b", "k3:http-get net=* cf=v/m params={DLNA.ORG_PN=b} has=1"},
      {"http-get:*:v/m:DLNA.ORG_XX=1", "k3:http-get net=* cf=v/m params={DLNA.ORG_XX=1} has=1"},
      // A repeated name keeps its first place and takes the last value.
      {"http-get:*:v/m:x_a=1;x_b=2;x_a=3", "k3:http-get net=* cf=v/m params={x_a=3;x_b=2} has=1"},
      // Names are case-sensitive in the map.
      {"http-get:*:v/m:x_a=1;X_A=2", "k3:http-get net=* cf=v/m params={x_a=1;X_A=2} has=1"},
      // The first empty piece ends the list; a trailing ';' is harmless.
      {"http-get:*:v/m:x_a=1;;x_b=2", "k3:http-get net=* cf=v/m params={x_a=1} has=1"},
      {"http-get:*:v/m:DLNA.ORG_PN=MP3;", "k3:http-get net=* cf=v/m pn=MP3 has=1"},
      {"http-get:*:v/m:;x_a=1", "k3:http-get net=* cf=v/m has=0"},
      {"http-get:*:v/m:", "k3:http-get net=* cf=v/m has=0"},
      // Only a fourth field that is exactly "*" counts as no parameters.
      {"http-get:*:v/m:*;", "k3:http-get net=* cf=v/m has=1"},
      {"http-get:*:v/m:**", "k3:http-get net=* cf=v/m has=1"},
  };
  ExpectParses(cases);
}

// The parser reads exactly the bytes it is given, and a shorter length hides everything
// after it. Regression: a NUL byte cut its field silently (a profile "MP3\0..." read as
// "MP3") and the record stayed valid; a text holding NUL is now refused as a whole.
TEST(hvProtocolInfoParse, EmbeddedNulAndTruncatedLength) {
  const char* const kInvalid = "INVALID k0:* net=(null) cf=(null) has=0";
  const ParseCase cases[] = {
      {"http-get:*:audio/mpeg:DLNA.ORG_PN=MP3\0;DLNA.ORG_OP=01"s, kInvalid},
      {"http-get\0:*:audio/mpeg:DLNA.ORG_OP=11"s, kInvalid},
      {"http-get:*:audio/mpeg:x_a=1\0"s, kInvalid},
      {"\0:\0:\0:\0"s, kInvalid},
      {"http-get:*:a/b:DLNA.ORG_FLAGS=017\0"s, kInvalid},
      {"\0http-get:*:audio/mpeg:*"s, kInvalid},
  };
  ExpectParses(cases);
  hvProtocolInfo* record = hvProtocolInfo_ParseShort("audio/mpeg\0:*", 12);
  EXPECT_EQ(hvRenderProtocolInfo(record), kInvalid);
  hvProtocolInfo_Free(record);

  const std::string full = "http-get:*:audio/mpeg:DLNA.ORG_OP=01;DLNA.ORG_PN=MP3";
  const struct {
    size_t length;
    const char* wanted;
  } cuts[] = {
      {0, "INVALID k0:* net=(null) cf=(null) has=0"},
      {8, "INVALID k0:* net=(null) cf=(null) has=0"},
      {9, "k3:http-get net=* cf=* has=0"},
      {22, "k3:http-get net=* cf=audio/mpeg has=0"},
      {34, "k3:http-get net=* cf=audio/mpeg has=1"},
      {35, "k3:http-get net=* cf=audio/mpeg has=1"},
      {36, "k3:http-get net=* cf=audio/mpeg op=01 has=1"},
      {full.size() - 1, "k3:http-get net=* cf=audio/mpeg pn=MP op=01 has=1"},
  };
  for (const auto& cut : cuts) {
    // A heap copy of exactly `length` bytes, so reading one byte further is caught.
    std::string piece = full.substr(0, cut.length);
    char* exact = new char[cut.length ? cut.length : 1];
    std::copy(piece.begin(), piece.end(), exact);
    hvProtocolInfo* record = hvProtocolInfo_Parse(exact, cut.length);
    std::string got = hvRenderProtocolInfo(record);
    EXPECT_EQ(got, cut.wanted) << "input:  " << piece << "\nwanted: " << cut.wanted
                               << "\ngot:    " << got;
    hvProtocolInfo_Free(record);
    delete[] exact;
  }
}

TEST(hvProtocolInfoParse, NullTextIsEmpty) {
  hvProtocolInfo* record = hvProtocolInfo_Parse(nullptr, 5);
  EXPECT_EQ(hvRenderProtocolInfo(record), "INVALID k0:* net=(null) cf=(null) has=0");
  hvProtocolInfo_Free(record);
  hvProtocolInfo_Free(nullptr);
}

TEST(hvProtocolInfoParse, ShortFormIsReadAsHttpGet) {
  const std::string text = "audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=11";
  hvProtocolInfo* record = hvProtocolInfo_ParseShort(text.data(), text.size());
  EXPECT_EQ(hvRenderProtocolInfo(record), "k3:http-get net=* cf=audio/mpeg pn=MP3 op=11 has=1");
  hvProtocolInfo_Free(record);

  record = hvProtocolInfo_ParseShort(nullptr, 0);
  EXPECT_EQ(hvRenderProtocolInfo(record), "k3:http-get net=* cf=* has=0");
  hvProtocolInfo_Free(record);

  record = hvProtocolInfo_ParseShort("audio/mpeg", 0);
  EXPECT_EQ(hvRenderProtocolInfo(record), "k3:http-get net=* cf=* has=0");
  hvProtocolInfo_Free(record);

  // Only `length` bytes of the text are taken.
  record = hvProtocolInfo_ParseShort("audio/mpeg:*junk", 12);
  EXPECT_EQ(hvRenderProtocolInfo(record), "k3:http-get net=* cf=audio/mpeg has=0");
  hvProtocolInfo_Free(record);
}

// Large inputs must stay fast: thousands of parameters or play speeds in one field.
TEST(hvProtocolInfoParse, LargeFieldsParseInLinearTime) {
  std::string text = "http-get:*:v/m:";
  for (int i = 0; i < 20000; ++i) text += "x_" + std::to_string(i) + "=" + std::to_string(i) + ";";
  text += "DLNA.ORG_PS=";
  for (int i = 20000; i > 0; --i) text += std::to_string(i) + (i > 1 ? "," : "");
  hvProtocolInfo* record = hvProtocolInfo_Parse(text.data(), text.size());
  EXPECT_EQ(hvProtocolInfo_GetParamCount(record), 20000u);
  EXPECT_STREQ(hvProtocolInfo_GetParam(record, "x_12345"), "12345");
  ASSERT_EQ(hvProtocolInfo_GetPlaySpeedCount(record), 20000u);
  for (size_t i = 0; i < 20000; ++i)
    ASSERT_EQ(hvProtocolInfo_GetPlaySpeedAt(record, i)->value, static_cast<double>(i + 1));
  hvProtocolInfo_Free(record);
}

}  // namespace
