// The chained hash table. Each entry keeps its key's hash, so chain walks compare keys only
// when the hashes already agree. New entries go to the front of their chain, which makes
// the latest of several equal keys the one a lookup finds first.
#include "hulvoStreaming/hvHashTable.h"

#include <cstdint>

#include "hulvoStreaming/hvMemory.h"

namespace {

constexpr uint32_t kBucketCount = 11;

}  // namespace

struct hvHashEntry {
  uint32_t hash;
  void* key;
  void* value;
  hvHashEntry* next;
};

// Invariant: bucketCounts[b] is the length of chain b and count is their sum.
struct hvHashTable {
  hvHashEntry* buckets[kBucketCount];
  uint64_t bucketCounts[kBucketCount];
  uint64_t count;
  hvKeyOps keyOps;
  hvValueOps valueOps;
  int32_t allowDuplicates;
};

namespace {

uint32_t HashOf(const hvHashTable* table, const void* key) {
  if (table->keyOps.hash) return table->keyOps.hash(key);
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
}

uint32_t BucketOf(uint32_t hash) { return hash % kBucketCount; }

bool KeysEqual(const hvHashTable* table, const void* a, const void* b) {
  if (table->keyOps.compare) return table->keyOps.compare(a, b) == 0;
  return a == b;
}

void ReleaseStored(const hvHashTable* table, void* key, void* value) {
  if (key && table->keyOps.release) table->keyOps.release(key);
  if (value && table->valueOps.release) table->valueOps.release(value);
}

// Releases and frees a chain of entries that is no longer reachable from the table.
void ReleaseChain(const hvHashTable* table, hvHashEntry* entry) {
  while (entry) {
    hvHashEntry* next = entry->next;
    ReleaseStored(table, entry->key, entry->value);
    hvMemory_Free(entry);
    entry = next;
  }
}

hvHashEntry* NewEntry(uint32_t hash, void* key, void* value, hvHashEntry* next) {
  hvHashEntry* entry = static_cast<hvHashEntry*>(hvMemory_Malloc(sizeof(hvHashEntry)));
  entry->hash = hash;
  entry->key = key;
  entry->value = value;
  entry->next = next;
  return entry;
}

// Unlinks the entries equal to `key` (only the first unless duplicates are allowed) and
// releases them once the walk is over: `key` may be the stored key of one of them, and it
// has to stay readable while the rest of the chain is compared against it.
int RemoveEqual(hvHashTable* table, uint32_t hash, const void* key) {
  const uint32_t bucket = BucketOf(hash);
  hvHashEntry* removed = nullptr;
  hvHashEntry** removedTail = &removed;
  int found = 0;
  hvHashEntry** link = &table->buckets[bucket];
  while (*link) {
    hvHashEntry* entry = *link;
    if (entry->hash != hash || !KeysEqual(table, key, entry->key)) {
      link = &entry->next;
      continue;
    }
    *link = entry->next;
    entry->next = nullptr;
    *removedTail = entry;
    removedTail = &entry->next;
    --table->bucketCounts[bucket];
    --table->count;
    found = 1;
    if (!table->allowDuplicates) break;
  }
  ReleaseChain(table, removed);
  return found;
}

const hvHashEntry* FindEntry(const hvHashTable* table, const void* key) {
  const uint32_t hash = HashOf(table, key);
  for (const hvHashEntry* entry = table->buckets[BucketOf(hash)]; entry; entry = entry->next)
    if (entry->hash == hash && KeysEqual(table, key, entry->key)) return entry;
  return nullptr;
}

int InsertEntry(hvHashTable* table, const void* key, const void* value, bool copyKey,
                bool copyValue) {
  void* storedKey =
      copyKey && table->keyOps.duplicate ? table->keyOps.duplicate(key) : const_cast<void*>(key);
  void* storedValue = copyValue && table->valueOps.duplicate ? table->valueOps.duplicate(value)
                                                             : const_cast<void*>(value);
  if (!storedKey || (!storedValue && value)) {
    ReleaseStored(table, storedKey, storedValue);
    return 0;
  }
  const uint32_t hash = HashOf(table, storedKey);
  // The replaced entry is matched against our own copy, never the caller's pointer, which
  // may be the very key about to be released.
  if (!table->allowDuplicates) RemoveEqual(table, hash, storedKey);
  const uint32_t bucket = BucketOf(hash);
  table->buckets[bucket] = NewEntry(hash, storedKey, storedValue, table->buckets[bucket]);
  ++table->bucketCounts[bucket];
  ++table->count;
  return 1;
}

}  // namespace

