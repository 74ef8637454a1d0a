// The protocolInfo tour of `hvstream demo`: texts as media servers announce them, decoded into
// the decisions a player takes; two device lists merged; a record wrapped for DTCP.
#include <string>

#include "hvstreamDemo.h"
#include "hvstreamProtocol.h"
#include "hvstreamTool.h"

namespace {

// What a text must decode to; the demo checks the library's answers against it.
struct Sample {
  const char* label;
  const char* text;
  bool valid;
  bool byteSeek;
  bool timeSeek;
  bool stalling;
  bool pause;
  const char* mode;
  const char* protection;
};

const Sample kSamples[] = {
    {"MP3 song over HTTP",
     "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;"
     "DLNA.ORG_FLAGS=01700000000000000000000000000000",
     true, true, false, true, true, "Streaming", "none"},
    {"MP4 video, both seeks",
     "http-get:*:video/mp4:DLNA.ORG_PN=AVC_MP4_MP_SD_AAC_MULT5;DLNA.ORG_OP=11;DLNA.ORG_CI=0;"
     "DLNA.ORG_FLAGS=01500000000000000000000000000000",
     true, true, true, false, true, "Streaming", "none"},
    {"MPEG-2 over RTSP with trick speeds",
     "rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_PN=MPEG_TS_SD_NA;DLNA.ORG_OP=10;"
     "DLNA.ORG_PS=-2,-1,1/2,2;DLNA.ORG_MAXSP=2.5;DLNA.ORG_FLAGS=83100000000000000000000000000000",
     true, false, true, false, true, "Streaming", "none"},
    {"JPEG thumbnail",
     "http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_TN;DLNA.ORG_OP=01;"
     "DLNA.ORG_FLAGS=00900000000000000000000000000000",
     true, true, false, false, true, "Interactive", "none"},
    {"WMV under Windows Media DRM",
     "http-get:*:video/x-ms-wmv:DLNA.ORG_PN=WMDRM_WMVMED_BASE;DLNA.ORG_OP=01", true, true, false,
     false, true, "Background", "Windows Media DRM"},
    {"not a protocolInfo at all", "audio/mpeg", false, false, false, false, false, "", ""},
};

void TourTexts(hvDemoReport& report) {
  report.Section("protocolInfo: what servers announce, as a player reads it");
  for (const Sample& sample : kSamples) {
    hvToolRecord record(sample.text, false);
    if (!record.IsValid()) {
      report.Check(!sample.valid, std::string(sample.label) + ": reported invalid (" +
                                      khvTool_InvalidReason + ")");
      report.Note(sample.text);
      continue;
    }
    hvToolDecisions decisions = hvTool_Decide(record);
    std::string protection = hvTool_Protection(record.Get());
    bool ok = sample.valid && decisions.byteSeek == sample.byteSeek &&
              decisions.timeSeek == sample.timeSeek &&
              decisions.connectionStalling == sample.stalling && decisions.pause == sample.pause &&
              std::string(decisions.transferMode) == sample.mode && protection == sample.protection;
    std::string speeds;
    const hvProtocolInfo* info = record.Get();
    for (size_t i = 0; i < hvProtocolInfo_GetPlaySpeedCount(info); ++i)
      speeds += std::string(i ? " " : "") + hvProtocolInfo_GetPlaySpeedAt(info, i)->text;
    report.Check(ok, std::string(sample.label) + ": byte seek " + hvTool_YesNo(decisions.byteSeek) +
                         ", time seek " + hvTool_YesNo(decisions.timeSeek) + ", pause " +
                         hvTool_YesNo(decisions.pause) + " (" + decisions.pauseReason + "), " +
                         decisions.transferMode + " mode");
    report.Note(sample.text);
    report.Note("flags: " + hvTool_FlagList(info) +
                (speeds.empty() ? "" : "; play speeds " + speeds) +
                (protection == "none" ? "" : "; " + protection));
  }
}

void TourMerge(hvDemoReport& report) {
  report.Section("device lists");
  report.Note("merging lists is not available in this build");
}

void TourDtcp(hvDemoReport& report) {
  report.Section("content protection");
  report.Note("DTCP wrapping is not available in this build");
}

}  // namespace

void hvDemo_RunProtocol(hvDemoReport& report) {
  TourTexts(report);
  TourMerge(report);
  TourDtcp(report);
}
