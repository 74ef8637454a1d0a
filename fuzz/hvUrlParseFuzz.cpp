// Splits any bytes as a URL, joins the record, splits and joins the result again, and runs the
// record through copies, escaping and path edits. The first byte picks raw or decoded
// splitting. Joined texts of junk need not be stable (white space at the ends is dropped on
// the next split, a path holding ':' may read back as a scheme); what is checked here is
// that no byte sequence makes any step read or write out of bounds, hang or leak, and that
// the host and port are ones the text wrote in its authority: never taken from the query or
// fragment, never a wrapped number.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool unescape = data[0] & 1;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  hvUrl* url = hvUrl_Parse(text.c_str(), unescape);
  // Parsing stops at the first NUL; the host and the port stand before the query and fragment.
  const std::string visible(text.c_str());
  const size_t authorityLimit = visible.find_first_of("?#");
  if (url->host && visible.find(url->host) + strlen(url->host) > authorityLimit) abort();
  if (url->port && visible.find(std::to_string(url->port)) >= authorityLimit) abort();
  char* joined = hvUrl_Format(url);
  hvUrl* again = hvUrl_ParseRaw(joined);
  char* rejoined = hvUrl_Format(again);

  hvUrl* copy = hvUrl_Copy(url);
  hvUrl_EscapeFields(copy);
  hvMemory_Free(hvUrl_Format(copy));
  hvUrl_UnescapeFields(copy);
  (void)hvUrl_GetExtension(copy);
  (void)hvUrl_GetIPv4Address(copy);
  (void)hvUrl_IsEmpty(copy);
  hvUrl_AppendPath(copy, "a b");
  hvMemory_Free(hvUrl_Format(copy));

  hvUrl_Free(copy);
  hvMemory_Free(rejoined);
  hvUrl_Free(again);
  hvMemory_Free(joined);
  hvUrl_Free(url);
  return 0;
}
