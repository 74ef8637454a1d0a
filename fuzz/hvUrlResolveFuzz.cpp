// Resolves one part of the input against the other: the bytes before the first newline are
// the base, the rest the reference. Both also go through the file-path conversions.
#include <cstdint>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string base = input.substr(0, newline);
  const std::string reference = newline == std::string::npos ? "" : input.substr(newline + 1);

  hvMemory_Free(hvUrl_Resolve(base.c_str(), reference.c_str()));
  hvMemory_Free(hvUrl_Resolve(reference.c_str(), base.c_str()));
  hvMemory_Free(hvUrl_ToFilePath(base.c_str()));
  hvMemory_Free(hvUrl_FromFilePath(reference.c_str()));
  hvMemory_Free(hvUrl_StripQueryAndFragment(reference.c_str()));
  return 0;
}
