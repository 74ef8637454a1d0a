// Local file paths and "file" URLs. A Windows path takes a '/' in front of it in the URL
// (file:///C:/Music); on systems where '/' roots a path, a rooted path is the URL path itself
// (file:///music), so both kinds round-trip on both systems.
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"
#include "support/hvPathKernel.h"

namespace {

bool IsRooted(const char* filePath) { return filePath[0] == '/' && hvPathKernel_SlashIsRoot(); }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The URL path for a file path: "/" + the path, or the rooted path as it is.
char* UrlPathOf(const char* filePath) {
  const bool rooted = IsRooted(filePath);
  return hvUrl_Concat("/", rooted ? 0 : 1, filePath, strlen(filePath), "", 0);
}

// Whether the URL path's leading '/' was put there in front of a file path. On a system
// rooted at '/' it was not when a rooted path follows, that is unless a drive ("/C:/...") or
// another '/' (a network path written with '/') follows.
bool HasAddedSlash(const char* urlPath) {
  if (!hvPathKernel_SlashIsRoot()) return true;
  const char* rest = urlPath + 1;
  const bool drive =
      IsLetter(rest[0]) && rest[1] == ':' && (rest[2] == '/' || rest[2] == '\\' || rest[2] == '\0');
  return drive || rest[0] == '/';
}

// Where '/' roots paths it is the only separator, and a backslash is an ordinary byte of a
// name ("a\\b.mp3"): it is kept, escaped, so that the name comes back from hvUrl_ToFilePath.
bool BackslashSeparates() { return !hvPathKernel_SlashIsRoot(); }

char* EscapeBackslashes(const char* text) {
  size_t length = 0;
  size_t backslashes = 0;
  for (const char* c = text; *c; ++c, ++length) {
    if (*c == '\\') ++backslashes;
  }
  char* result = static_cast<char*>(hvMemory_Malloc(length + 2 * backslashes + 1));
  char* out = result;
  for (const char* c = text; *c; ++c) {
    if (*c == '\\') {
      memcpy(out, "%5C", 3);
      out += 3;
    } else {
      *out++ = *c;
    }
  }
  *out = '\0';
  return result;
}

}  // namespace

void hvUrl_SetFilePath(hvUrl* url, const char* filePath) {
  if (!hvPath_IsAbsolute(filePath)) {
    hvUrl_SetPath(url, nullptr);
    return;
  }
  char* path = UrlPathOf(filePath);
  hvUrl_SetPath(url, path);
  hvMemory_Free(path);
}

char* hvUrl_FromFilePath(const char* filePath) {
  if (!filePath) return nullptr;
  char* path = UrlPathOf(filePath);
  hvUrl* url;
  if (BackslashSeparates()) {
    for (char* c = path; *c; ++c) {
      if (*c == '\\') *c = '/';
    }
    url = hvUrl_Create("file", nullptr, 0, path);
  } else {
    // The path class lets a backslash through, so it is escaped after the rest.
    char* escaped = hvUrl_EscapeText(path, khvUrlClass_Path, false);
    url = hvUrl_Create("file", nullptr, 0, nullptr);
    url->path = EscapeBackslashes(escaped);
    hvMemory_Free(escaped);
    hvUrl_CheckPath(url);
  }
  hvMemory_Free(path);
  char* text = hvUrl_Format(url);
  hvUrl_Free(url);
  return text;
}

char* hvUrl_ToFilePath(const char* text) {
  hvUrl* url = hvUrl_ParseDecoded(text);
  char* filePath = nullptr;
  if (url->scheme && strcmp(url->scheme, "file") == 0 && url->path && url->path[0] == '/') {
    filePath = hvMemory_Strdup(url->path + (HasAddedSlash(url->path) ? 1 : 0));
  }
  hvUrl_Free(url);
  return filePath;
}
