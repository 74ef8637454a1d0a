// The MP3 seeker (ID3 skip, frame headers, Xing and VBRI tables) on any bytes.
#include "fuzz/hvSeekFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return hvSeekFuzz_Run("MP3", "audio/mpeg", data, size);
}
