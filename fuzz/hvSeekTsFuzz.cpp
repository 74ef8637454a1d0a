// The transport stream seeker (packets, PAT, PMT, PES headers) on any bytes.
#include "fuzz/hvSeekFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return hvSeekFuzz_Run("MPEG_TS_SD_EU", "video/mpeg", data, size);
}
