// One-line rendering of a parsed MIME record for table-driven tests: the type, then
// "|name=value" per parameter ("|name" for a name-only one).
#ifndef HV_TESTS_DLNA_HVMIMETYPERENDER_H
#define HV_TESTS_DLNA_HVMIMETYPERENDER_H

#include <string>

#include "hulvoStreaming/hvMimeType.h"

inline std::string hvRenderMimeType(const hvMimeType* mime) {
  std::string line = hvMimeType_GetType(mime);
  for (size_t i = 0; i < hvMimeType_GetParameterCount(mime); ++i) {
    line += std::string("|") + hvMimeType_GetParameterName(mime, i);
    const char* value = hvMimeType_GetParameterValue(mime, i);
    if (value) line += std::string("=") + value;
  }
  return line;
}

#endif
