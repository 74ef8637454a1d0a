// Records for a server's own content: a protocol-only record from a URL, and the transfer-mode,
// seek and Windows Media DRM defaults a server announces.
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvUrl.h"

namespace {

constexpr int kTransferBackground = 0;
constexpr int kTransferStreaming = 1;
constexpr int kTransferInteractive = 2;

bool StartsWith(const char* text, const char* prefix) {
  return text && strncmp(text, prefix, strlen(prefix)) == 0;
}

bool SchemeIs(const char* scheme, const char* name) {
  return hvAscii_EqualsIgnoreCase(scheme, strlen(scheme), name, strlen(name));
}

}  // namespace

hvProtocolInfo* hvProtocolInfo_FromUrl(const char* text) {
  hvProtocolInfo* record = static_cast<hvProtocolInfo*>(hvMemory_Calloc(sizeof(hvProtocolInfo)));
  record->stallingAllowed = 1;
  record->kind = khvProtocol_Other;
  hvUrl* url = hvUrl_ParseDecoded(text ? text : "");
  const char* scheme = url->scheme;
  if (!scheme || !*scheme) {
    record->protocolName = hvMemory_Strdup("*");
  } else if (SchemeIs(scheme, "http")) {
    record->kind = khvProtocol_HttpGet;
  } else if (SchemeIs(scheme, "rtp") || SchemeIs(scheme, "rtsp") || SchemeIs(scheme, "udp")) {
    record->kind = khvProtocol_RtspRtpUdp;
  } else if (SchemeIs(scheme, "file")) {
    record->kind = khvProtocol_File;
  } else {
    record->protocolName = hvMemory_Strdup(scheme);
  }
  hvUrl_Free(url);
  return record;
}

void hvProtocolInfo_SetTransferModeFromContentFormat(hvProtocolInfo* record) {
  record->flagsMajor = 1;
  record->flagsMinor = 5;
  const char* format = record->contentFormat;
  int mode = kTransferBackground;
  if (StartsWith(format, "image/") || StartsWith(format, "text/")) {
    mode = kTransferInteractive;
  } else if (StartsWith(format, "audio/") || StartsWith(format, "video/")) {
    mode = kTransferStreaming;
  }
  hvProtocolInfo_SetTransferMode(record, mode);
}

void hvProtocolInfo_SetServingDefaults(hvProtocolInfo* record) {
  hvProtocolInfo_SetTransferModeFromContentFormat(record);
  if (record->kind == khvProtocol_HttpGet) {
    // A sender-paced connection cannot stall; a stalling one is not sender-paced.
    record->connectionStalling = record->senderPaced ? 0 : record->stallingAllowed;
    if (record->connectionStalling) record->senderPaced = 0;
  }
  record->timeSeek = 0;
  // Byte ranges need content whose start stays put and a protocol that has ranges.
  bool rangeProtocol = record->kind == khvProtocol_Other || record->kind == khvProtocol_HttpGet ||
                       record->kind == khvProtocol_File;
  record->byteSeek = !record->startIncreasing && rangeProtocol ? 1 : 0;
}

void hvProtocolInfo_ApplyWmdrmRules(hvProtocolInfo* record) {
  if (!StartsWith(record->profile, "WMDRM_")) return;
  // Protected Windows Media content is served by time, never by byte ranges.
  record->byteSeek = 0;
  record->timeSeek = 1;
}
