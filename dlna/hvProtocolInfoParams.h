// hvProtocolInfoParams: the other-parameter map of a protocolInfo record, an insertion-ordered
// list of {name bytes, owned value}. Names are compared exactly (bytes and length); a 32-bit
// key derived from the name is compared first. Internal to the protocolInfo component; one
// thread at a time, like the record that owns it.
#ifndef HV_DLNA_HVPROTOCOLINFOPARAMS_H
#define HV_DLNA_HVPROTOCOLINFOPARAMS_H

#include <cstddef>
#include <cstdint>

#include "support/hvPtrVector.h"

// Entries in map order, with an index over a hash of their names.
struct hvProtocolInfoParams {
  hvPtrVector entries;  // of hvProtocolInfoParam*, in map order
  // slots[i] is 0 (free) or 1 + the index of an entry; slotCount is a power of two and more
  // than twice the entry count, so probing always meets a free slot. Most records carry no
  // other parameter, so the index is made with the first entry (null and 0 until then).
  size_t* slots;
  size_t slotCount;
  int inPlace;  // 1: inside its record's block, so Free empties it and leaves the struct
};

struct hvProtocolInfoParam {
  uint32_t key;
  size_t nameLength;
  char* name;   // in the entry's own block, NUL-terminated after nameLength bytes (which may
                // hold NUL bytes)
  char* value;  // owned, never null
};

// No lock: nobody but the record's user ever reaches the map.
hvProtocolInfoParams* hvProtocolInfoParams_Create();
// An empty map in storage the caller owns, for a record allocated with its map.
void hvProtocolInfoParams_InitInPlace(hvProtocolInfoParams* map);
// Null is accepted.
void hvProtocolInfoParams_Free(hvProtocolInfoParams* map);

size_t hvProtocolInfoParams_GetCount(const hvProtocolInfoParams* map);
// Entry `index` in map order, or null when out of range.
const hvProtocolInfoParam* hvProtocolInfoParams_At(const hvProtocolInfoParams* map, size_t index);
const hvProtocolInfoParam* hvProtocolInfoParams_Find(const hvProtocolInfoParams* map,
                                                     const char* name, size_t nameLength);

// Stores a copy of the value under the name: an existing entry gets the new value in place
// (its position kept), a new name is appended. An empty name is ignored.
void hvProtocolInfoParams_Set(hvProtocolInfoParams* map, const char* name, size_t nameLength,
                              const char* value, size_t valueLength);
// Removes the entry and frees its value; false when there is none.
bool hvProtocolInfoParams_Remove(hvProtocolInfoParams* map, const char* name, size_t nameLength);

// Up to 4 bytes: the bytes as a little-endian number padded with zeros. Longer: first 4 bytes
// XOR last 4 bytes, and from 10 bytes on also XOR the 4 bytes at half the length.
uint32_t hvProtocolInfoParams_Key(const char* name, size_t nameLength);

// Whether a parsed name=value pair may be kept as an other parameter: the name holds '_' and
// the value only ASCII letters, digits, '_', ',', '+' and '-' (an empty value passes).
bool hvProtocolInfoParams_IsAcceptable(const char* name, size_t nameLength, const char* value,
                                       size_t valueLength);

#endif
