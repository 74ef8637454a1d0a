// The MIME-type record: release, parameters, writing and matching.
#include "hulvoStreaming/hvMimeType.h"

#include <algorithm>
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"

namespace {

bool EqualsIgnoreCase(const char* a, const char* b) {
  if (!a || !b) return a == b;
  return hvAscii_EqualsIgnoreCase(a, strlen(a), b, strlen(b));
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Whether a value must be written in quotes to be read back as it is: it holds a special
// character or a double quote, it is empty, or white space at its ends would be dropped.
bool NeedsQuotes(const char* value) {
  const size_t length = strlen(value);
  return length == 0 || IsSpace(value[0]) || IsSpace(value[length - 1]) ||
         strpbrk(value, "()<>@,;:\\/[]?=\"") != nullptr;
}

// In quotes, '"' and '\\' are written behind a backslash.
bool IsEscapedInQuotes(char c) { return c == '"' || c == '\\'; }

size_t EscapedCount(const char* value) {
  size_t count = 0;
  for (const char* c = value; *c; ++c) {
    if (IsEscapedInQuotes(*c)) ++count;
  }
  return count;
}

struct ParameterRef {
  const char* name;
  const char* value;  // null for a name-only parameter
};

// By name, then by value ignoring case; a missing value sorts first.
int CompareParameters(const ParameterRef& a, const ParameterRef& b) {
  int order = hvAscii_CompareIgnoreCase(a.name, b.name);
  if (order != 0) return order;
  if (!a.value || !b.value) return (a.value ? 1 : 0) - (b.value ? 1 : 0);
  return hvAscii_CompareIgnoreCase(a.value, b.value);
}

ptrdiff_t FindName(const hvMimeType* mime, const char* name) {
  for (size_t i = 0; i < mime->parameterCount; ++i) {
    if (EqualsIgnoreCase(mime->names[i], name)) return static_cast<ptrdiff_t>(i);
  }
  return -1;
}

}  // namespace

void hvMimeType_Free(hvMimeType* mime) {
  if (!mime) return;
  for (size_t i = 0; i < mime->parameterCount; ++i) {
    hvMemory_Free(mime->names[i]);
    hvMemory_Free(mime->values[i]);
  }
  hvMemory_Free(mime->names);
  hvMemory_Free(mime->values);
  hvMemory_Free(mime->type);
  hvMemory_Free(mime);
}

void hvMimeType_AddParameter(hvMimeType* mime, const char* name, const char* value) {
  if (!name || !*name) return;
  size_t count = hvNumber_AddSizes(mime->parameterCount, 1);
  size_t bytes = hvNumber_MultiplySizes(count, sizeof(char*));
  mime->names = static_cast<char**>(hvMemory_Realloc(mime->names, bytes));
  mime->values = static_cast<char**>(hvMemory_Realloc(mime->values, bytes));
  mime->names[count - 1] = hvMemory_Strdup(name);
  mime->values[count - 1] = value && *value ? hvMemory_Strdup(value) : nullptr;
  mime->parameterCount = count;
}

char* hvMimeType_ToString(const hvMimeType* mime) {
  // Measured first so the text is allocated once at its exact length.
  size_t length = mime->type ? strlen(mime->type) : 0;
  for (size_t i = 0; i < mime->parameterCount; ++i) {
    length = hvNumber_AddSizes(length, hvNumber_AddSizes(1, strlen(mime->names[i])));
    if (mime->values[i]) {
      size_t quoting = NeedsQuotes(mime->values[i]) ? 2 + EscapedCount(mime->values[i]) : 0;
      length = hvNumber_AddSizes(length, hvNumber_AddSizes(1 + quoting, strlen(mime->values[i])));
    }
  }
  char* text = static_cast<char*>(hvMemory_Malloc(hvNumber_AddSizes(length, 1)));
  char* out = text;
  auto append = [&out](const char* part, size_t partLength) {
    memcpy(out, part, partLength);
    out += partLength;
  };
  if (mime->type) append(mime->type, strlen(mime->type));
  for (size_t i = 0; i < mime->parameterCount; ++i) {
    append(";", 1);
    append(mime->names[i], strlen(mime->names[i]));
    const char* value = mime->values[i];
    if (!value) continue;
    append("=", 1);
    if (!NeedsQuotes(value)) {
      append(value, strlen(value));
      continue;
    }
    append("\"", 1);
    for (const char* c = value; *c; ++c) {
      if (IsEscapedInQuotes(*c)) append("\\", 1);
      append(c, 1);
    }
    append("\"", 1);
  }
  *out = '\0';
  return text;
}

const char* hvMimeType_GetType(const hvMimeType* mime) { return mime->type; }

size_t hvMimeType_GetParameterCount(const hvMimeType* mime) { return mime->parameterCount; }

const char* hvMimeType_GetParameterName(const hvMimeType* mime, size_t index) {
  return index < mime->parameterCount ? mime->names[index] : nullptr;
}

const char* hvMimeType_GetParameterValue(const hvMimeType* mime, size_t index) {
  return index < mime->parameterCount ? mime->values[index] : nullptr;
}

char* hvMimeType_FindParameter(const hvMimeType* mime, const char* name) {
  if (!name || !*name) return nullptr;
  ptrdiff_t index = FindName(mime, name);
  return index < 0 ? nullptr : hvMemory_Strdup(mime->values[index]);
}

int hvMimeType_HasParameter(const hvMimeType* mime, const char* name) {
  return name && FindName(mime, name) >= 0 ? 1 : 0;
}

void hvMimeType_ApplyL16Default(hvMimeType* mime) {
  if (EqualsIgnoreCase(mime->type, "audio/L16") && !hvMimeType_HasParameter(mime, "channels"))
    hvMimeType_AddParameter(mime, "channels", "1");
}

int hvMimeType_MatchesText(const hvMimeType* mime, const char* text) {
  hvMimeType* other = hvMimeType_Parse(text);
  int matches = EqualsIgnoreCase(mime->type ? mime->type : "", other->type) ? 1 : 0;
  if (matches && mime->parameterCount > 0) {
    // The other text's parameters are sorted once and searched, so two texts with thousands
    // of parameters do not cost a comparison of every pair.
    size_t count = other->parameterCount;
    ParameterRef* sorted = static_cast<ParameterRef*>(
        hvMemory_Malloc(hvNumber_MultiplySizes(count > 0 ? count : 1, sizeof(ParameterRef))));
    for (size_t j = 0; j < count; ++j) sorted[j] = {other->names[j], other->values[j]};
    std::sort(sorted, sorted + count, [](const ParameterRef& a, const ParameterRef& b) {
      return CompareParameters(a, b) < 0;
    });
    for (size_t i = 0; matches && i < mime->parameterCount; ++i) {
      ParameterRef wanted = {mime->names[i], mime->values[i]};
      const ParameterRef* found = std::lower_bound(
          sorted, sorted + count, wanted,
          [](const ParameterRef& a, const ParameterRef& b) { return CompareParameters(a, b) < 0; });
      if (found == sorted + count || CompareParameters(*found, wanted) != 0) matches = 0;
    }
    hvMemory_Free(sorted);
  }
  hvMimeType_Free(other);
  return matches;
}

int hvMimeType_Match(const char* a, const char* b) {
  hvMimeType* mime = hvMimeType_Parse(a);
  int matches = hvMimeType_MatchesText(mime, b);
  hvMimeType_Free(mime);
  return matches;
}
