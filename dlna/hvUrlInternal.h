// Pieces shared by the hvUrl files: the character-class table and member storage.
#ifndef HULVOSTREAMING_DLNA_HVURLINTERNAL_H
#define HULVOSTREAMING_DLNA_HVURLINTERNAL_H

#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvUrl.h"

// The class bits (hvUrlClass) of every byte value: a byte may stand unescaped in a part
// when it has that part's bit.
struct hvUrlClassTable {
  uint8_t bits[256];
};

constexpr hvUrlClassTable hvUrl_MakeClassTable() {
  constexpr uint8_t kAllParts =
      khvUrlClass_UserInfo | khvUrlClass_Path | khvUrlClass_Query | khvUrlClass_Fragment;
  hvUrlClassTable table{};
  for (int c = 'A'; c <= 'Z'; ++c) table.bits[c] = kAllParts;
  for (int c = 'a'; c <= 'z'; ++c) table.bits[c] = kAllParts;
  for (int c = '0'; c <= '9'; ++c) table.bits[c] = kAllParts;
  // The backslash is an ordinary byte: Windows paths keep it unescaped.
  const char kSafe[] = "!$&'()*+,-.:;=\\_~";
  for (const char* c = kSafe; *c; ++c) table.bits[static_cast<unsigned char>(*c)] = kAllParts;
  table.bits[static_cast<unsigned char>('/')] =
      khvUrlClass_Path | khvUrlClass_Query | khvUrlClass_Fragment;
  table.bits[static_cast<unsigned char>('@')] =
      khvUrlClass_Path | khvUrlClass_Query | khvUrlClass_Fragment;
  table.bits[static_cast<unsigned char>('?')] = khvUrlClass_Query | khvUrlClass_Fragment;
  return table;
}

inline constexpr hvUrlClassTable khvUrlClasses = hvUrl_MakeClassTable();

inline bool hvUrl_IsAllowed(char byte, unsigned classBits) {
  return (khvUrlClasses.bits[static_cast<unsigned char>(byte)] & classBits) != 0;
}

// hvUrl_New, for the parser without a call through the exported entry. Allocated and zeroed
// apart: glibc's calloc passes over the per-thread cache that serves malloc, and a record is
// made for every URL parsed.
inline hvUrl* hvUrl_NewRecord() {
  hvUrl* url = static_cast<hvUrl*>(hvMemory_Malloc(sizeof(hvUrl)));
  *url = hvUrl();
  return url;
}

// True when path[0, length) holds a whole "." or ".." segment (hvUrl_CheckPath).
bool hvUrl_HasDotSegment(const char* path, size_t length);

// Frees *member and stores a copy of `text` escaped with `classBits` (unchanged for
// khvUrlClass_Raw); a null or empty text leaves the member null.
void hvUrl_StoreMember(char** member, const char* text, unsigned classBits);

// A new text holding the three pieces one after the other.
char* hvUrl_Concat(const char* first, size_t firstLength, const char* second, size_t secondLength,
                   const char* third, size_t thirdLength);

#endif
