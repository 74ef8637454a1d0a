// Inputs built byte by byte for the seekers' damage tables, and a seek over bytes held in
// memory that checks what every answer must keep to, whatever the damage.
#ifndef HV_TESTS_SEEK_HVSEEKBUILT_H
#define HV_TESTS_SEEK_HVSEEKBUILT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "hulvoStreaming/hvSeeker.h"

// `value` in `width` bytes, big- or little-endian.
std::string hvSeekBE(uint64_t value, int width);
std::string hvSeekLE(uint64_t value, int width);
std::string hvSeekRepeat(const std::string& unit, int count);
// A PES timestamp field: 4-bit `prefix`, 33-bit `pts`, marker bits.
std::string hvSeekTimestamp(uint32_t prefix, uint64_t pts);
// Writes `value` big-endian in `width` bytes at `offset` bytes after the first `tag` in
// `bytes` (the place must exist).
void hvSeekPatch(std::string* bytes, const std::string& tag, ptrdiff_t offset, uint64_t value,
                 int width);

struct hvSeekRequest {
  const char* profile;
  const char* mime;
  uint64_t value;
  bool isTime = true;
  bool sizeKnown = true;            // false: the stream does not tell its size (still arriving)
  const char* mediaType = nullptr;  // the "mt" of the stream's media description, if any
};

// Seeks in `bytes` with the seeker of the request's profile. Expects, whatever the answer:
// a position inside the bytes, reads within the seeker's bound, the stream left where it was.
hvStreamingStatus hvSeekInMemory(const std::string& bytes, const hvSeekRequest& request,
                                 hvSeekResult* result);
// hvSeekInMemory, expecting `status` and, when that is OK or the end, `position`.
void hvSeekExpect(const std::string& bytes, const hvSeekRequest& request, hvStreamingStatus status,
                  uint64_t position, const char* situation);

#endif
