// The headers the library adds to a GET: the byte range, the DLNA transfer mode, the
// content-features question and the time seek.
#ifndef HULVOSTREAMING_NET_HVHTTPREQUESTHEADERS_H
#define HULVOSTREAMING_NET_HVHTTPREQUESTHEADERS_H

#include <cstdint>
#include <string>
#include <vector>

struct hvHttpRequestPlan {
  uint64_t rangeStart = 0;  // "Range: bytes=N-" when not 0
  bool askContentFeatures = false;
  std::string mimeType;  // decides the transfer mode; empty: none is sent
  bool timeSeek = false;
  uint64_t timeMilliseconds = 0;
};

std::vector<std::string> hvHttpRequest_Headers(const hvHttpRequestPlan& plan);
// "Streaming" for audio and video, "Interactive" for images, empty otherwise.
const char* hvHttpRequest_TransferMode(const std::string& mimeType);
// Normal play time as DLNA writes it: seconds with three decimals ("83.250").
std::string hvHttpRequest_Npt(uint64_t milliseconds);

#endif
