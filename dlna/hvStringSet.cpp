// hvStringSet: owned strings compared ignoring ASCII case.
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvPtrVector.h"
#include "support/hvStringBuilder.h"
#include "support/hvTextSplit.h"

struct hvStringSet {
  hvPtrVector* items;  // of owned char*, in SortUnique order after it ran
};

namespace {

void ReleaseItem(void* item) { hvMemory_Free(item); }

// Ignoring case first; spellings of one word then order byte-wise, so which of them survives
// de-duplication does not depend on the unstable sort.
int CompareItems(const void* a, const void* b) {
  const char* left = static_cast<const char*>(a);
  const char* right = static_cast<const char*>(b);
  int order = hvAscii_CompareIgnoreCase(left, right);
  return order != 0 ? order : strcmp(left, right);
}

const char* ItemAt(const hvStringSet* set, size_t index) {
  return static_cast<const char*>(hvPtrVector_Get(set->items, index));
}

// Binary search once SortUnique has ordered the set (removals keep the order), so filtering
// a long list against a long set is not quadratic.
ptrdiff_t Find(const hvStringSet* set, const char* item) {
  size_t count = hvPtrVector_GetCount(set->items);
  if (!set->items->sorted) {
    for (size_t i = 0; i < count; ++i) {
      if (hvAscii_CompareIgnoreCase(ItemAt(set, i), item) == 0) return static_cast<ptrdiff_t>(i);
    }
    return -1;
  }
  size_t low = 0;
  size_t high = count;
  while (low < high) {
    size_t middle = low + (high - low) / 2;
    if (hvAscii_CompareIgnoreCase(ItemAt(set, middle), item) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < count && hvAscii_CompareIgnoreCase(ItemAt(set, low), item) == 0
             ? static_cast<ptrdiff_t>(low)
             : -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Calls `add` with each ','-separated item of text, trimmed, empty ones skipped.
template <typename Add>
void ForEachListItem(const char* text, Add add) {
  if (!text) return;
  hvTextSplit pieces;
  hvTextSplit_SplitAt(&pieces, text, strlen(text), ',');
  for (size_t i = 0; i < pieces.count; ++i) {
    const char* start = pieces.pieces[i].text;
    const char* end = start + pieces.pieces[i].length;
    while (start < end && IsBlank(*start)) ++start;
    while (end > start && IsBlank(end[-1])) --end;
    if (end > start) add(start, static_cast<size_t>(end - start));
  }
  hvTextSplit_Release(&pieces);
}

char* Join(const hvStringSet* set) {
  hvStringBuilder* out = hvStringBuilder_Create(0);
  size_t count = hvPtrVector_GetCount(set->items);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) hvStringBuilder_AppendText(out, ",");
    hvStringBuilder_AppendText(out, ItemAt(set, i));
  }
  return hvStringBuilder_Detach(out, 1, nullptr);
}

}  // namespace

hvStringSet* hvStringSet_Create() {
  hvStringSet* set = static_cast<hvStringSet*>(hvMemory_Calloc(sizeof(hvStringSet)));
  set->items = hvPtrVector_Create(ReleaseItem, CompareItems);
  return set;
}

void hvStringSet_Free(hvStringSet* set) {
  if (!set) return;
  hvPtrVector_Free(set->items);
  hvMemory_Free(set);
}

size_t hvStringSet_GetCount(const hvStringSet* set) { return hvPtrVector_GetCount(set->items); }

const char* hvStringSet_Get(const hvStringSet* set, size_t index) { return ItemAt(set, index); }

void hvStringSet_Add(hvStringSet* set, const char* item) {
  if (item) hvPtrVector_Append(set->items, hvMemory_Strdup(item));
}

size_t hvStringSet_SortUnique(hvStringSet* set) {
  hvPtrVector* items = set->items;
  hvPtrVector_Sort(items);
  // Compacted in place: removing duplicates one by one would move the tail every time.
  size_t kept = 0;
  for (size_t i = 0; i < items->count; ++i) {
    char* item = static_cast<char*>(items->entries[i]);
    if (kept > 0 && hvAscii_CompareIgnoreCase(static_cast<char*>(items->entries[kept - 1]), item) == 0) {
      hvMemory_Free(item);
    } else {
      items->entries[kept++] = item;
    }
  }
  items->count = kept;
  return kept;
}

size_t hvStringSet_AddList(hvStringSet* set, const char* text) {
  ForEachListItem(text, [set](const char* item, size_t length) {
    hvPtrVector_Append(set->items, hvMemory_Strndup(item, length));
  });
  return hvStringSet_SortUnique(set);
}

void hvStringSet_Remove(hvStringSet* set, const char* item) {
  if (!item) return;
  ptrdiff_t index = Find(set, item);
  if (index >= 0) hvPtrVector_RemoveRange(set->items, static_cast<size_t>(index), 1);
}

char* hvStringSet_Join(const hvStringSet* set) { return Join(set); }

bool hvStringSet_Contains(const hvStringSet* set, const char* item) {
  return item && Find(set, item) >= 0;
}

char* hvStringSet_Filter(const hvStringSet* set, const char* text) {
  hvStringSet* wanted = hvStringSet_Create();
  hvStringSet_AddList(wanted, text);
  hvStringSet* present = hvStringSet_Create();
  size_t count = hvStringSet_GetCount(wanted);
  for (size_t i = 0; i < count; ++i) {
    if (hvStringSet_Contains(set, ItemAt(wanted, i))) hvStringSet_Add(present, ItemAt(wanted, i));
  }
  char* joined = Join(present);
  hvStringSet_Free(present);
  hvStringSet_Free(wanted);
  return joined;
}
