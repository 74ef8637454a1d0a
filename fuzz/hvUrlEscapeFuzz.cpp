// Escapes any bytes with the class bits of the first byte and unescapes them again: the
// pair must give back the original text. The rest is also run through the query items.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned classBits = data[0] & 0x0F;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  char* escaped = hvUrl_EscapeText(text.c_str(), classBits, false);
  if (strcmp(hvUrl_UnescapeText(escaped), text.c_str()) != 0) abort();
  hvMemory_Free(escaped);

  char* form = hvMemory_Strdup(text.c_str());
  hvUrl_UnescapeFormText(form);
  hvMemory_Free(form);

  // The text as a query; its first item's name is looked up, replaced and removed.
  hvUrl* url = hvUrl_New();
  hvUrl_SetQuery(url, text.c_str(), khvUrlClass_Raw);
  const std::string name = text.substr(0, text.find_first_of("=&"));
  size_t length = 0;
  const char* span = hvUrl_FindParam(url, name.c_str(), &length);
  if (span && (span < url->query || span + length > url->query + strlen(url->query))) abort();
  hvMemory_Free(hvUrl_GetParam(url, name.c_str()));
  hvUrl_SetParam(url, name.c_str(), "v");
  char* value = hvUrl_GetParam(url, name.c_str());
  if (name.find('\0') == std::string::npos && !value) abort();
  hvMemory_Free(value);
  hvUrl_RemoveParam(url, name.c_str());
  hvUrl_Free(url);
  return 0;
}
