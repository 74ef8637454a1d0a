#include "net/hvHttpRequestHeaders.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>

namespace {
bool HasTypePrefix(const std::string& mimeType, const char* prefix, size_t length) {
  if (mimeType.size() <= length) return false;
  for (size_t index = 0; index < length; ++index)
    if (tolower(static_cast<unsigned char>(mimeType[index])) != prefix[index]) return false;
  return true;
}
}  // namespace

const char* hvHttpRequest_TransferMode(const std::string& mimeType) {
  if (HasTypePrefix(mimeType, "audio/", 6) || HasTypePrefix(mimeType, "video/", 6))
    return "Streaming";
  if (HasTypePrefix(mimeType, "image/", 6)) return "Interactive";
  return "";
}

std::string hvHttpRequest_Npt(uint64_t milliseconds) {
  char text[32];
  snprintf(text, sizeof text, "%" PRIu64 ".%03u", milliseconds / 1000,
           static_cast<unsigned>(milliseconds % 1000));
  return text;
}

std::vector<std::string> hvHttpRequest_Headers(const hvHttpRequestPlan& plan) {
  std::vector<std::string> headers;
  if (plan.rangeStart != 0)
    headers.push_back("Range: bytes=" + std::to_string(plan.rangeStart) + "-");
  if (plan.timeSeek)
    headers.push_back("TimeSeekRange.dlna.org: npt=" + hvHttpRequest_Npt(plan.timeMilliseconds) +
                      "-");
  // DLNA servers may refuse a mode that does not fit the content, so none is sent before
  // the type is known.
  const char* mode = hvHttpRequest_TransferMode(plan.mimeType);
  if (*mode) headers.push_back(std::string("transferMode.dlna.org: ") + mode);
  if (plan.askContentFeatures) headers.push_back("getcontentFeatures.dlna.org: 1");
  return headers;
}
