// Splitting a URL text into an hvUrl. The text may come from the network: every step works on
// a span [begin, end) of the caller's text, measured once, and nothing is rejected: a text
// that is no URL just fills fewer members.
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "dlna/hvUrlScan.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

bool IsTrimmed(char c) { return c == ' ' || (c >= 9 && c <= 13); }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char* CopySpan(const char* begin, const char* end) {
  return hvMemory_Strndup(begin, static_cast<size_t>(end - begin));
}

// The scheme, when the head (the text before any '?' or '#') starts with one; returns where
// parsing goes on.
const char* ParseScheme(const hvUrlScan& scan, const char* text, const char* headEnd, hvUrl* url) {
  const char* stop = scan.FindColonOrSlash(text, headEnd);
  if (stop == headEnd || *stop != ':') return text;
  // A lone letter before ":/" or ":\" is a drive ("C:\Music"), not a scheme.
  if (stop == text + 1 && IsLetter(text[0]) && stop + 1 < headEnd &&
      (stop[1] == '/' || stop[1] == '\\'))
    return text;
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

// User info, host and port after "//", up to `headEnd`. The authority ends at the first '/',
// '?', '#' or the end, as in every URL standard: an '@' in the query
// ("http://example.com?u=a@evil.com") must not turn the real host into user info. An
// authority whose port cannot be read keeps no host and no port. Returns null when an empty
// bracketed host ends the parse, else where the path starts.
const char* ParseAuthority(const hvUrlScan& scan, const char* text, const char* headEnd,
                           hvUrl* url) {
  const char* end = scan.Find(text, headEnd, hvUrlScan::kSlash);
  const char* at = scan.Find(text, end, hvUrlScan::kAt);
  if (at != end) {
    url->userInfo = CopySpan(text, at);
    text = at + 1;
  }
  const char* hostBegin = text;
  const char* hostEnd;
  if (text < end && *text == '[') {
    const char* close = hvUrlScan::Search(text + 1, end, ']');
    hostBegin = text + 1;
    hostEnd = close;
    if (hostEnd == hostBegin) return nullptr;
    text = close == end ? end : close + 1;
  } else {
    hostEnd = scan.Find(text, end, hvUrlScan::kColon);
    text = hostEnd;
  }
  uint16_t port;
  if (ReadPort(text, end, &port)) {
    if (hostEnd != hostBegin) url->host = CopySpan(hostBegin, hostEnd);
    url->port = port;
  }
  return end;
}

hvUrl* ParseText(const char* text, bool unescape) {
  if (!text) text = "";
  while (IsTrimmed(*text)) ++text;
  const char* end = text + strlen(text);
  while (end > text && IsTrimmed(end[-1])) --end;

  hvUrl* url = hvUrl_NewRecord();
  // Neither '?' nor '#' may stand in a scheme, an authority or a path, so the first '#' starts
  // the fragment and the first '?' before it the query, wherever they are: the other parts lie
  // in the head before both.
  const hvUrlScan scan(text, static_cast<size_t>(end - text));
  const char* hash = scan.Find(text, end, hvUrlScan::kHash);
  const char* headEnd = scan.Find(text, hash, hvUrlScan::kQuestion);
  const char* rest = ParseScheme(scan, text, headEnd, url);
  if (headEnd - rest >= 2 && rest[0] == '/' && rest[1] == '/')
    rest = ParseAuthority(scan, rest + 2, headEnd, url);
  if (rest) {
    if (rest != headEnd) {
      // A path holding a dot segment is kept, but emptied.
      const bool refused = scan.HasDotSegment(rest, headEnd);
      url->path = CopySpan(rest, refused ? rest : headEnd);
    }
    if (headEnd != hash) url->query = CopySpan(headEnd + 1, hash);
    if (hash != end) url->fragment = CopySpan(hash + 1, end);
  }
  if (unescape) {
    hvUrl_UnescapeFields(url);
    // Checked again once unescaped: "/%2e%2e/" must not come out as a dot segment.
    hvUrl_CheckPath(url);
  }
  return url;
}

}  // namespace

hvUrl* hvUrl_Parse(const char* text, bool unescape) { return ParseText(text, unescape); }

hvUrl* hvUrl_ParseDecoded(const char* text) { return ParseText(text, true); }

hvUrl* hvUrl_ParseRaw(const char* text) { return ParseText(text, false); }
