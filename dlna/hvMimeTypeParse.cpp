// Parsing a MIME text. Two passes over the parameters: the first counts the segments so the
// arrays are allocated once, the second extracts them. The passes track quotes slightly
// differently (the count trusts any '=', the extraction only one after a non-empty name), so
// the extraction may meet more segments than were counted; it stops when the arrays are
// full, and every dropped segment lowers the bound, which therefore never passes the index
// of the next parameter.
#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "support/hvNumber.h"

namespace {

size_t CountSegments(const char* p) {
  size_t count = 0;
  bool inValue = false;
  bool inQuotes = false;
  for (;; ++p) {
    char c = *p;
    if (c == '=' && !inQuotes) {
      inValue = true;
    } else if (c == '"' && inValue) {
      inQuotes = !inQuotes;
    } else if ((c == ';' || c == '\0') && !inQuotes) {
      ++count;
      inValue = false;
    }
    if (c == '\0') return count;
  }
}

void ReleaseName(hvMimeType* mime, size_t index) {
  hvMemory_Free(mime->names[index]);
  mime->names[index] = nullptr;
}

// Fills names and values from the text after the first ';'; returns the number kept.
size_t ExtractParameters(hvMimeType* mime, const char* p, size_t bound) {
  size_t kept = 0;
  const char* tokenStart = p;
  bool nameStored = false;
  bool inQuotes = false;
  for (; kept < bound; ++p) {
    char c = *p;
    if (c == '=' && !inQuotes) {
      if (p > tokenStart) {
        hvMimeType_SetParameterText(mime, kept, 0, tokenStart, static_cast<size_t>(p - tokenStart));
        nameStored = true;
      }
      tokenStart = p + 1;
    } else if (c == '"' && nameStored) {
      inQuotes = !inQuotes;
    } else if ((c == ';' || c == '\0') && !inQuotes) {
      if (nameStored && p > tokenStart) {
        hvMimeType_SetParameterText(mime, kept, 1, tokenStart, static_cast<size_t>(p - tokenStart));
        ++kept;
      } else {
        ReleaseName(mime, kept);
        --bound;
      }
      nameStored = false;
      inQuotes = false;
      tokenStart = p + 1;
    }
    if (c == '\0') break;
  }
  return kept;
}

}  // namespace

hvMimeType* hvMimeType_Parse(const char* text) {
  hvMimeType* mime = static_cast<hvMimeType*>(hvMemory_Calloc(sizeof(hvMimeType)));
  if (!text) {
    mime->type = hvMemory_Strdup("");
    return mime;
  }
  const char* semicolon = strchr(text, ';');
  if (!semicolon) {
    mime->type = hvMemory_Strdup(text);
    return mime;
  }
  mime->type = hvMemory_Strndup(text, static_cast<size_t>(semicolon - text));

  // Zero when the only segment runs into an unterminated quote.
  size_t allocated = CountSegments(semicolon + 1);
  size_t kept = 0;
  if (allocated > 0) {
    size_t bytes = hvNumber_MultiplySizes(allocated, sizeof(char*));
    mime->names = static_cast<char**>(hvMemory_Calloc(bytes));
    mime->values = static_cast<char**>(hvMemory_Calloc(bytes));
    mime->parameterCount = allocated;
    kept = ExtractParameters(mime, semicolon + 1, allocated);
  }
  // A name stored for a segment that an unterminated quote cut off.
  for (size_t i = kept; i < allocated; ++i) ReleaseName(mime, i);
  mime->parameterCount = kept;
  if (kept == 0) {
    hvMemory_Free(mime->names);
    hvMemory_Free(mime->values);
    mime->names = nullptr;
    mime->values = nullptr;
  }
  hvMimeType_ApplyL16Default(mime);
  return mime;
}

void hvMimeType_SetParameterText(hvMimeType* mime, size_t index, int isValue, const char* text,
                                 size_t length) {
  if (index >= mime->parameterCount) return;
  if (isValue && length >= 2 && text[0] == '"' && text[length - 1] == '"') {
    ++text;
    length -= 2;
  }
  char** slot = isValue ? &mime->values[index] : &mime->names[index];
  hvMemory_StrAssignN(slot, text, length);
}
