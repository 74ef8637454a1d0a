// The program stream seeker (packs, PES headers) on any bytes.
#include "fuzz/hvSeekFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return hvSeekFuzz_Run("MPEG_PS_PAL", "video/mpeg", data, size);
}
