// Shared by the protocolInfo sources: ASCII text helpers and the record pieces that the
// parser, the builder and the list code all touch. Internal; no lock.
#ifndef HV_DLNA_HVPROTOCOLINFOINTERNAL_H
#define HV_DLNA_HVPROTOCOLINFOINTERNAL_H

#include <cstddef>

#include "hulvoStreaming/hvProtocolInfo.h"

// Case folding for protocol texts is ASCII only, whatever the C locale says.
char hvAscii_ToLower(char c);
bool hvAscii_EqualsIgnoreCase(const char* a, size_t aLength, const char* b, size_t bLength);
// Orders two NUL-terminated texts as their ASCII-lower-cased bytes: <0, 0 or >0.
int hvAscii_CompareIgnoreCase(const char* a, const char* b);
// `text` (`length` bytes) equals the NUL-terminated `literal` exactly.
bool hvAscii_Equals(const char* text, size_t length, const char* literal);

// One name[=...=value] piece of a fourth field: the name is the text before the first '=',
// the value the text after the last one (the whole piece when it has no '=').
struct hvProtocolInfoPair {
  const char* name;
  size_t nameLength;
  const char* value;
  size_t valueLength;
  size_t equalsCount;
};
hvProtocolInfoPair hvProtocolInfo_SplitPair(const char* piece, size_t length);

// An empty play-speed list that keeps its entries ascending by value and owns them.
hvPtrVector* hvProtocolInfo_CreatePlaySpeedList();
// Reads `text` as a rational speed; when it reads, adds an entry holding a copy of the text
// at its ordered place (creating the list when the record has none). False when it does not.
bool hvProtocolInfo_AddPlaySpeed(hvProtocolInfo* record, const char* text, size_t length);
// Whether the list holds an entry of exactly this value (binary search).
bool hvProtocolInfo_HasPlaySpeedValue(const hvProtocolInfo* record, double value);
// The DLNA.ORG_PS value: optional surrounding quotes, pieces separated by ',' (or by "\,"
// when the value holds a '\'); unreadable pieces are dropped.
void hvProtocolInfo_ReadPlaySpeeds(hvProtocolInfo* record, const char* value, size_t length);

// The DLNA.ORG_FLAGS value: up to four words of eight hexadecimal digits, a short last group
// padded with '0' on the right; words past the end of the value are left alone. Decodes.
void hvProtocolInfo_ReadFlags(hvProtocolInfo* record, const char* value, size_t length);

#endif
