// hvDList: a doubly linked list of untyped pointers. Each item knows the list it is linked
// into, so an item alone is enough to unlink or remove it; the list's release callback
// disposes of values when the list disposes of items. Records come from guarded allocation.
// Not locked: one thread at a time per list.
#ifndef HULVOSTREAMING_HVDLIST_H
#define HULVOSTREAMING_HVDLIST_H

#include <cstdint>

#include "hv/hvPlatform.h"

struct hvDList;
struct hvDListItem;

// Called with the value of an item the list disposes of (remove, dispose, clear, destroy).
typedef void (*hvDListReleaseCallback)(void* value);
// Non-zero selects the item.
typedef int (*hvDListPredicate)(hvDListItem* item, void* userData);

struct hvDListItem {
  void* value;
  hvDListItem* next;  // null at the tail
  hvDListItem* prev;  // null at the head
  hvDList* owner;     // null once the item has been unlinked
};

// Read-only for callers: walk from head along next (or from tail along prev). count always
// equals the number of items reachable from head.
struct hvDList {
  uint64_t count;
  hvDListItem* head;
  hvDListItem* tail;
  hvDListReleaseCallback release;  // may be null: values are then left alone
};

// Both never return null. The second links `count` items whose values are null.
HV_EXPORT hvDList* hvDList_Create();
HV_EXPORT hvDList* hvDList_CreateWithItems(uint64_t count);
// Releases every value (when a callback is set) and frees every item and the list.
// A null list is ignored.
HV_EXPORT void hvDList_Destroy(hvDList* list);

HV_EXPORT uint64_t hvDList_GetCount(const hvDList* list);
HV_EXPORT void hvDList_SetReleaseCallback(hvDList* list, hvDListReleaseCallback release);

// Both return the new item, which stays owned by the list. With a null `before` the value
// goes to the head; `before` must otherwise be an item of `list`.
HV_EXPORT hvDListItem* hvDList_Append(hvDList* list, void* value);
HV_EXPORT hvDListItem* hvDList_InsertBefore(hvDList* list, hvDListItem* before, void* value);

// Item `index` counted from the head, or null at or past the end.
HV_EXPORT hvDListItem* hvDList_GetAt(const hvDList* list, uint64_t index);
// The first item holding exactly this pointer, or null.
HV_EXPORT hvDListItem* hvDList_Find(const hvDList* list, const void* value);
// Index of the first item holding this pointer; all bits set when absent (or when the
// index does not fit in 32 bits).
HV_EXPORT uint32_t hvDList_IndexOf(const hvDList* list, const void* value);
// First item from the head (FindFirst) or from the tail (FindLast) for which the predicate
// is non-zero, or null.
HV_EXPORT hvDListItem* hvDList_FindFirst(const hvDList* list, hvDListPredicate predicate,
                                         void* userData);
HV_EXPORT hvDListItem* hvDList_FindLast(const hvDList* list, hvDListPredicate predicate,
                                        void* userData);

// Takes the item out of its list and returns it; the caller then owns the item and must
// hand it to hvDList_DisposeItem or hvDList_FreeItem. An item already unlinked is
// returned unchanged.
HV_EXPORT hvDListItem* hvDList_Unlink(hvDListItem* item);
// Unlinks the item, releases its value through its list's callback and frees it. Returns 1,
// or 0 (doing nothing) for a null item or one that is no longer in a list. Safe while
// walking the list as long as the walk has already read item->next.
HV_EXPORT int hvDList_Remove(hvDListItem* item);
// Removes the first item holding this pointer: 1, or 0 when absent.
HV_EXPORT int hvDList_RemoveValue(hvDList* list, const void* value);
// Unlinks and frees the head item and returns its value, which the caller now owns (no
// release callback). An empty list gives null.
HV_EXPORT void* hvDList_TakeFirst(hvDList* list);
// Releases the item's value through `list`'s callback and frees the item; an item still
// linked somewhere is unlinked first.
HV_EXPORT void hvDList_DisposeItem(hvDList* list, hvDListItem* item);
// Unlinks the item if it is still in a list and frees it without releasing its value.
// A null item is ignored.
HV_EXPORT void hvDList_FreeItem(hvDListItem* item);
// Releases every value (when a callback is set) and frees every item; the list stays usable.
HV_EXPORT void hvDList_Clear(hvDList* list);

#endif
