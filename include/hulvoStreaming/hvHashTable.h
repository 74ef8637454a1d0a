// hvHashTable: a chained hash table of untyped keys and values over 11 buckets. Key and
// value operation sets decide how the table copies, releases, compares and hashes what it
// stores; the table owns the stored copies. Records come from guarded allocation.
// Not locked: one thread at a time per table.
#ifndef HULVOSTREAMING_HVHASHTABLE_H
#define HULVOSTREAMING_HVHASHTABLE_H

#include <cstdint>

#include "hv/hvPlatform.h"

struct hvHashTable;

// A duplicate that returns null for a non-null input makes the insert fail.
typedef void* (*hvHashDuplicate)(const void* item);
typedef void (*hvHashRelease)(void* item);
// 0 when the two keys are equal.
typedef int (*hvHashCompare)(const void* a, const void* b);
typedef uint32_t (*hvHashFunction)(const void* key);
typedef void (*hvHashForEachCallback)(const void* key, void* value, void* userData);

// Any operation may be null: no duplicate stores the caller's pointer, no release leaves
// it alone, no compare means pointer equality, no hash takes the pointer's low 32 bits.
struct hvKeyOps {
  hvHashDuplicate duplicate;
  hvHashRelease release;
  hvHashCompare compare;
  hvHashFunction hash;
};

struct hvValueOps {
  hvHashDuplicate duplicate;
  hvHashRelease release;
};

// Ready-made operation sets. Strings are NUL-terminated char texts, wide strings
// NUL-terminated hvWideChar texts (16-bit units: wchar_t on Windows, char16_t elsewhere);
// both are copied with guarded allocation and compared code unit by code unit,
// case-sensitively.
HV_EXPORT extern const hvKeyOps khvKeyOps_String;
HV_EXPORT extern const hvKeyOps khvKeyOps_WideString;
HV_EXPORT extern const hvKeyOps khvKeyOps_Pointer;
HV_EXPORT extern const hvValueOps khvValueOps_String;
HV_EXPORT extern const hvValueOps khvValueOps_WideString;
// Stored as given, never released.
HV_EXPORT extern const hvValueOps khvValueOps_Plain;
// Stored as given (through an identity duplicate), never released: the caller keeps
// ownership and keeps the values alive while the table holds them.
HV_EXPORT extern const hvValueOps khvValueOps_Borrowed;

// hash = hash * 31 + c + 1 over the characters, from 0, in 32-bit arithmetic: "" gives 0,
// "a" gives 98. A null text gives 0.
HV_EXPORT uint32_t hvHashTable_HashString(const void* text);
// The wide hash takes an hvWideChar text; it has the operation's signature so that it can
// serve as a key set's hash.
HV_EXPORT uint32_t hvHashTable_HashWideString(const void* text);

// None of the constructors returns null. Null operation sets mean pointer keys and plain
// values. The table copies the sets it is given.
HV_EXPORT hvHashTable* hvHashTable_Create(const hvKeyOps* keyOps, const hvValueOps* valueOps);
HV_EXPORT hvHashTable* hvHashTable_CreateStringKeys(const hvValueOps* valueOps);
HV_EXPORT hvHashTable* hvHashTable_CreateWideKeys(const hvValueOps* valueOps);
HV_EXPORT hvHashTable* hvHashTable_CreatePointerKeys(const hvValueOps* valueOps);
HV_EXPORT hvHashTable* hvHashTable_CreateStringKeysStringValues();
HV_EXPORT hvHashTable* hvHashTable_CreateStringKeysWideValues();
HV_EXPORT hvHashTable* hvHashTable_CreateStringKeysPlainValues();
HV_EXPORT hvHashTable* hvHashTable_CreateStringKeysBorrowedValues();
HV_EXPORT hvHashTable* hvHashTable_CreateWideKeysWideValues();
HV_EXPORT hvHashTable* hvHashTable_CreatePointerKeysPlainValues();
// A new table with the same operations and duplicate rule, holding copies (made with the
// duplicate operations) of every entry in the same order, so it answers every query as the
// original does. Null when a duplicate operation fails.
HV_EXPORT hvHashTable* hvHashTable_Copy(const hvHashTable* table);
// Releases every stored key and value and frees the table. A null table is ignored.
HV_EXPORT void hvHashTable_Destroy(hvHashTable* table);

// From now on inserting a key that is present adds a further entry instead of replacing
// it; lookups find the one inserted last and removal takes them all.
HV_EXPORT void hvHashTable_AllowDuplicates(hvHashTable* table);

// 1 on success. Insert stores copies of key and value; the NoCopy forms store the caller's
// pointers instead and thereby take them over. Without duplicates an entry with an equal
// key is replaced (its key and value released). Fails with 0 for a null key or a failed
// duplicate, after releasing whatever would have been stored.
HV_EXPORT int hvHashTable_Insert(hvHashTable* table, const void* key, const void* value);
HV_EXPORT int hvHashTable_InsertNoCopy(hvHashTable* table, void* key, void* value);
HV_EXPORT int hvHashTable_InsertNoValueCopy(hvHashTable* table, const void* key, void* value);
// Removes the entry with an equal key (every such entry when duplicates are allowed),
// releasing the stored key and value. `key` may be a stored key itself. 1 when anything
// was removed.
HV_EXPORT int hvHashTable_Remove(hvHashTable* table, const void* key);
// Releases every entry; the table stays usable.
HV_EXPORT void hvHashTable_Clear(hvHashTable* table);

// 1 and the stored value in *value when found, else 0 and null. Returned pointers stay
// owned by the table and valid until their entry is removed or replaced.
HV_EXPORT int hvHashTable_Lookup(const hvHashTable* table, const void* key, void** value);
HV_EXPORT void* hvHashTable_Get(const hvHashTable* table, const void* key);
HV_EXPORT int hvHashTable_Contains(const hvHashTable* table, const void* key);
HV_EXPORT uint64_t hvHashTable_GetCount(const hvHashTable* table);
// The stored key at `position` in for-each order, or null at or past the count.
HV_EXPORT const void* hvHashTable_GetKeyAt(const hvHashTable* table, uint64_t position);
// Calls back for every entry, bucket 0 to 10, each chain from front to back. The callback
// must not insert into or remove from the table.
HV_EXPORT void hvHashTable_ForEach(const hvHashTable* table, hvHashForEachCallback callback,
                                   void* userData);

#endif
