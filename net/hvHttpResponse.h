// What the library reads from an HTTP response's header: status, framing, ranges, type and
// the DLNA content features. Lines are fed one at a time, in order; a status line starts a
// new response, so the record always describes the last one (after redirects, the final).
#ifndef HULVOSTREAMING_NET_HVHTTPRESPONSE_H
#define HULVOSTREAMING_NET_HVHTTPRESPONSE_H

#include <cstddef>
#include <cstdint>
#include <string>

// Beyond these a peer is not a media server worth reading: the response is refused.
const size_t khvHttpMaxHeaderLine = 8192;
const size_t khvHttpMaxHeaderLines = 100;
const size_t khvHttpMaxResponses = 12;

struct hvHttpResponse {
  int status = 0;         // 0 before a status line
  bool complete = false;  // the empty line that ends this response's header was seen
  bool hasLength = false;
  uint64_t length = 0;  // Content-Length
  bool chunked = false;
  // Content-Range "bytes first-last/total"; "*" parts leave their flag false.
  bool hasRange = false;
  uint64_t rangeFirst = 0;
  uint64_t rangeLast = 0;
  bool hasTotal = false;
  uint64_t total = 0;
  bool acceptRanges = false;  // Accept-Ranges lists "bytes"
  std::string contentType;    // without parameters
  bool hasContentFeatures = false;
  std::string contentFeatures;  // contentFeatures.dlna.org, the fourth protocolInfo field
  // The first byte of a time seek's answer: TimeSeekRange.dlna.org "... bytes=first-last/size".
  bool hasTimeSeekBytes = false;
  uint64_t timeSeekFirst = 0;
  bool hasLocation = false;
  size_t lines = 0;  // of this response
  size_t responses = 0;
};

// Whether this response is the one whose body is the resource: not an interim 1xx, and not a
// redirect the client follows.
bool hvHttpResponse_IsFinal(const hvHttpResponse& response);

// False when the line breaks the bounds above or is not HTTP (a first line that is no
// status line), or when two Content-Length values disagree. A malformed value is ignored, as
// if the header were absent.
bool hvHttpResponse_AddLine(hvHttpResponse* response, const char* line, size_t length);

// Reads "bytes first-last/total", "bytes first-last/*" or "bytes */total". False when it is
// none of them, a number does not fit in 64 bits, or the range ends at the last 64-bit
// position, past which no resource's end (last + 1) could be counted.
bool hvHttpResponse_ParseContentRange(const std::string& value, hvHttpResponse* response);

// A decimal number of at most 64 bits with nothing around it.
bool hvHttpResponse_ParseNumber(const std::string& text, uint64_t* value);

#endif
