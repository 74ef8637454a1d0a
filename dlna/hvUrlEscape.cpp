// Percent-escaping of URL parts, driven by one table of character classes.
#include <cstring>

#include "dlna/hvUrlInternal.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Escapes a member in place of the old text.
void EscapeMember(char** member, unsigned classBits) {
  if (*member) *member = hvUrl_EscapeText(*member, classBits, true);
}

}  // namespace

char* hvUrl_EscapeText(const char* text, unsigned classBits, bool releaseInput) {
  if (!text) return nullptr;
  size_t length = 0;
  size_t escaped = 0;
  for (const char* c = text; *c; ++c, ++length) {
    if (!hvUrl_IsAllowed(*c, classBits)) ++escaped;
  }
  char* result = static_cast<char*>(hvMemory_Malloc(length + 2 * escaped + 1));
  static const char kDigits[] = "0123456789abcdef";
  char* out = result;
  for (const char* c = text; *c; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if (hvUrl_IsAllowed(*c, classBits)) {
      *out++ = *c;
    } else {
      *out++ = '%';
      *out++ = kDigits[byte >> 4];
      *out++ = kDigits[byte & 0xF];
    }
  }
  *out = '\0';
  if (releaseInput) hvMemory_Free(const_cast<char*>(text));
  return result;
}

char* hvUrl_UnescapeText(char* text) {
  if (!text) return nullptr;
  char* out = text;
  for (const char* in = text; *in; ++in) {
    int high, low;
    // in[1] is checked before in[2] is read, so a '%' at the end never reads past the text.
    // "%00" stays escaped: a NUL would cut the text, and "/etc/passwd%00.mp3" would pass an
    // extension check as "/etc/passwd".
    if (*in == '%' && (high = HexValue(in[1])) >= 0 && (low = HexValue(in[2])) >= 0 &&
        (high | low) != 0) {
      *out++ = static_cast<char>(high * 16 + low);
      in += 2;
    } else {
      *out++ = *in;
    }
  }
  *out = '\0';
  return text;
}

char* hvUrl_UnescapeFormText(char* text) {
  if (!text) return nullptr;
  for (char* c = text; *c; ++c) {
    if (*c == '+') *c = ' ';
  }
  return hvUrl_UnescapeText(text);
}

void hvUrl_EscapeFields(hvUrl* url) {
  EscapeMember(&url->userInfo, khvUrlClass_UserInfo);
  EscapeMember(&url->path, khvUrlClass_Path);
  EscapeMember(&url->fragment, khvUrlClass_Fragment);
  // The query is escaped item by item; '&' belongs to the query class, so escaping the
  // whole text keeps the separators and gives the same result.
  EscapeMember(&url->query, khvUrlClass_Query);
}

void hvUrl_UnescapeFields(hvUrl* url) {
  hvUrl_UnescapeText(url->userInfo);
  hvUrl_UnescapeText(url->path);
  hvUrl_UnescapeText(url->fragment);
  hvUrl_UnescapeFormText(url->query);
}

void hvUrl_StoreMember(char** member, const char* text, unsigned classBits) {
  hvMemory_Free(*member);
  *member = nullptr;
  if (!text || !*text) return;
  *member = classBits == khvUrlClass_Raw ? hvMemory_Strdup(text)
                                         : hvUrl_EscapeText(text, classBits, false);
}
