// Joining an hvUrl into a text, and the whole-text conversions built on parse and format.
#include <cassert>
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

// Appends to a buffer whose size was computed beforehand from the same decisions.
class Writer {
 public:
  explicit Writer(char* buffer) : m_out(buffer) {}
  void Put(const char* text, size_t length) {
    memcpy(m_out, text, length);
    m_out += length;
  }
  void Put(char c) { *m_out++ = c; }
  char* End() const { return m_out; }

 private:
  char* m_out;
};

struct Layout {
  bool slashes;    // "//" before the authority
  bool brackets;   // "[host]"
  bool pathSlash;  // '/' before a path that lacks one after an authority
  char port[8];    // ":<port>" or empty
  size_t portLength;
};

// ":" and the port's decimal digits.
size_t WritePort(uint16_t port, char* out) {
  size_t count = port >= 10000 ? 5 : port >= 1000 ? 4 : port >= 100 ? 3 : port >= 10 ? 2 : 1;
  out[0] = ':';
  for (size_t i = count; i > 0; --i) {
    out[i] = static_cast<char>('0' + port % 10);
    port = static_cast<uint16_t>(port / 10);
  }
  return count + 1;
}

// The members' lengths, each measured once.
struct Lengths {
  size_t scheme;
  size_t userInfo;
  size_t host;
  size_t path;
  size_t query;
  size_t fragment;
};

size_t Length(const char* text) { return text ? strlen(text) : 0; }

Layout Plan(const hvUrl* url, const Lengths& lengths) {
  Layout layout{};
  // "//" marks an authority, and comes before a host or user info with or without a
  // scheme ("//host/p" is no relative path "host/p"). A path alone takes it after a scheme
  // when it starts with '/' (file:///C:/Music), and without one when it starts with "//",
  // which would otherwise read back as an authority. Before any other path it is left out:
  // x-rincon-queue:RINCON_1#0 would turn into a host.
  const bool rootedPath = url->path && url->path[0] == '/';
  layout.slashes =
      url->userInfo || url->host || (rootedPath && (url->scheme || url->path[1] == '/'));
  layout.brackets = url->host && memchr(url->host, ':', lengths.host);
  layout.pathSlash = url->path && url->path[0] != '/' && (url->userInfo || url->host);
  if (url->host && url->port != 0) layout.portLength = WritePort(url->port, layout.port);
  return layout;
}

}  // namespace

char* hvUrl_Format(const hvUrl* url) {
  if (!url) return hvMemory_Strdup("");
  const Lengths lengths = {Length(url->scheme), Length(url->userInfo), Length(url->host),
                           Length(url->path),   Length(url->query),    Length(url->fragment)};
  const Layout layout = Plan(url, lengths);
  // Every byte written below is counted here, separators and brackets included.
  size_t size = 1;
  if (url->scheme) size += lengths.scheme + 1;
  if (layout.slashes) size += 2;
  if (url->userInfo) size += lengths.userInfo + 1;
  if (url->host) size += lengths.host + (layout.brackets ? 2 : 0) + layout.portLength;
  if (url->path) size += lengths.path + (layout.pathSlash ? 1 : 0);
  if (url->query) size += 1 + lengths.query;
  if (url->fragment) size += 1 + lengths.fragment;

  char* text = static_cast<char*>(hvMemory_Malloc(size));
  Writer out(text);
  if (url->scheme) {
    out.Put(url->scheme, lengths.scheme);
    out.Put(':');
  }
  if (layout.slashes) out.Put("//", 2);
  if (url->userInfo) {
    out.Put(url->userInfo, lengths.userInfo);
    out.Put('@');
  }
  if (url->host) {
    if (layout.brackets) out.Put('[');
    out.Put(url->host, lengths.host);
    if (layout.brackets) out.Put(']');
    out.Put(layout.port, layout.portLength);
  }
  if (url->path) {
    if (layout.pathSlash) out.Put('/');
    out.Put(url->path, lengths.path);
  }
  if (url->query) {
    out.Put('?');
    out.Put(url->query, lengths.query);
  }
  if (url->fragment) {
    out.Put('#');
    out.Put(url->fragment, lengths.fragment);
  }
  out.Put('\0');
  assert(static_cast<size_t>(out.End() - text) == size);
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
