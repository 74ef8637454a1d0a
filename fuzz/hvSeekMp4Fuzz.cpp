// The MP4 seeker (boxes, edit list, sample tables) on any bytes.
#include "fuzz/hvSeekFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return hvSeekFuzz_Run("AVC_MP4_MP_SD_AAC_MULT5", "video/mp4", data, size);
}
