// Writing a record back as protocolInfo text. The decoded DLNA.ORG_ parameters are written by
// walking the same table the parser reads them with, in its order.
#include <cstring>

#include "dlna/hvProtocolInfoFields.h"
#include "dlna/hvProtocolInfoInternal.h"
#include "dlna/hvProtocolInfoParams.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvStringBuilder.h"

namespace {

constexpr size_t kInitialCapacity = 128;

bool WantsOperations(int options) {
  return (options & (khvProtocolInfo_WriteOperations | khvProtocolInfo_WriteForList)) != 0 &&
         (options & khvProtocolInfo_WriteNoOperations) == 0;
}

void AppendParams(const hvProtocolInfo* record, hvStringBuilder* out) {
  size_t count = hvProtocolInfoParams_GetCount(record->params);
  for (size_t i = 0; i < count; ++i) {
    const hvProtocolInfoParam* param = hvProtocolInfoParams_At(record->params, i);
    if (i > 0) hvStringBuilder_AppendChar(out, ';');
    // Up to a NUL byte the name may hold: the text handed out ends at the first NUL, and what
    // follows it must not vanish with the rest of the name.
    hvStringBuilder_AppendText(out, param->name);
    hvStringBuilder_AppendChar(out, '=');
    hvStringBuilder_AppendText(out, param->value);
  }
}

void AppendFourthField(hvProtocolInfo* record, int options, hvStringBuilder* out) {
  size_t start = out->length;
  bool operations = WantsOperations(options);
  for (size_t i = 0; i < khvProtocolInfoFieldCount; ++i) {
    const hvProtocolInfoField& field = khvProtocolInfoFields[i];
    if ((field.operation && !operations) || !field.present(record)) continue;
    hvStringBuilder_AppendBytes(out, field.name, field.nameLength);
    hvStringBuilder_AppendChar(out, '=');
    field.write(record, options, out);
    hvStringBuilder_AppendChar(out, ';');
  }
  if (operations && record->params) AppendParams(record, out);
  if (out->length == start) {
    hvStringBuilder_AppendChar(out, '*');
  } else if (out->data[out->length - 1] == ';') {
    hvStringBuilder_Truncate(out, 1);
  }
}

}  // namespace

char* hvProtocolInfo_FourthFieldToString(hvProtocolInfo* record, int options) {
  if (!record->valid) return hvMemory_Strdup("");
  hvProtocolInfo_Normalize(record);
  hvStringBuilder out;
  hvStringBuilder_Init(&out, kInitialCapacity);
  AppendFourthField(record, options, &out);
  return hvStringBuilder_Finish(&out, 1, nullptr);
}

bool hvProtocolInfo_AppendText(hvProtocolInfo* record, int options, hvStringBuilder* out) {
  if (!record->valid) return false;
  hvProtocolInfo_Normalize(record);
  // An empty field would read back as an unknown protocol; "*" is what it stood for.
  const char* protocol = hvProtocolInfo_GetProtocolName(record);
  hvStringBuilder_AppendText(out, protocol && *protocol ? protocol : "*");
  hvStringBuilder_AppendChar(out, ':');
  bool hasNetwork = record->network && *record->network;
  hvStringBuilder_AppendText(out, hasNetwork ? record->network : "*");
  hvStringBuilder_AppendChar(out, ':');
  hvStringBuilder_AppendText(out, record->contentFormat);
  hvStringBuilder_AppendChar(out, ':');
  AppendFourthField(record, options, out);
  return true;
}

char* hvProtocolInfo_ToString(hvProtocolInfo* record, int options) {
  if (!record->valid) return hvMemory_Strdup("");
  hvStringBuilder out;
  hvStringBuilder_Init(&out, kInitialCapacity);
  hvProtocolInfo_AppendText(record, options, &out);
  return hvStringBuilder_Finish(&out, 1, nullptr);
}

char* hvProtocolInfo_ToString(hvProtocolInfo* record) {
  return hvProtocolInfo_ToString(record, khvProtocolInfo_WriteOperations);
}

char* hvProtocolInfo_ParamsToString(const hvProtocolInfo* record) {
  hvStringBuilder out;
  hvStringBuilder_Init(&out, 0);
  if (record->params) AppendParams(record, &out);
  return hvStringBuilder_Finish(&out, 1, nullptr);
}
