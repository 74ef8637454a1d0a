// Resolves one part of the input against the other: the bytes before the first newline are
// the base, the rest the reference. Both also go through the file-path conversions, and a
// rooted file path comes back from its URL unchanged, whatever bytes its names hold; left out
// are paths with dots (dot segments are refused), a leading "//" and a drive-like first name
// ("/C:"), which read back as Windows paths.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"
#include "hulvoStreaming/hvUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string base = input.substr(0, newline);
  const std::string reference = newline == std::string::npos ? "" : input.substr(newline + 1);

  hvMemory_Free(hvUrl_Resolve(base.c_str(), reference.c_str()));
  hvMemory_Free(hvUrl_Resolve(reference.c_str(), base.c_str()));
  hvMemory_Free(hvUrl_ToFilePath(base.c_str()));
  char* fileUrl = hvUrl_FromFilePath(reference.c_str());
  char* filePath = hvUrl_ToFilePath(fileUrl);
  const std::string path(reference.c_str());
  const bool plainRooted = path[0] == '/' && path[1] != '/' &&
                           path.find('.') == std::string::npos &&
                           !(path.size() >= 3 && path[2] == ':');
  if (hvPath_IsAbsolute("/") && plainRooted && (!filePath || path != filePath)) abort();
  hvMemory_Free(filePath);
  hvMemory_Free(fileUrl);
  hvMemory_Free(hvUrl_StripQueryAndFragment(reference.c_str()));
  return 0;
}
