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

// The port after the host: nothing, ':' alone (no port), or ':' and decimal digits up to the
// end of the authority worth at most 65535. False for anything else, so that "h:80path",
// "h:4294967377" or "2001::1" never yield a port or host the text did not name.
bool ReadPort(const char* text, const char* end, uint16_t* port) {
  *port = 0;
  if (text == end) return true;
  if (*text != ':') return false;
  unsigned long value = 0;
  for (const char* digit = text + 1; digit < end; ++digit) {
    if (*digit < '0' || *digit > '9') return false;
    value = value * 10 + static_cast<unsigned long>(*digit - '0');
    if (value > 65535) return false;
  }
  *port = static_cast<uint16_t>(value);
  return true;
}

// User info, host and port after "//". The authority ends at the first '/', '?', '#' or the
// end, as in every URL standard: an '@' in the query ("http://example.com?u=a@evil.com") must
// not turn the real host into user info. An authority whose port cannot be read keeps no host
// and no port. Returns null when an empty bracketed host ends the parse, else where the path
// starts.
const char* ParseAuthority(const char* text, hvUrl* url) {
  const char* end = FindAny(text, "/?#");
  const char* at = static_cast<const char*>(memchr(text, '@', static_cast<size_t>(end - text)));
  if (at) {
    url->userInfo = CopySpan(text, at);
    text = at + 1;
  }
  const char* hostBegin = text;
  const char* hostEnd;
  if (*text == '[') {
    const char* close =
        static_cast<const char*>(memchr(text + 1, ']', static_cast<size_t>(end - text - 1)));
    hostBegin = text + 1;
    hostEnd = close ? close : end;
    if (hostEnd == hostBegin) return nullptr;
    text = close ? close + 1 : end;
  } else {
    const char* colon =
        static_cast<const char*>(memchr(text, ':', static_cast<size_t>(end - text)));
    hostEnd = colon ? colon : end;
    text = hostEnd;
  }
  uint16_t port;
  if (ReadPort(text, end, &port)) {
    if (hostEnd != hostBegin) url->host = CopySpan(hostBegin, hostEnd);
    url->port = port;
  }
  return end;
}

}  // namespace

hvUrl* hvUrl_Parse(const char* text, bool unescape) {
  if (!text) text = "";
  while (IsTrimmed(*text)) ++text;
  size_t length = strlen(text);
  while (length > 0 && IsTrimmed(text[length - 1])) --length;
  // The steps scan up to a terminator, so only a text with trailing blanks is copied.
  char* copy = text[length] != '\0' ? hvMemory_Strndup(text, length) : nullptr;

  hvUrl* url = hvUrl_New();
  const char* rest = ParseScheme(copy ? copy : text, url);
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