hvHashTable* hvHashTable_Create(const hvKeyOps* keyOps, const hvValueOps* valueOps) {
  hvHashTable* table = static_cast<hvHashTable*>(hvMemory_Calloc(sizeof(hvHashTable)));
  if (keyOps) table->keyOps = *keyOps;
  if (valueOps) table->valueOps = *valueOps;
  return table;
}

hvHashTable* hvHashTable_Copy(const hvHashTable* table) {
  hvHashTable* copy = hvHashTable_Create(&table->keyOps, &table->valueOps);
  copy->allowDuplicates = table->allowDuplicates;
  // Chains are copied front to back onto the tail, not pushed at the front, so equal keys
  // keep their order and a lookup in the copy finds the same entry as in the original.
  for (uint32_t bucket = 0; bucket < kBucketCount; ++bucket) {
    hvHashEntry** tail = &copy->buckets[bucket];
    for (const hvHashEntry* entry = table->buckets[bucket]; entry; entry = entry->next) {
      void* key = table->keyOps.duplicate ? table->keyOps.duplicate(entry->key) : entry->key;
      void* value =
          table->valueOps.duplicate ? table->valueOps.duplicate(entry->value) : entry->value;
      if (!key || (!value && entry->value)) {
        ReleaseStored(copy, key, value);
        hvHashTable_Destroy(copy);
        return nullptr;
      }
      *tail = NewEntry(entry->hash, key, value, nullptr);
      tail = &(*tail)->next;
      ++copy->bucketCounts[bucket];
      ++copy->count;
    }
  }
  return copy;
}

void hvHashTable_Destroy(hvHashTable* table) {
  if (!table) return;
  hvHashTable_Clear(table);
  hvMemory_Free(table);
}

void hvHashTable_AllowDuplicates(hvHashTable* table) { table->allowDuplicates = 1; }

int hvHashTable_Insert(hvHashTable* table, const void* key, const void* value) {
  return InsertEntry(table, key, value, true, true);
}

int hvHashTable_InsertNoCopy(hvHashTable* table, void* key, void* value) {
  return InsertEntry(table, key, value, false, false);
}

int hvHashTable_InsertNoValueCopy(hvHashTable* table, const void* key, void* value) {
  return InsertEntry(table, key, value, true, false);
}

int hvHashTable_Remove(hvHashTable* table, const void* key) {
  if (!key) return 0;
  return RemoveEqual(table, HashOf(table, key), key);
}

void hvHashTable_Clear(hvHashTable* table) {
  // Every chain is detached before anything is released, so the table is already
  // consistent (and empty) should a release operation look at it.
  hvHashEntry* chains[kBucketCount];
  for (uint32_t bucket = 0; bucket < kBucketCount; ++bucket) {
    chains[bucket] = table->buckets[bucket];
    table->buckets[bucket] = nullptr;
    table->bucketCounts[bucket] = 0;
  }
  table->count = 0;
  for (hvHashEntry* chain : chains) ReleaseChain(table, chain);
}

int hvHashTable_Lookup(const hvHashTable* table, const void* key, void** value) {
  const hvHashEntry* entry = key ? FindEntry(table, key) : nullptr;
  if (value) *value = entry ? entry->value : nullptr;
  return entry ? 1 : 0;
}

void* hvHashTable_Get(const hvHashTable* table, const void* key) {
  void* value = nullptr;
  hvHashTable_Lookup(table, key, &value);
  return value;
}

int hvHashTable_Contains(const hvHashTable* table, const void* key) {
  return hvHashTable_Lookup(table, key, nullptr);
}

uint64_t hvHashTable_GetCount(const hvHashTable* table) { return table->count; }

const void* hvHashTable_GetKeyAt(const hvHashTable* table, uint64_t position) {
  if (position >= table->count) return nullptr;
  // Whole buckets are skipped by their counts; only the chain holding the position is walked.
  for (uint32_t bucket = 0; bucket < kBucketCount; ++bucket) {
    if (position >= table->bucketCounts[bucket]) {
      position -= table->bucketCounts[bucket];
      continue;
    }
    const hvHashEntry* entry = table->buckets[bucket];
    while (position-- > 0) entry = entry->next;
    return entry->key;
  }
  return nullptr;
}

void hvHashTable_ForEach(const hvHashTable* table, hvHashForEachCallback callback, void* userData) {
  for (const hvHashEntry* chain : table->buckets)
    for (const hvHashEntry* entry = chain; entry; entry = entry->next)
      callback(entry->key, entry->value, userData);
}
