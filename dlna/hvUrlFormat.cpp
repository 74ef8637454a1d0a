// Joining an hvUrl into a text, and the whole-text conversions built on parse and format.
#include <cassert>
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

// The member's bytes at `out`; returns where the next piece goes.
char* Append(char* out, const char* text, size_t length) {
  memcpy(out, text, length);
  return out + length;
}

// The decimal digits of a port that is not 0.
size_t PortDigits(uint16_t port) {
  return port >= 10000 ? 5 : port >= 1000 ? 4 : port >= 100 ? 3 : port >= 10 ? 2 : 1;
}

size_t Length(const char* text) { return text ? strlen(text) : 0; }

}  // namespace

char* hvUrl_Format(const hvUrl* url) {
  if (!url) return hvMemory_Strdup("");
  // Each member is measured once; every byte written below is counted first, separators,
  // brackets and port included.
  const size_t schemeLength = Length(url->scheme);
  const size_t userInfoLength = Length(url->userInfo);
  const size_t hostLength = Length(url->host);
  const size_t pathLength = Length(url->path);
  const size_t queryLength = Length(url->query);
  const size_t fragmentLength = Length(url->fragment);
  // "//" marks an authority, and comes before a host or user info with or without a
  // scheme ("//host/p" is no relative path "host/p"). A path alone takes it after a scheme
  // when it starts with '/' (file:///C:/Music), and without one when it starts with "//",
  // which would otherwise read back as an authority. Before any other path it is left out:
  // x-rincon-queue:RINCON_1#0 would turn into a host.
  const bool authority = url->userInfo || url->host;
  const bool rootedPath = url->path && url->path[0] == '/';
  const bool slashes = authority || (rootedPath && (url->scheme || url->path[1] == '/'));
  const bool brackets = url->host && memchr(url->host, ':', hostLength);
  const bool pathSlash = url->path && !rootedPath && authority;
  const size_t portDigits = url->host && url->port != 0 ? PortDigits(url->port) : 0;

  size_t size = 1;
  if (url->scheme) size += schemeLength + 1;
  if (slashes) size += 2;
  if (url->userInfo) size += userInfoLength + 1;
  if (url->host) size += hostLength + (brackets ? 2 : 0) + (portDigits ? portDigits + 1 : 0);
  if (url->path) size += pathLength + (pathSlash ? 1 : 0);
  if (url->query) size += 1 + queryLength;
  if (url->fragment) size += 1 + fragmentLength;

  char* text = static_cast<char*>(hvMemory_Malloc(size));
  char* out = text;
  if (url->scheme) {
    out = Append(out, url->scheme, schemeLength);
    *out++ = ':';
  }
  if (slashes) {
    *out++ = '/';
    *out++ = '/';
  }
  if (url->userInfo) {
    out = Append(out, url->userInfo, userInfoLength);
    *out++ = '@';
  }
  if (url->host) {
    if (brackets) *out++ = '[';
    out = Append(out, url->host, hostLength);
    if (brackets) *out++ = ']';
    if (portDigits) {
      *out++ = ':';
      unsigned port = url->port;
      for (size_t i = portDigits; i > 0; --i, port /= 10)
        out[i - 1] = static_cast<char>('0' + port % 10);
      out += portDigits;
    }
  }
  if (url->path) {
    if (pathSlash) *out++ = '/';
    out = Append(out, url->path, pathLength);
  }
  if (url->query) {
    *out++ = '?';
    out = Append(out, url->query, queryLength);
  }
  if (url->fragment) {
    *out++ = '#';
    out = Append(out, url->fragment, fragmentLength);
  }
  *out++ = '\0';
  assert(static_cast<size_t>(out - text) == size);
  return text;
}

char* hvUrl_StripQueryAndFragment(const char* text) {
  hvUrl* url = hvUrl_ParseDecoded(text);
  hvUrl_SetQuery(url, nullptr);
  hvUrl_SetFragment(url, nullptr);
  char* result = hvUrl_Format(url);
  hvUrl_Free(url);
  return result;
}

char* hvUrl_UnescapeString(const char* text) {
  if (!text) return nullptr;
  hvUrl* url = hvUrl_ParseDecoded(text);
  char* result = hvUrl_Format(url);
  hvUrl_Free(url);
  return result;
}

char* hvUrl_EscapeString(const char* text) {
  if (!text) return nullptr;
  hvUrl* url = hvUrl_ParseRaw(text);
  hvUrl_EscapeFields(url);
  char* result = hvUrl_Format(url);
  hvUrl_Free(url);
  return result;
}
