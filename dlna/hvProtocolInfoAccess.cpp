// Accessors and the decisions other parts of the library read from a record.
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"

hvProtocolInfoPair hvProtocolInfo_SplitPair(const char* piece, size_t length) {
  hvProtocolInfoPair pair = {piece, length, piece, length, 0};
  const char* end = piece + length;
  const char* equals = static_cast<const char*>(memchr(piece, '=', length));
  if (!equals) return pair;
  pair.nameLength = static_cast<size_t>(equals - piece);
  for (const char* more = equals; more; ++pair.equalsCount) {
    equals = more;
    more = static_cast<const char*>(memchr(equals + 1, '=', static_cast<size_t>(end - equals - 1)));
  }
  pair.value = equals + 1;
  pair.valueLength = static_cast<size_t>(end - pair.value);
  return pair;
}

namespace {

bool StartsWith(const char* text, const char* prefix) {
  return text && strncmp(text, prefix, strlen(prefix)) == 0;
}

}  // namespace

const char* hvProtocolInfo_GetProtocolName(const hvProtocolInfo* record) {
  switch (record->kind) {
    case khvProtocol_Other:
      return record->protocolName;
    case khvProtocol_Any:
      return "*";
    case khvProtocol_RtspRtpUdp:
      return record->playSingle ? "playsingle-rtsp-rtp-udp" : "rtsp-rtp-udp";
    case khvProtocol_HttpGet:
      return record->playSingle ? "playsingle-http-get" : "http-get";
    case khvProtocol_File:
      return "file";
  }
  return nullptr;
}

char* hvProtocolInfo_CopyProtocolName(const hvProtocolInfo* record) {
  return hvMemory_Strdup(hvProtocolInfo_GetProtocolName(record));
}

bool hvProtocolInfo_HasProfile(const hvProtocolInfo* record, const char* name) {
  return record->profile && name &&
         hvAscii_EqualsIgnoreCase(record->profile, strlen(record->profile), name, strlen(name));
}

// Link protection with only a limited clear-text byte range restricts operations as much as
// the limited-range flags themselves.
bool hvProtocolInfo_IsLimitedOperation(const hvProtocolInfo* record) {
  return record->limitedTimeRange || record->limitedByteRange ||
         (record->linkProtected && record->clearTextLimitedBytes);
}

bool hvProtocolInfo_IsWmdrm(const hvProtocolInfo* record) {
  return StartsWith(record->profile, "WMDRM_");
}

bool hvProtocolInfo_IsDtcp(const hvProtocolInfo* record) {
  const char* format = record->contentFormat;
  return StartsWith(format, "application/x-dtcp1") && strstr(format, "DTCP1HOST") &&
         strstr(format, "DTCP1PORT") && strstr(format, "CONTENTFORMAT") &&
         record->linkProtected == 1;
}

void hvProtocolInfo_SetTransferMode(hvProtocolInfo* record, int code) {
  if (code < 0 || code > 2) return;
  record->backgroundMode = code == 0;
  record->streamingMode = code == 1;
  record->interactiveMode = code == 2;
}

const char* hvProtocolInfo_GetTransferModeName(const hvProtocolInfo* record) {
  if (record->streamingMode) return "Streaming";
  if (record->interactiveMode) return "Interactive";
  return "Background";
}

int hvProtocolInfo_GetTransferModeCode(const hvProtocolInfo* record) {
  if (record->streamingMode) return 4;
  if (record->interactiveMode) return 0;
  return 2;
}

int32_t hvProtocolInfo_SetStallingAllowed(hvProtocolInfo* record, int on) {
  record->stallingAllowed = on != 0;
  return record->stallingAllowed;
}

void hvProtocolInfo_SetClearTextByteSeek(hvProtocolInfo* record, int32_t value) {
  record->clearTextByteSeekFull = value;
  record->clearTextLimitedBytes = 0;
  if (value == 1) {
    record->limitedTimeRange = 0;
    record->limitedByteRange = 0;
  }
}

uint64_t hvProtocolInfo_GetUserData(const hvProtocolInfo* record) { return record->userData; }

void hvProtocolInfo_SetUserData(hvProtocolInfo* record, uint64_t userData) {
  record->userData = userData;
}
