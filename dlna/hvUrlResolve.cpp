// Resolving a reference against a base URL, for the http, https and file schemes.
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"

namespace {

bool EqualsIgnoringCase(const char* text, const char* lowerCase) {
  for (; *text && *lowerCase; ++text, ++lowerCase) {
    char c = *text;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *lowerCase) return false;
  }
  return *text == *lowerCase;
}

void ResolveHttp(hvUrl* base, const hvUrl* reference) {
  if (reference->path) {
    if (reference->path[0] == '/') {
      hvUrl_SetPath(base, reference->path);
    } else {
      hvUrl_AppendPath(base, reference->path);
    }
  }
  hvUrl_SetQuery(base, reference->query);
}

void ResolveFile(hvUrl* base, const char* baseText, const hvUrl* reference) {
  char* baseFile = hvUrl_ToFilePath(baseText);
  hvUrl_SetPath(base, baseFile);
  if (hvPath_IsAbsolute(reference->path)) {
    hvUrl_SetFilePath(base, reference->path);
  } else {
    // The base folder is made absolute from the file path itself, not from the escaped URL
    // path: that one would be escaped a second time by hvUrl_SetFilePath ("%20" coming out
    // as "%2520").
    char* folder = hvPath_MakeAbsolute(baseFile, 1, 0, "");
    if (folder) {
      const size_t length = strlen(folder);
      const bool addSlash = baseFile && *baseFile && baseFile[strlen(baseFile) - 1] == '/' &&
                            (length == 0 || folder[length - 1] != '/');
      char* applied = hvUrl_Concat(folder, length, "/", addSlash ? 1 : 0, "", 0);
      hvUrl_SetFilePath(base, applied);
      hvMemory_Free(applied);
      hvMemory_Free(folder);
    }
    hvUrl_AppendPath(base, reference->path);
  }
  hvMemory_Free(baseFile);
}

}  // namespace

char* hvUrl_Resolve(const char* baseText, const char* referenceText) {
  hvUrl* reference = hvUrl_ParseDecoded(referenceText);
  if (reference->scheme) {
    char* result = hvUrl_Format(reference);
    hvUrl_Free(reference);
    return result;
  }
  hvUrl* base = hvUrl_ParseDecoded(baseText);
  if (!base->scheme) {
    hvUrl_SetPath(base, nullptr);
  } else if (EqualsIgnoringCase(base->scheme, "http") ||
             EqualsIgnoringCase(base->scheme, "https")) {
    ResolveHttp(base, reference);
  } else if (EqualsIgnoringCase(base->scheme, "file") && reference->path) {
    ResolveFile(base, baseText, reference);
  }
  char* result = hvUrl_Format(base);
  hvUrl_Free(base);
  hvUrl_Free(reference);
  return result;
}
