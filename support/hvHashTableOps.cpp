// The ready-made key and value operation sets of the hash table, its text hashes, and the
// constructors that pair them.
#include "hulvoStreaming/hvHashTable.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

// Both hashes run over code units taken as unsigned, so texts with bytes above 0x7F hash
// the same whatever the signedness of char on the system.
template <typename Unit>
uint32_t HashUnits(const Unit* text) {
  uint32_t hash = 0;
  if (!text) return hash;
  for (; *text; ++text) hash = hash * 31u + static_cast<uint32_t>(*text) + 1u;
  return hash;
}

template <typename Unit>
int CompareUnits(const Unit* a, const Unit* b) {
  while (*a && *a == *b) ++a, ++b;
  if (*a == *b) return 0;
  return *a < *b ? -1 : 1;
}

void* DuplicateString(const void* text) { return hvMemory_Strdup(static_cast<const char*>(text)); }

void* DuplicateWideString(const void* text) {
  return hvMemory_Wcsdup(static_cast<const hvWideChar*>(text));
}

void* Identity(const void* item) { return const_cast<void*>(item); }

int CompareStrings(const void* a, const void* b) {
  return CompareUnits(static_cast<const unsigned char*>(a), static_cast<const unsigned char*>(b));
}

int CompareWideStrings(const void* a, const void* b) {
  return CompareUnits(static_cast<const hvWideChar*>(a), static_cast<const hvWideChar*>(b));
}

uint32_t HashPointer(const void* key) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
}

}  // namespace

uint32_t hvHashTable_HashString(const void* text) {
  return HashUnits(static_cast<const unsigned char*>(text));
}

uint32_t hvHashTable_HashWideString(const void* text) {
  return HashUnits(static_cast<const hvWideChar*>(text));
}

const hvKeyOps khvKeyOps_String = {DuplicateString, hvMemory_Free, CompareStrings,
                                   hvHashTable_HashString};
const hvKeyOps khvKeyOps_WideString = {DuplicateWideString, hvMemory_Free, CompareWideStrings,
                                       hvHashTable_HashWideString};
const hvKeyOps khvKeyOps_Pointer = {nullptr, nullptr, nullptr, HashPointer};
const hvValueOps khvValueOps_String = {DuplicateString, hvMemory_Free};
const hvValueOps khvValueOps_WideString = {DuplicateWideString, hvMemory_Free};
const hvValueOps khvValueOps_Plain = {nullptr, nullptr};
const hvValueOps khvValueOps_Borrowed = {Identity, nullptr};

hvHashTable* hvHashTable_CreateStringKeys(const hvValueOps* valueOps) {
  return hvHashTable_Create(&khvKeyOps_String, valueOps);
}

hvHashTable* hvHashTable_CreateWideKeys(const hvValueOps* valueOps) {
  return hvHashTable_Create(&khvKeyOps_WideString, valueOps);
}

hvHashTable* hvHashTable_CreatePointerKeys(const hvValueOps* valueOps) {
  return hvHashTable_Create(&khvKeyOps_Pointer, valueOps);
}

hvHashTable* hvHashTable_CreateStringKeysStringValues() {
  return hvHashTable_CreateStringKeys(&khvValueOps_String);
}

hvHashTable* hvHashTable_CreateStringKeysWideValues() {
  return hvHashTable_CreateStringKeys(&khvValueOps_WideString);
}

hvHashTable* hvHashTable_CreateStringKeysPlainValues() {
  return hvHashTable_CreateStringKeys(&khvValueOps_Plain);
}

hvHashTable* hvHashTable_CreateStringKeysBorrowedValues() {
  return hvHashTable_CreateStringKeys(&khvValueOps_Borrowed);
}

hvHashTable* hvHashTable_CreateWideKeysWideValues() {
  return hvHashTable_CreateWideKeys(&khvValueOps_WideString);
}

hvHashTable* hvHashTable_CreatePointerKeysPlainValues() {
  return hvHashTable_CreatePointerKeys(&khvValueOps_Plain);
}
