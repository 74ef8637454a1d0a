// Splitting a URL text into an hvUrl. The text may come from the network: every step scans
// within the copy's terminator and nothing is rejected, a text that is no URL just fills fewer
// members.
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

bool IsTrimmed(char c) { return c == ' ' || (c >= 9 && c <= 13); }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Where the first of `stops` (or the terminator) is, from `text`.
const char* FindAny(const char* text, const char* stops) { return text + strcspn(text, stops); }

char* CopySpan(const char* begin, const char* end) {
  return hvMemory_Strndup(begin, static_cast<size_t>(end - begin));
}

// The scheme, when the text starts with one; returns where parsing goes on.
const char* ParseScheme(const char* text, hvUrl* url) {
  const char* stop = FindAny(text, ":/?#");
  if (*stop != ':') return text;
  // A lone letter before ":/" or ":\" is a drive ("C:\Music"), not a scheme.
  if (stop == text + 1 && IsLetter(text[0]) && (stop[1] == '/' || stop[1] == '\\')) return text;
  url->scheme = CopySpan(text, stop);
  return stop + 1;
}

// User info, host and port after "//". Returns null when an empty bracketed host ends the
// parse, else where the path starts.
const char* ParseAuthority(const char* text, hvUrl* url) {
  // '?' and '#' do not end the search for '@': "server?a@b/c" has user info "server?a".
  const char* hostEnd = FindAny(text, "/");
  const char* at = static_cast<const char*>(memchr(text, '@', static_cast<size_t>(hostEnd - text)));
  if (at) {
    url->userInfo = CopySpan(text, at);
    text = at + 1;
  }
  if (*text == '[') {
    const char* close = FindAny(text + 1, "]");
    if (close == text + 1) return nullptr;
    url->host = CopySpan(text + 1, close);
    text = *close ? close + 1 : close;
  } else {
    const char* end = FindAny(text, "/?#:");
    if (end != text) url->host = CopySpan(text, end);
    text = end;
  }
  if (*text == ':') {
    ++text;
    // Accumulated in 16 bits, wrapping as the port field does: 65536 reads as 0.
    uint16_t port = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
      port = static_cast<uint16_t>(port * 10 + (*text - '0'));
    }
    url->port = port;
  }
  return text;
}

}  // namespace

hvUrl* hvUrl_Parse(const char* text, bool unescape) {
  if (!text) text = "";
  while (IsTrimmed(*text)) ++text;
  size_t length = strlen(text);
  while (length > 0 && IsTrimmed(text[length - 1])) --length;
  char* copy = hvMemory_Strndup(text, length);

  hvUrl* url = hvUrl_New();
  const char* rest = ParseScheme(copy, url);
  if (rest[0] == '/' && rest[1] == '/') rest = ParseAuthority(rest + 2, url);
  if (rest) {
    const char* pathEnd = FindAny(rest, "?#");
    if (pathEnd != rest) {
      url->path = CopySpan(rest, pathEnd);
      hvUrl_CheckPath(url);
    }
    rest = pathEnd;
    if (*rest == '?') {
      const char* queryEnd = FindAny(rest + 1, "#");
      url->query = CopySpan(rest + 1, queryEnd);
      rest = queryEnd;
    }
    if (*rest == '#') url->fragment = hvMemory_Strdup(rest + 1);
  }
  hvMemory_Free(copy);
  if (unescape) {
    hvUrl_UnescapeFields(url);
    // Checked again once unescaped: "/%2e%2e/" must not come out as a dot segment.
    hvUrl_CheckPath(url);
  }
  return url;
}

hvUrl* hvUrl_ParseDecoded(const char* text) { return hvUrl_Parse(text, true); }

hvUrl* hvUrl_ParseRaw(const char* text) { return hvUrl_Parse(text, false); }
