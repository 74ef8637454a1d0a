// Query items: "name" or "name=value", separated by '&'.
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

// The item named `name`: where its name starts, or null.
const char* FindItem(const char* query, const char* name) {
  if (!query || !name) return nullptr;
  const size_t nameLength = strlen(name);
  // An occurrence counts only as a whole name: at the start or after '&', and followed by
  // '=', '&' or the end ("ab" is no "b", "b2" is no "b").
  for (const char* found = strstr(query, name); found; found = strstr(found + 1, name)) {
    const char after = found[nameLength];
    if ((found == query || found[-1] == '&') && (after == '=' || after == '&' || after == '\0')) {
      return found;
    }
    if (*found == '\0') break;
  }
  return nullptr;
}

}  // namespace

const char* hvUrl_FindParam(const hvUrl* url, const char* name, size_t* length) {
  const char* item = FindItem(url->query, name);
  if (!item) {
    if (length) *length = 0;
    return nullptr;
  }
  const char* span = item == url->query ? item : item - 1;
  if (length) *length = static_cast<size_t>(item - span) + strcspn(item, "&");
  return span;
}

void hvUrl_RemoveParam(hvUrl* url, const char* name) {
  size_t length = 0;
  const char* span = hvUrl_FindParam(url, name, &length);
  if (!span) return;
  char* start = url->query + (span - url->query);
  memmove(start, start + length, strlen(start + length) + 1);
}

void hvUrl_SetParam(hvUrl* url, const char* name, const char* value) {
  if (!name) return;
  hvUrl_RemoveParam(url, name);
  const size_t nameLength = strlen(name);
  const size_t valueLength = value ? strlen(value) : 0;
  char* item = hvUrl_Concat(name, nameLength, "=", value ? 1 : 0, value ? value : "", valueLength);
  if (url->query && *url->query) {
    char* joined = hvUrl_Concat(url->query, strlen(url->query), "&", 1, item, strlen(item));
    hvMemory_Free(item);
    item = joined;
  }
  hvMemory_Free(url->query);
  url->query = item;
}

char* hvUrl_GetParam(const hvUrl* url, const char* name) {
  const char* item = FindItem(url->query, name);
  if (!item) return nullptr;
  const char* after = item + strlen(name);
  if (*after != '=') return hvMemory_Strdup("");
  return hvMemory_Strndup(after + 1, strcspn(after + 1, "&"));
}
