#include "net/hvHttpUrl.h"

#include <cctype>
#include <string>

#include "hulvoStreaming/hvUrl.h"

namespace {
bool IsHttpScheme(const char* scheme) {
  if (!scheme) return false;
  std::string lower;
  for (const char* at = scheme; *at; ++at)
    lower += static_cast<char>(tolower(static_cast<unsigned char>(*at)));
  return lower == "http" || lower == "https";
}
}  // namespace

bool hvHttpUrl_IsAcceptable(const hvCString& text) {
  for (size_t index = 0; index < text.Length(); ++index) {
    unsigned char byte = static_cast<unsigned char>(text.c_str()[index]);
    if (byte <= ' ' || byte == 0x7f) return false;
  }
  hvUrl* url = hvUrl_ParseRaw(text.c_str());
  bool ok = url && IsHttpScheme(url->scheme) && url->host && *url->host;
  hvUrl_Free(url);
  return ok;
}
