// DTCP-IP link protection: the "DTCP_" profile prefix and the application/x-dtcp1 wrapper
// around the content format.
#include <cstdio>
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "support/hvNumber.h"
#include "support/hvStringBuilder.h"

void hvProtocolInfo_AddDtcpPrefix(hvProtocolInfo* record) {
  const char* profile = record->profile;
  if (!profile || !*profile || strcmp(profile, "*") == 0 || strncmp(profile, "DTCP_", 5) == 0)
    return;
  hvStringBuilder* builder = hvStringBuilder_Create(hvNumber_AddSizes(strlen(profile), 6));
  hvStringBuilder_AppendText(builder, "DTCP_");
  hvStringBuilder_AppendText(builder, profile);
  char* prefixed = hvStringBuilder_Detach(builder, 0, nullptr);
  hvMemory_Free(record->profile);
  record->profile = prefixed;
}

void hvProtocolInfo_WrapDtcp(hvProtocolInfo* record, const char* host, uint32_t port) {
  if (!record->contentFormat) return;
  char portText[8];
  snprintf(portText, sizeof(portText), "%u", static_cast<unsigned>(static_cast<uint16_t>(port)));
  hvMimeType* wrapper = hvMimeType_Parse("application/x-dtcp1");
  hvMimeType_AddParameter(wrapper, "DTCP1HOST", host);
  hvMimeType_AddParameter(wrapper, "DTCP1PORT", portText);
  // The inner format always holds '/', so the writer quotes it.
  hvMimeType_AddParameter(wrapper, "CONTENTFORMAT", record->contentFormat);
  char* wrapped = hvMimeType_ToString(wrapper);
  hvMimeType_Free(wrapper);
  hvMemory_Free(record->contentFormat);
  record->contentFormat = wrapped;

  record->clearTextLimitedBytes = 0;
  record->limitedTimeRange = 0;
  record->limitedByteRange = 0;
  record->linkProtected = 1;
  record->clearTextByteSeekFull = 1;
}
