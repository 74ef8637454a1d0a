// The LPCM seeker (WAV headers) on any bytes.
#include "fuzz/hvSeekFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return hvSeekFuzz_Run("LPCM", "audio/wav", data, size);
}
