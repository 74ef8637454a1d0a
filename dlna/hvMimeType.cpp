// The MIME-type record: release, parameters, writing and matching.
#include "hulvoStreaming/hvMimeType.h"

#include <algorithm>
#include <cstring>

#include "dlna/hvMimeTypeChars.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvAscii.h"
#include "support/hvNumber.h"

namespace {

bool EqualsIgnoreCase(const char* a, const char* b) {
  if (!a || !b) return a == b;
  return hvAscii_CompareIgnoreCase(a, b) == 0;
}

// How a parameter is written: the lengths of its name and value, and the bytes quoting adds
// to the value (0 when it is written bare, else the two quotes and one backslash for each
// '"' or '\\'). A value is quoted when it holds a special character or a double quote, is
// empty, or has white space at its ends that a reader would drop.
struct ParameterShape {
  size_t nameLength;
  size_t valueLength;
  size_t quoting;
};

ParameterShape Measure(const char* name, const char* value) {
  ParameterShape shape{strlen(name), 0, 0};
  if (!value) return shape;
  unsigned char seen = 0;
  size_t escaped = 0;
  const char* c = value;
  for (; *c; ++c) {
    const unsigned char classes = hvMimeChars_Class(*c);
    seen |= classes;
    escaped += (classes & khvMimeChar_Escaped) ? 1 : 0;
  }
  shape.valueLength = static_cast<size_t>(c - value);
  if (shape.valueLength == 0 || (seen & khvMimeChar_Special) || hvMimeChars_IsSpace(value[0]) ||
      hvMimeChars_IsSpace(c[-1]))
    shape.quoting = 2 + escaped;
  return shape;
}

// Parameters measured once and kept for the writing pass; a record with more is measured
// again while it is written.
constexpr size_t kRememberedShapes = 8;

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
  // Most records have no parameters; their absent arrays cost no call.
  if (mime->names) hvMemory_Free(mime->names);
  if (mime->values) hvMemory_Free(mime->values);
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
  const size_t typeLength = mime->type ? strlen(mime->type) : 0;
  ParameterShape shapes[kRememberedShapes];
  size_t length = typeLength;
  for (size_t i = 0; i < mime->parameterCount; ++i) {
    ParameterShape shape = Measure(mime->names[i], mime->values[i]);
    if (i < kRememberedShapes) shapes[i] = shape;
    // A name and its value are two strings in memory, so their lengths and two separators
    // add without wrapping; quoting can double the value, so from there the sums are checked.
    size_t piece = 1 + shape.nameLength + (mime->values[i] ? 1 + shape.valueLength : 0);
    length = hvNumber_AddSizes(length, hvNumber_AddSizes(piece, shape.quoting));
  }
  char* text = static_cast<char*>(hvMemory_Malloc(hvNumber_AddSizes(length, 1)));
  char* out = text;
  if (typeLength) {
    memcpy(out, mime->type, typeLength);
    out += typeLength;
  }
  for (size_t i = 0; i < mime->parameterCount; ++i) {
    const ParameterShape shape =
        i < kRememberedShapes ? shapes[i] : Measure(mime->names[i], mime->values[i]);
    *out++ = ';';
    memcpy(out, mime->names[i], shape.nameLength);
    out += shape.nameLength;
    const char* value = mime->values[i];
    if (!value) continue;
    *out++ = '=';
    if (shape.quoting == 0) {
      memcpy(out, value, shape.valueLength);
      out += shape.valueLength;
      continue;
    }
    *out++ = '"';
    if (shape.quoting == 2) {
      memcpy(out, value, shape.valueLength);
      out += shape.valueLength;
    } else {
      for (const char* c = value; *c; ++c) {
        if (hvMimeChars_Class(*c) & khvMimeChar_Escaped) *out++ = '\\';
        *out++ = *c;
      }
    }
    *out++ = '"';
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
