// The hvUrl record: creation, copies, member setters and the path rules.
#include <cstdlib>
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

bool IsEmptyText(const char* text) { return !text || !*text; }

// Most parsed records lack some members; a call per absent one costs more than the test.
// free itself, which hvMemory.h allows: hvMemory_Free is one more jump per member.
void FreeMembers(hvUrl* url) {
  if (url->scheme) free(url->scheme);
  if (url->host) free(url->host);
  if (url->path) free(url->path);
  if (url->query) free(url->query);
  if (url->fragment) free(url->fragment);
  if (url->userInfo) free(url->userInfo);
}

}  // namespace

char* hvUrl_Concat(const char* first, size_t firstLength, const char* second, size_t secondLength,
                   const char* third, size_t thirdLength) {
  char* text = static_cast<char*>(hvMemory_Malloc(firstLength + secondLength + thirdLength + 1));
  memcpy(text, first, firstLength);
  memcpy(text + firstLength, second, secondLength);
  memcpy(text + firstLength + secondLength, third, thirdLength);
  text[firstLength + secondLength + thirdLength] = '\0';
  return text;
}

hvUrl* hvUrl_New() { return hvUrl_NewRecord(); }

hvUrl* hvUrl_Create(const char* scheme, const char* host, unsigned port, const char* path) {
  hvUrl* url = hvUrl_New();
  url->scheme = hvMemory_Strdup(scheme);
  url->host = hvMemory_Strdup(host);
  url->port = static_cast<uint16_t>(port);
  url->path = hvUrl_EscapeText(path, khvUrlClass_Path, false);
  hvUrl_CheckPath(url);
  return url;
}

hvUrl* hvUrl_CreateFull(const char* scheme, const char* userInfo, const char* host, unsigned port,
                        const char* path, const char* query, const char* fragment) {
  hvUrl* url = hvUrl_Create(scheme, host, port, path);
  url->userInfo = hvUrl_EscapeText(userInfo, khvUrlClass_UserInfo, false);
  url->query = hvUrl_EscapeText(query, khvUrlClass_Query, false);
  url->fragment = hvUrl_EscapeText(fragment, khvUrlClass_Fragment, false);
  return url;
}

hvUrl* hvUrl_Copy(const hvUrl* url) {
  if (!url) return nullptr;
  hvUrl* copy = hvUrl_New();
  copy->scheme = hvMemory_Strdup(url->scheme);
  copy->host = hvMemory_Strdup(url->host);
  copy->port = url->port;
  copy->path = hvMemory_Strdup(url->path);
  copy->query = hvMemory_Strdup(url->query);
  copy->fragment = hvMemory_Strdup(url->fragment);
  copy->userInfo = hvMemory_Strdup(url->userInfo);
  return copy;
}

void hvUrl_Clear(hvUrl* url) {
  if (!url) return;
  FreeMembers(url);
  *url = hvUrl();
}

void hvUrl_Free(hvUrl* url) {
  if (!url) return;
  FreeMembers(url);
  free(url);
}

bool hvUrl_IsEmpty(const hvUrl* url) {
  return !url ||
         (IsEmptyText(url->scheme) && IsEmptyText(url->userInfo) && IsEmptyText(url->host) &&
          IsEmptyText(url->path) && IsEmptyText(url->query) && IsEmptyText(url->fragment));
}

void hvUrl_SetScheme(hvUrl* url, const char* text) {
  hvUrl_StoreMember(&url->scheme, text, khvUrlClass_Raw);
}

void hvUrl_SetUserInfo(hvUrl* url, const char* text, unsigned classBits) {
  hvUrl_StoreMember(&url->userInfo, text, classBits);
}

void hvUrl_SetHost(hvUrl* url, const char* text) {
  hvUrl_StoreMember(&url->host, text, khvUrlClass_Raw);
}

void hvUrl_SetPort(hvUrl* url, unsigned port) { url->port = static_cast<uint16_t>(port); }

void hvUrl_SetPath(hvUrl* url, const char* text, unsigned classBits) {
  hvUrl_StoreMember(&url->path, text, classBits);
  hvUrl_CheckPath(url);
}

void hvUrl_SetQuery(hvUrl* url, const char* text, unsigned classBits) {
  hvUrl_StoreMember(&url->query, text, classBits);
}

void hvUrl_SetFragment(hvUrl* url, const char* text, unsigned classBits) {
  hvUrl_StoreMember(&url->fragment, text, classBits);
}

void hvUrl_AppendPath(hvUrl* url, const char* relative) {
  if (!url->path) {
    hvUrl_SetPath(url, relative);
    return;
  }
  if (relative) {
    char* escaped = hvUrl_EscapeText(relative, khvUrlClass_Path, false);
    const char* lastSlash = strrchr(url->path, '/');
    const size_t baseLength = lastSlash ? static_cast<size_t>(lastSlash - url->path) : 0;
    char* joined = hvUrl_Concat(url->path, baseLength, "/", 1, escaped, strlen(escaped));
    hvMemory_Free(escaped);
    hvMemory_Free(url->path);
    url->path = joined;
  }
  hvUrl_CheckPath(url);
}

const char* hvUrl_GetExtension(const hvUrl* url) {
  if (!url->path) return "";
  const char* dot = strrchr(url->path, '.');
  if (!dot || strpbrk(dot, "/\\")) return "";
  return dot + 1;
}

// True when the path holds a whole "." or ".." segment, between separators ('/' or a backslash) or
// the path's ends. Names that merely start or end with a dot (".local", "a.") are no segments
// of that kind: refusing them would empty every path under a hidden folder.
// A dot segment starts with a dot at the start of its segment, so only the dots need a look.
bool hvUrl_HasDotSegment(const char* path, size_t length) {
  auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
  const char* end = path + length;
  for (const char* dot = path;
       (dot = static_cast<const char*>(memchr(dot, '.', static_cast<size_t>(end - dot)))); ++dot) {
    if (dot != path && !isSeparator(dot[-1])) continue;
    const char* after = dot + 1 < end && dot[1] == '.' ? dot + 2 : dot + 1;
    if (after == end || isSeparator(*after)) return true;
  }
  return false;
}

void hvUrl_CheckPath(hvUrl* url) {
  char* path = url->path;
  if (path && hvUrl_HasDotSegment(path, strlen(path))) path[0] = '\0';
}
