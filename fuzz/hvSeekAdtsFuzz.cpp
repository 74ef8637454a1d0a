// The ADTS seeker (frame headers) on any bytes.
#include "fuzz/hvSeekFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return hvSeekFuzz_Run("AAC_ADTS", "audio/vnd.dlna.adts", data, size);
}
