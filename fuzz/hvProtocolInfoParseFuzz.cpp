// Fuzzes the protocolInfo parser with arbitrary bytes taken by length, then drives every
// reader of the record and checks the invariants the rest of the library relies on.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"

namespace {

void Require(bool condition) {
  if (!condition) abort();
}

void CheckRecord(hvProtocolInfo* record) {
  Require(record != nullptr);
  // An invalid record has nothing but its protocol placeholder.
  if (!record->valid) Require(!record->network && !record->contentFormat && !record->hasParams);
  if (record->valid) Require(record->network && record->contentFormat);
  Require((record->kind == khvProtocol_Other) == (record->protocolName != nullptr));
  Require(hvProtocolInfo_GetProtocolName(record) != nullptr);
  char* name = hvProtocolInfo_CopyProtocolName(record);
  Require(name && strcmp(name, hvProtocolInfo_GetProtocolName(record)) == 0);
  hvMemory_Free(name);

  (void)hvProtocolInfo_HasProfile(record, "MP3");
  (void)hvProtocolInfo_IsLimitedOperation(record);
  (void)hvProtocolInfo_IsWmdrm(record);
  (void)hvProtocolInfo_IsDtcp(record);
  (void)hvProtocolInfo_GetTransferModeName(record);
  (void)hvProtocolInfo_GetTransferModeCode(record);
  Require(record->flagsMajor == 1 && (record->flagsMinor == 0 || record->flagsMinor == 5));

  size_t speeds = hvProtocolInfo_GetPlaySpeedCount(record);
  for (size_t i = 0; i < speeds; ++i) {
    const hvPlaySpeed* speed = hvProtocolInfo_GetPlaySpeedAt(record, i);
    Require(speed && speed->text && speed->value == speed->value);
    if (i > 0) Require(hvProtocolInfo_GetPlaySpeedAt(record, i - 1)->value <= speed->value);
  }
  Require(hvProtocolInfo_GetPlaySpeedAt(record, speeds) == nullptr);

  // Every stored parameter is found again under its own name, and names are distinct.
  size_t params = hvProtocolInfo_GetParamCount(record);
  for (size_t i = 0; i < params; ++i) {
    const char* paramName;
    size_t nameLength;
    const char* value;
    Require(hvProtocolInfo_GetParamAt(record, i, &paramName, &nameLength, &value));
    Require(nameLength > 0 && value);
    if (strlen(paramName) == nameLength)
      Require(hvProtocolInfo_GetParam(record, paramName) == value);
  }

  // Normalizing settles the flags: a second pass changes nothing.
  hvProtocolInfo_Normalize(record);
  uint32_t word = record->flags[0];
  hvProtocolInfo_Normalize(record);
  Require(word == record->flags[0]);
  hvProtocolInfo_DecodeFlags(record);
  hvProtocolInfo_EncodeFlags(record, &word);
}

void ExerciseParams(hvProtocolInfo* record) {
  hvProtocolInfo_SetParam(record, "x_fuzz", "1");
  Require(strcmp(hvProtocolInfo_GetParam(record, "x_fuzz"), "1") == 0);
  const char* name;
  size_t nameLength;
  const char* value;
  if (hvProtocolInfo_GetParamAt(record, 0, &name, &nameLength, &value) &&
      strlen(name) == nameLength) {
    // Re-setting an entry from its own texts: the record copies them before it frees them.
    std::string keptName(name);
    std::string keptValue(value);
    hvProtocolInfo_SetParam(record, name, value);
    Require(keptValue == hvProtocolInfo_GetParam(record, keptName.c_str()));
  }
  hvProtocolInfo_RemoveParam(record, "x_fuzz");
  Require(hvProtocolInfo_GetParam(record, "x_fuzz") == nullptr);
  hvProtocolInfo_ClearPlaySpeeds(record);
  hvProtocolInfo_ClearParams(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  hvProtocolInfo* record = hvProtocolInfo_Parse(text, size);
  CheckRecord(record);
  ExerciseParams(record);
  hvProtocolInfo_Free(record);

  record = hvProtocolInfo_ParseShort(text, size);
  CheckRecord(record);
  hvProtocolInfo_Free(record);

  // The text reader takes a NUL-terminated fourth field.
  std::string terminated(text, size);
  const char* names[] = {"DLNA.ORG_PN", "x_a", "MICROSOFT.COM_PN", ""};
  for (const char* wanted : names)
    hvMemory_Free(hvProtocolInfo_FindParamInText(terminated.c_str(), wanted));
  return 0;
}
