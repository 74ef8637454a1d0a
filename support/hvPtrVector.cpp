#include "support/hvPtrVector.h"

#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"

namespace {

void Reserve(hvPtrVector* vector, size_t needed) {
  if (needed <= vector->capacity) return;
  size_t capacity = vector->capacity < 8 ? 8 : vector->capacity;
  while (capacity < needed) capacity = hvNumber_MultiplySizes(capacity, 2);
  vector->entries = static_cast<void**>(
      hvMemory_Realloc(vector->entries, hvNumber_MultiplySizes(capacity, sizeof(void*))));
  vector->capacity = capacity;
}

void Swap(void** entries, size_t a, size_t b) {
  void* kept = entries[a];
  entries[a] = entries[b];
  entries[b] = kept;
}

// Heapsort for the rare range on which quicksort keeps choosing bad pivots, so a crafted
// order cannot make sorting quadratic.
void SiftDown(void** entries, size_t root, size_t count, hvPtrVectorCompare compare) {
  for (;;) {
    size_t child = 2 * root + 1;
    if (child >= count) return;
    if (child + 1 < count && compare(entries[child], entries[child + 1]) < 0) ++child;
    if (compare(entries[root], entries[child]) >= 0) return;
    Swap(entries, root, child);
    root = child;
  }
}

void HeapSort(void** entries, size_t count, hvPtrVectorCompare compare) {
  for (size_t i = count / 2; i > 0; --i) SiftDown(entries, i - 1, count, compare);
  for (size_t end = count; end > 1; --end) {
    Swap(entries, 0, end - 1);
    SiftDown(entries, 0, end - 1, compare);
  }
}

void InsertionSort(void** entries, size_t count, hvPtrVectorCompare compare) {
  for (size_t i = 1; i < count; ++i) {
    void* entry = entries[i];
    size_t j = i;
    for (; j > 0 && compare(entries[j - 1], entry) > 0; --j) entries[j] = entries[j - 1];
    entries[j] = entry;
  }
}

// Quicksort with a median-of-three pivot; recursion only into the smaller side keeps the
// stack logarithmic, and the depth budget hands pathological ranges to heapsort.
void QuickSort(void** entries, size_t count, hvPtrVectorCompare compare, int depthBudget) {
  while (count > 16) {
    if (depthBudget-- == 0) {
      HeapSort(entries, count, compare);
      return;
    }
    size_t middle = count / 2;
    size_t last = count - 1;
    if (compare(entries[middle], entries[0]) < 0) Swap(entries, middle, 0);
    if (compare(entries[last], entries[0]) < 0) Swap(entries, last, 0);
    if (compare(entries[last], entries[middle]) < 0) Swap(entries, last, middle);
    void* pivot = entries[middle];
    // Hoare partition: entries[0] <= pivot <= entries[last] act as sentinels.
    size_t i = 0;
    size_t j = last;
    for (;;) {
      while (compare(entries[i], pivot) < 0) ++i;
      while (compare(pivot, entries[j]) < 0) --j;
      if (i >= j) break;
      Swap(entries, i, j);
      ++i;
      --j;
    }
    size_t left = j + 1;  // [0, left) <= pivot <= [left, count)
    if (left < count - left) {
      QuickSort(entries, left, compare, depthBudget);
      entries += left;
      count -= left;
    } else {
      QuickSort(entries + left, count - left, compare, depthBudget);
      count = left;
    }
  }
  InsertionSort(entries, count, compare);
}

}  // namespace

hvPtrVector* hvPtrVector_Create(hvPtrVectorRelease release, hvPtrVectorCompare compare) {
  hvPtrVector* vector = static_cast<hvPtrVector*>(hvMemory_Calloc(sizeof(hvPtrVector)));
  vector->release = release;
  vector->compare = compare;
  return vector;
}

void hvPtrVector_InitInPlace(hvPtrVector* vector, hvPtrVectorRelease release,
                             hvPtrVectorCompare compare) {
  *vector = hvPtrVector();
  vector->release = release;
  vector->compare = compare;
  vector->inPlace = 1;
}

void hvPtrVector_Free(hvPtrVector* vector) {
  if (!vector) return;
  hvPtrVector_RemoveAll(vector);
  hvMemory_Free(vector->entries);
  if (vector->inPlace) {
    vector->entries = nullptr;
    vector->capacity = 0;
  } else {
    hvMemory_Free(vector);
  }
}

size_t hvPtrVector_GetCount(const hvPtrVector* vector) { return vector ? vector->count : 0; }

void* hvPtrVector_Get(const hvPtrVector* vector, size_t index) {
  return vector && index < vector->count ? vector->entries[index] : nullptr;
}

void hvPtrVector_Append(hvPtrVector* vector, void* entry) {
  Reserve(vector, hvNumber_AddSizes(vector->count, 1));
  vector->entries[vector->count++] = entry;
  vector->sorted = 0;
}

size_t hvPtrVector_Insert(hvPtrVector* vector, void* entry) {
  if (!vector->sorted || !vector->compare) {
    hvPtrVector_Append(vector, entry);
    return vector->count - 1;
  }
  // Upper bound: the first entry that sorts after the new one.
  size_t low = 0;
  size_t high = vector->count;
  while (low < high) {
    size_t middle = low + (high - low) / 2;
    if (vector->compare(vector->entries[middle], entry) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  Reserve(vector, hvNumber_AddSizes(vector->count, 1));
  memmove(vector->entries + low + 1, vector->entries + low, (vector->count - low) * sizeof(void*));
  vector->entries[low] = entry;
  ++vector->count;
  return low;
}

void hvPtrVector_SetSorted(hvPtrVector* vector, int sorted) { vector->sorted = sorted ? 1 : 0; }

void hvPtrVector_RemoveRange(hvPtrVector* vector, size_t index, size_t count) {
  if (index >= vector->count) return;
  if (count > vector->count - index) count = vector->count - index;
  if (vector->release) {
    for (size_t i = index; i < index + count; ++i) vector->release(vector->entries[i]);
  }
  memmove(vector->entries + index, vector->entries + index + count,
          (vector->count - index - count) * sizeof(void*));
  vector->count -= count;
}

void hvPtrVector_RemoveAll(hvPtrVector* vector) {
  hvPtrVector_RemoveRange(vector, 0, vector->count);
}

void hvPtrVector_Sort(hvPtrVector* vector) {
  if (!vector->compare) return;
  int depthBudget = 0;
  for (size_t n = vector->count; n > 1; n >>= 1) depthBudget += 2;
  QuickSort(vector->entries, vector->count, vector->compare, depthBudget);
  vector->sorted = 1;
}

ptrdiff_t hvPtrVector_FindIndex(const hvPtrVector* vector, hvPtrVectorPredicate predicate,
                                void* context) {
  for (size_t i = 0; i < hvPtrVector_GetCount(vector); ++i) {
    if (predicate(vector->entries[i], context)) return static_cast<ptrdiff_t>(i);
  }
  return -1;
}
