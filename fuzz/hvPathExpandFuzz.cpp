// Expands placeholders in any text and makes it absolute with the flags of the first byte,
// with and without an anchor.
#include <cstdint>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned flags = data[0] & 3;
  const int stripTrailing = (data[0] >> 2) & 1;
  const bool anchored = (data[0] >> 3) & 1;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  hvMemory_Free(hvPath_ExpandPlaceholders(text.c_str()));
  hvMemory_Free(
      hvPath_MakeAbsolute(text.c_str(), stripTrailing, flags, anchored ? "C:/a/" : nullptr));
  (void)hvPath_IsAbsolute(text.c_str());
  return 0;
}
