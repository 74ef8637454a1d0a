// Fuzzes parse -> write -> parse -> write of one protocolInfo.
//
// Writing a record twice always gives the same text. Reading a written text back gives the
// same text again once the input was in the writer's own terms; a few inputs are not, and the
// first write legitimately changes them:
// - NUL bytes (the written text ends at the first one);
// - an empty protocol field (kept as an unknown protocol named "*", which reads back as "*",
//   the any-protocol, whose flags normalize differently);
// - an other parameter whose name is one of the decoded DLNA.ORG_ names, kept because its
//   piece had more than one '=' (written with one, it is decoded when read back);
// - limited-operation flags left over from an earlier DLNA.ORG_FLAGS of version 1.5 after a
//   later one of version 1.0 (version 1.0 flags are not written, so the limits vanish).
// From the first written text on, writing is stable: the third write equals the second.
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

bool IsDecodedName(const char* name, size_t length) {
  static const char* const kNames[] = {"DLNA.ORG_PN", "DLNA.ORG_OP",    "DLNA.ORG_PS",
                                       "DLNA.ORG_CI", "DLNA.ORG_FLAGS", "DLNA.ORG_MAXSP"};
  for (const char* known : kNames) {
    if (strlen(known) == length && strncasecmp(known, name, length) == 0) return true;
  }
  return false;
}

bool InWriterTerms(const std::string& input, const hvProtocolInfo* record) {
  if (input.find('\0') != std::string::npos) return false;
  if (record->kind == khvProtocol_Other && strcmp(record->protocolName, "*") == 0) return false;
  for (size_t i = 0; i < hvProtocolInfo_GetParamCount(record); ++i) {
    const char* name;
    size_t nameLength;
    const char* value;
    hvProtocolInfo_GetParamAt(record, i, &name, &nameLength, &value);
    if (IsDecodedName(name, nameLength)) return false;
  }
  if (record->flagsMinor < 5 && hvProtocolInfo_IsLimitedOperation(record)) return false;
  return true;
}

// Writes the record twice with the same options and checks the two texts agree.
std::string Write(hvProtocolInfo* record, int options) {
  char* first = hvProtocolInfo_ToString(record, options);
  char* second = hvProtocolInfo_ToString(record, options);
  Require(strcmp(first, second) == 0);
  std::string text(first);
  hvMemory_Free(first);
  hvMemory_Free(second);
  return text;
}

std::string ParseAndWrite(const std::string& text, int options) {
  hvProtocolInfo* record = hvProtocolInfo_Parse(text.data(), text.size());
  std::string written = Write(record, options);
  hvProtocolInfo_Free(record);
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  hvProtocolInfo* record = hvProtocolInfo_Parse(input.data(), input.size());
  bool inWriterTerms = InWriterTerms(input, record);
  for (int options : {1, 2, 4}) {
    std::string first = Write(record, options);
    Require(record->valid || first.empty());
    std::string second = ParseAndWrite(first, options);
    if (inWriterTerms) Require(second == first);
    Require(ParseAndWrite(second, options) == second);
  }
  char* fourth = hvProtocolInfo_FourthFieldToString(record, 1);
  Require(!record->valid || *fourth != '\0');
  hvMemory_Free(fourth);
  hvMemory_Free(hvProtocolInfo_ParamsToString(record));

  // The serving and protection steps keep the record writable.
  hvProtocolInfo_SetServingDefaults(record);
  hvProtocolInfo_ApplyWmdrmRules(record);
  hvProtocolInfo_AddDtcpPrefix(record);
  hvProtocolInfo_WrapDtcp(record, "192.168.1.2", 8000);
  std::string wrapped = Write(record, 1);
  Require(!record->valid || hvProtocolInfo_IsDtcp(record));
  (void)wrapped;
  hvProtocolInfo_Free(record);
  return 0;
}
