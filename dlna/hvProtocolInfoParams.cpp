// The map keeps its entries in a pointer vector for their order and an open-addressed index
// over a hash of the whole name for lookups. The 32-bit key alone would make a poor index:
// many different names share one key, and a fourth field with thousands of parameters must
// not make parsing quadratic.
#include "dlna/hvProtocolInfoParams.h"

#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"
#include "support/hvPtrVector.h"
#include "support/hvTextSplit.h"

namespace {

uint32_t Read32(const char* bytes) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
         static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

size_t NameHash(const char* name, size_t nameLength) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (size_t i = 0; i < nameLength; ++i) {
    hash ^= static_cast<unsigned char>(name[i]);
    hash *= 16777619u;
  }
  return hash;
}

// The name lives in the entry's own block, behind it; the value is replaced on its own.
hvProtocolInfoParam* NewEntry(uint32_t key, const char* name, size_t nameLength, const char* value,
                              size_t valueLength) {
  size_t size = hvNumber_AddSizes(sizeof(hvProtocolInfoParam), hvNumber_AddSizes(nameLength, 1));
  hvProtocolInfoParam* param = static_cast<hvProtocolInfoParam*>(hvMemory_Malloc(size));
  param->key = key;
  param->nameLength = nameLength;
  param->name = reinterpret_cast<char*>(param + 1);
  memcpy(param->name, name, nameLength);
  param->name[nameLength] = '\0';
  param->value = hvMemory_Strndup(value, valueLength);
  return param;
}

void ReleaseEntry(void* entry) {
  hvProtocolInfoParam* param = static_cast<hvProtocolInfoParam*>(entry);
  hvMemory_Free(param->value);
  hvMemory_Free(param);
}

hvProtocolInfoParam* EntryAt(const hvProtocolInfoParams* map, size_t index) {
  return static_cast<hvProtocolInfoParam*>(hvPtrVector_Get(&map->entries, index));
}

// The slot that holds the name, or the free slot where it would go.
size_t ProbeSlot(const hvProtocolInfoParams* map, const char* name, size_t nameLength,
                 uint32_t key) {
  size_t mask = map->slotCount - 1;
  for (size_t slot = NameHash(name, nameLength) & mask;; slot = (slot + 1) & mask) {
    if (map->slots[slot] == 0) return slot;
    const hvProtocolInfoParam* param = EntryAt(map, map->slots[slot] - 1);
    if (param->key == key && param->nameLength == nameLength &&
        memcmp(param->name, name, nameLength) == 0)
      return slot;
  }
}

void RebuildIndex(hvProtocolInfoParams* map, size_t slotCount) {
  hvMemory_Free(map->slots);
  map->slots =
      static_cast<size_t*>(hvMemory_Calloc(hvNumber_MultiplySizes(slotCount, sizeof(size_t))));
  map->slotCount = slotCount;
  size_t count = hvPtrVector_GetCount(&map->entries);
  for (size_t i = 0; i < count; ++i) {
    const hvProtocolInfoParam* param = EntryAt(map, i);
    map->slots[ProbeSlot(map, param->name, param->nameLength, param->key)] = i + 1;
  }
}

}  // namespace

uint32_t hvProtocolInfoParams_Key(const char* name, size_t nameLength) {
  if (nameLength <= 4) {
    char padded[4] = {0, 0, 0, 0};
    memcpy(padded, name, nameLength);
    return Read32(padded);
  }
  uint32_t key = Read32(name) ^ Read32(name + nameLength - 4);
  if (nameLength >= 10) key ^= Read32(name + nameLength / 2);
  return key;
}

bool hvProtocolInfoParams_IsAcceptable(const char* name, size_t nameLength, const char* value,
                                       size_t valueLength) {
  if (!memchr(name, '_', nameLength)) return false;
  for (size_t i = 0; i < valueLength; ++i) {
    char c = value[i];
    bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == ',' || c == '+' || c == '-';
    if (!allowed) return false;
  }
  return true;
}

void hvProtocolInfoParams_InitInPlace(hvProtocolInfoParams* map) {
  // The entry vector is in place in any case: it is part of the map.
  hvPtrVector_InitInPlace(&map->entries, ReleaseEntry, nullptr);
  map->slots = nullptr;
  map->slotCount = 0;
  map->inPlace = 1;
}

hvProtocolInfoParams* hvProtocolInfoParams_Create() {
  hvProtocolInfoParams* map =
      static_cast<hvProtocolInfoParams*>(hvMemory_Malloc(sizeof(hvProtocolInfoParams)));
  hvProtocolInfoParams_InitInPlace(map);
  map->inPlace = 0;
  return map;
}

void hvProtocolInfoParams_Free(hvProtocolInfoParams* map) {
  if (!map) return;
  hvPtrVector_Free(&map->entries);
  hvMemory_Free(map->slots);
  if (map->inPlace) {
    // Emptied, so the owner may free its block whether or not it still points here.
    map->slots = nullptr;
    map->slotCount = 0;
  } else {
    hvMemory_Free(map);
  }
}

size_t hvProtocolInfoParams_GetCount(const hvProtocolInfoParams* map) {
  return hvPtrVector_GetCount(&map->entries);
}

