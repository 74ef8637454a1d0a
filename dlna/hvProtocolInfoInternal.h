// Shared by the protocolInfo sources: the record pieces that the parser, the builder and the
// list code all touch. Internal; no lock.
#ifndef HV_DLNA_HVPROTOCOLINFOINTERNAL_H
#define HV_DLNA_HVPROTOCOLINFOINTERNAL_H

#include <cstddef>

#include "hulvoStreaming/hvProtocolInfo.h"
#include "support/hvAscii.h"

struct hvStringBuilder;

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
// The same in storage the caller owns (a record allocated with its list).
void hvProtocolInfo_InitPlaySpeedList(hvPtrVector* list);
// Reads `text` as a rational speed; when it reads, adds an entry holding a copy of the text
// at its ordered place (creating the list when the record has none). False when it does not.
bool hvProtocolInfo_AddPlaySpeed(hvProtocolInfo* record, const char* text, size_t length);
// Whether the list holds an entry of exactly this value (binary search).
bool hvProtocolInfo_HasPlaySpeedValue(const hvProtocolInfo* record, double value);
// The DLNA.ORG_PS value: optional surrounding quotes, pieces separated by ',' (or by "\,"
// when the value holds a '\'); unreadable pieces are dropped.
void hvProtocolInfo_ReadPlaySpeeds(hvProtocolInfo* record, const char* value, size_t length);

// The play-speed texts in list order joined by "," (by "\," when `escaped` is not 0).
void hvProtocolInfo_AppendPlaySpeeds(const hvProtocolInfo* record, int escaped,
                                     hvStringBuilder* out);

// Writes the record as hvProtocolInfo_ToString does, at the end of `out`; false, with nothing
// written, for a record that is not valid. Normalizes the record first.
bool hvProtocolInfo_AppendText(hvProtocolInfo* record, int options, hvStringBuilder* out);

// The DLNA.ORG_FLAGS value: up to four words of eight hexadecimal digits, a short last group
// padded with '0' on the right; words past the end of the value are left alone. Decodes.
void hvProtocolInfo_ReadFlags(hvProtocolInfo* record, const char* value, size_t length);

// The flags version is 1.5 or later: the encoder and the builder both write the 1.5 flags
// then, with the 1.5 marker.
bool hvProtocolInfo_HasVersion15Flags(const hvProtocolInfo* record);

// Counts one same-content comparison (see hvProtocolInfo_GetComparisonCount).
void hvProtocolInfo_CountComparison();

// Orders the DLNA.ORG_MAXSP values of two records by their decimal value (2.10 < 2.5 = 2.50):
// <0, 0 or >0.
int hvProtocolInfo_CompareMaxSpeeds(const hvProtocolInfo* a, const hvProtocolInfo* b);

#endif
