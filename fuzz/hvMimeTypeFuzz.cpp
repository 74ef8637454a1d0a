// Fuzzes MIME-text parsing and writing with arbitrary NUL-terminated texts (content formats
// come from network devices), and checks what the writer promises: a record reads back from
// its own text unchanged (values of any bytes, quoted and escaped where needed) unless a name
// holds ';', '=' or a double quote (a closed quote lets them pass into a name); no parsed type,
// name or value starts or ends with white space outside quotes; and a text always matches
// itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"

namespace {

void Require(bool condition) {
  if (!condition) abort();
}

bool SameText(const char* a, const char* b) { return a == b || (a && b && strcmp(a, b) == 0); }

bool WrittenAmbiguously(const hvMimeType* mime) {
  for (size_t i = 0; i < hvMimeType_GetParameterCount(mime); ++i) {
    if (strpbrk(hvMimeType_GetParameterName(mime, i), ";=\"")) return true;
  }
  return false;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool Trimmed(const char* text) {
  size_t length = strlen(text);
  return length == 0 || (!IsSpace(text[0]) && !IsSpace(text[length - 1]));
}

void CheckRecord(const hvMimeType* mime) {
  Require(hvMimeType_GetType(mime) != nullptr);
  Require(Trimmed(hvMimeType_GetType(mime)));
  size_t count = hvMimeType_GetParameterCount(mime);
  for (size_t i = 0; i < count; ++i) {
    const char* name = hvMimeType_GetParameterName(mime, i);
    const char* value = hvMimeType_GetParameterValue(mime, i);
    // Parsing keeps only named parameters with a value; only "" (quotes around nothing) is
    // empty.
    Require(name && *name && value && Trimmed(name));
    Require(hvMimeType_HasParameter(mime, name));
    char* found = hvMimeType_FindParameter(mime, name);
    Require(found != nullptr);
    hvMemory_Free(found);
  }
  Require(hvMimeType_GetParameterName(mime, count) == nullptr);
  Require(hvMimeType_GetParameterValue(mime, count) == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  hvMimeType* mime = hvMimeType_Parse(text.c_str());
  CheckRecord(mime);
  char* written = hvMimeType_ToString(mime);

  hvMimeType* again = hvMimeType_Parse(written);
  CheckRecord(again);
  if (!WrittenAmbiguously(mime)) {
    Require(SameText(hvMimeType_GetType(mime), hvMimeType_GetType(again)));
    Require(hvMimeType_GetParameterCount(mime) == hvMimeType_GetParameterCount(again));
    for (size_t i = 0; i < hvMimeType_GetParameterCount(mime); ++i) {
      Require(
          SameText(hvMimeType_GetParameterName(mime, i), hvMimeType_GetParameterName(again, i)));
      Require(
          SameText(hvMimeType_GetParameterValue(mime, i), hvMimeType_GetParameterValue(again, i)));
    }
    char* rewritten = hvMimeType_ToString(again);
    Require(strcmp(written, rewritten) == 0);
    hvMemory_Free(rewritten);
  }
  Require(hvMimeType_Match(text.c_str(), text.c_str()) == 1);
  Require(hvMimeType_MatchesText(mime, written) == 1 || WrittenAmbiguously(mime));

  // Building on a parsed record: name-only and quoted parameters.
  hvMimeType_AddParameter(mime, "DTCP1HOST", "");
  hvMimeType_AddParameter(mime, "CONTENTFORMAT", text.c_str());
  hvMimeType_ApplyL16Default(mime);
  char* built = hvMimeType_ToString(mime);
  hvMemory_Free(built);

  hvMemory_Free(written);
  hvMimeType_Free(again);
  hvMimeType_Free(mime);
  return 0;
}
