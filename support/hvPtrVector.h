// hvPtrVector: a growable array of pointers. With a release function the vector owns its
// entries and releases them when they are removed or the vector is freed. With a comparison
// it can be sorted, and while marked sorted an insertion finds its place by binary search.
// No lock: one thread at a time.
#ifndef HV_SUPPORT_HVPTRVECTOR_H
#define HV_SUPPORT_HVPTRVECTOR_H

#include <cstddef>

typedef void (*hvPtrVectorRelease)(void* entry);
// Negative, 0 or positive as a sorts before, equal to or after b.
typedef int (*hvPtrVectorCompare)(const void* a, const void* b);
typedef bool (*hvPtrVectorPredicate)(const void* entry, void* context);

struct hvPtrVector {
  void** entries;  // `count` used of `capacity`
  size_t count;
  size_t capacity;
  hvPtrVectorRelease release;  // null: entries are not owned
  hvPtrVectorCompare compare;  // null: the vector cannot be sorted
  int sorted;                  // 1: entries are in comparison order and insertion keeps it
  int inPlace;  // 1: the struct lives inside its owner's allocation, so Free leaves it alone
};

// Either function may be null. The vector starts empty and unsorted.
hvPtrVector* hvPtrVector_Create(hvPtrVectorRelease release, hvPtrVectorCompare compare);
// The same in storage the caller owns, typically inside the object that owns the vector.
void hvPtrVector_InitInPlace(hvPtrVector* vector, hvPtrVectorRelease release,
                             hvPtrVectorCompare compare);
// Releases every entry, then the vector (only its entry array when in place). Null is
// accepted.
void hvPtrVector_Free(hvPtrVector* vector);

// A null vector counts as empty.
size_t hvPtrVector_GetCount(const hvPtrVector* vector);
// Null when index is out of range.
void* hvPtrVector_Get(const hvPtrVector* vector, size_t index);

// Adds at the end; the order is no longer known, so the vector stops being sorted.
void hvPtrVector_Append(hvPtrVector* vector, void* entry);
// Sorted vector with a comparison: binary search, after any equal entries. Otherwise the
// same as Append. Returns the index the entry landed at.
size_t hvPtrVector_Insert(hvPtrVector* vector, void* entry);
void hvPtrVector_SetSorted(hvPtrVector* vector, int sorted);

// Releases and removes `count` entries from `index` (clamped to the end).
void hvPtrVector_RemoveRange(hvPtrVector* vector, size_t index, size_t count);
void hvPtrVector_RemoveAll(hvPtrVector* vector);

// Quicksort with the comparison (not stable) and marks the vector sorted. Without a
// comparison nothing happens.
void hvPtrVector_Sort(hvPtrVector* vector);

// Index of the first entry for which `predicate` holds, or -1.
ptrdiff_t hvPtrVector_FindIndex(const hvPtrVector* vector, hvPtrVectorPredicate predicate,
                                void* context);

#endif