const hvProtocolInfoParam* hvProtocolInfoParams_At(const hvProtocolInfoParams* map, size_t index) {
  return EntryAt(map, index);
}

const hvProtocolInfoParam* hvProtocolInfoParams_Find(const hvProtocolInfoParams* map,
                                                     const char* name, size_t nameLength) {
  if (nameLength == 0 || !map->slots) return nullptr;
  size_t slot = ProbeSlot(map, name, nameLength, hvProtocolInfoParams_Key(name, nameLength));
  return map->slots[slot] == 0 ? nullptr : EntryAt(map, map->slots[slot] - 1);
}

void hvProtocolInfoParams_Set(hvProtocolInfoParams* map, const char* name, size_t nameLength,
                              const char* value, size_t valueLength) {
  if (nameLength == 0) return;
  if (!map->slots) RebuildIndex(map, 8);
  uint32_t key = hvProtocolInfoParams_Key(name, nameLength);
  size_t slot = ProbeSlot(map, name, nameLength, key);
  if (map->slots[slot] != 0) {
    // Copy before freeing: the new value may be a piece of the old one.
    hvProtocolInfoParam* param = EntryAt(map, map->slots[slot] - 1);
    char* copy = hvMemory_Strndup(value, valueLength);
    hvMemory_Free(param->value);
    param->value = copy;
    return;
  }
  hvPtrVector_Append(&map->entries, NewEntry(key, name, nameLength, value, valueLength));
  size_t count = hvPtrVector_GetCount(&map->entries);
  if (hvNumber_MultiplySizes(count, 2) >= map->slotCount) {
    RebuildIndex(map, hvNumber_MultiplySizes(map->slotCount, 2));
  } else {
    map->slots[slot] = count;
  }
}

bool hvProtocolInfoParams_Remove(hvProtocolInfoParams* map, const char* name, size_t nameLength) {
  if (nameLength == 0 || !map->slots) return false;
  size_t slot = ProbeSlot(map, name, nameLength, hvProtocolInfoParams_Key(name, nameLength));
  if (map->slots[slot] == 0) return false;
  hvPtrVector_RemoveRange(&map->entries, map->slots[slot] - 1, 1);
  // Entries after the removed one moved down, so every slot may be stale.
  RebuildIndex(map, map->slotCount);
  return true;
}

// The record-level operations on the map.

const char* hvProtocolInfo_GetParam(const hvProtocolInfo* record, const char* name) {
  if (!record->params || !name) return nullptr;
  const hvProtocolInfoParam* param = hvProtocolInfoParams_Find(record->params, name, strlen(name));
  return param ? param->value : nullptr;
}

void hvProtocolInfo_SetParam(hvProtocolInfo* record, const char* name, const char* value) {
  if (!record->params) record->params = hvProtocolInfoParams_Create();
  if (!name || !*name) return;
  // Name and value may be pieces of the entry being replaced, which the removal frees.
  size_t nameLength = strlen(name);
  char* nameCopy = hvMemory_Strndup(name, nameLength);
  char* valueCopy = hvMemory_Strdup(value ? value : "");
  hvProtocolInfoParams_Remove(record->params, nameCopy, nameLength);
  hvProtocolInfoParams_Set(record->params, nameCopy, nameLength, valueCopy, strlen(valueCopy));
  hvMemory_Free(nameCopy);
  hvMemory_Free(valueCopy);
}

void hvProtocolInfo_RemoveParam(hvProtocolInfo* record, const char* name) {
  if (record->params && name) hvProtocolInfoParams_Remove(record->params, name, strlen(name));
}

void hvProtocolInfo_ClearParams(hvProtocolInfo* record) {
  hvProtocolInfoParams_Free(record->params);
  record->params = nullptr;
}

size_t hvProtocolInfo_GetParamCount(const hvProtocolInfo* record) {
  return record->params ? hvProtocolInfoParams_GetCount(record->params) : 0;
}

bool hvProtocolInfo_GetParamAt(const hvProtocolInfo* record, size_t index, const char** name,
                               size_t* nameLength, const char** value) {
  const hvProtocolInfoParam* param =
      record->params ? hvProtocolInfoParams_At(record->params, index) : nullptr;
  if (!param) return false;
  *name = param->name;
  *nameLength = param->nameLength;
  *value = param->value;
  return true;
}

char* hvProtocolInfo_FindParamInText(const char* text, const char* name) {
  if (!text || !name) return nullptr;
  size_t wantedLength = strlen(name);
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, text, strlen(text));
  hvTextPiece piece;
  while (hvTextCursor_Next(&cursor, ';', &piece) && piece.length > 0) {
    hvProtocolInfoPair pair = hvProtocolInfo_SplitPair(piece.text, piece.length);
    if (!hvProtocolInfoParams_IsAcceptable(pair.name, pair.nameLength, pair.value,
                                           pair.valueLength))
      continue;
    if (hvAscii_EqualsIgnoreCase(pair.name, pair.nameLength, name, wantedLength))
      return hvMemory_Strndup(pair.value, pair.valueLength);
  }
  return nullptr;
}
