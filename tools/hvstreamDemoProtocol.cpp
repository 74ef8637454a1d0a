// The protocolInfo tour of `hvstream demo`: texts as media servers announce them, decoded into
// the decisions a player takes; two device lists merged; a record wrapped for DTCP.
#include <string>
#include <vector>

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

// A renderer's sink list and what a second interface of the same device adds.
const char kFirstList[] =
    "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01,"
    "http-get:*:video/mp4:DLNA.ORG_PN=AVC_MP4_MP_SD_AAC_MULT5;DLNA.ORG_OP=01,"
    "http-get:*:image/jpeg:*";
const char kSecondList[] =
    "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=10,"
    "http-get:*:audio/L16;rate=44100;channels=2:DLNA.ORG_PN=LPCM,"
    "http-get:*:video/mpeg:*";

void TourMerge(hvDemoReport& report) {
  report.Section("device lists: two announcements of one device merged");
  hvProtocolInfoList* target = hvProtocolInfoList_CreateFromText(kFirstList);
  hvProtocolInfoList* source = hvProtocolInfoList_CreateFromText(kSecondList);
  hvProtocolInfoList_Merge(target, source);
  // MP3 is known to both, so it joins the two seek modes; the new entries go to the head
  // (with a profile) or the tail (without).
  hvProtocolInfo* mp3 = hvProtocolInfoList_FindByProfile(target, "MP3");
  bool ok = hvProtocolInfoList_GetCount(source) == 0 && hvProtocolInfoList_GetCount(target) == 5 &&
            mp3 && mp3->timeSeek && mp3->byteSeek &&
            hvProtocolInfo_HasProfile(hvProtocolInfoList_Get(target, 0), "LPCM") &&
            !hvProtocolInfoList_Get(target, 4)->profile &&
            std::string(hvProtocolInfoList_Get(target, 4)->contentFormat) == "video/mpeg";
  std::vector<std::string> entries = hvTool_ListEntries(target);
  report.Check(ok, "3 + 3 entries merged into " + std::to_string(entries.size()) +
                       ": MP3 now seeks by time and bytes, LPCM first, video/mpeg last");
  for (const std::string& entry : entries) report.Note(entry);
  hvProtocolInfoList_Free(source);
  hvProtocolInfoList_Free(target);
}

void TourDtcp(hvDemoReport& report) {
  report.Section("content protection: a record announced behind DTCP-IP");
  hvToolRecord record("http-get:*:video/mpeg:DLNA.ORG_PN=MPEG_PS_NTSC;DLNA.ORG_OP=01", false);
  hvProtocolInfo* info = record.Get();
  // As a server describes its own content: defaults first (they read the plain MIME type),
  // then the profile prefix and the wrapping.
  hvProtocolInfo_SetServingDefaults(info);
  hvProtocolInfo_AddDtcpPrefix(info);
  hvProtocolInfo_WrapDtcp(info, "192.168.1.20", 8000);
  std::string written = hvTool_WriteBack(info);
  // What a player receives must read back as DTCP too.
  hvToolRecord received(written, false);
  bool ok = hvProtocolInfo_IsDtcp(info) && hvProtocolInfo_HasProfile(info, "DTCP_MPEG_PS_NTSC") &&
            received.IsValid() && hvProtocolInfo_IsDtcp(received.Get()) &&
            written.find("CONTENTFORMAT=\"video/mpeg\"") != std::string::npos;
  report.Check(ok, "MPEG_PS_NTSC wrapped for host 192.168.1.20 port 8000, and read back as DTCP");
  report.Note(written);
}

}  // namespace

void hvDemo_RunProtocol(hvDemoReport& report) {
  TourTexts(report);
  TourMerge(report);
  TourDtcp(report);
}
