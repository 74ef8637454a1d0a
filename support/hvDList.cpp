// The doubly linked list. Every item carries its owner, so the item-only operations
// (unlink, remove, free) find the list whose head, tail, count and release callback they
// have to keep right.
#include "hulvoStreaming/hvDList.h"

#include "hulvoStreaming/hvMemory.h"

namespace {

hvDListItem* NewItem(hvDList* owner, void* value) {
  hvDListItem* item = static_cast<hvDListItem*>(hvMemory_Malloc(sizeof(hvDListItem)));
  item->value = value;
  item->next = nullptr;
  item->prev = nullptr;
  item->owner = owner;
  return item;
}

void ReleaseValue(const hvDList* list, void* value) {
  if (list && list->release) list->release(value);
}

}  // namespace

hvDList* hvDList_Create() {
  hvDList* list = static_cast<hvDList*>(hvMemory_Malloc(sizeof(hvDList)));
  list->count = 0;
  list->head = nullptr;
  list->tail = nullptr;
  list->release = nullptr;
  return list;
}

hvDList* hvDList_CreateWithItems(uint64_t count) {
  hvDList* list = hvDList_Create();
  for (uint64_t i = 0; i < count; ++i) hvDList_Append(list, nullptr);
  return list;
}

void hvDList_Destroy(hvDList* list) {
  if (!list) return;
  hvDList_Clear(list);
  hvMemory_Free(list);
}

uint64_t hvDList_GetCount(const hvDList* list) { return list->count; }

void hvDList_SetReleaseCallback(hvDList* list, hvDListReleaseCallback release) {
  list->release = release;
}

hvDListItem* hvDList_Append(hvDList* list, void* value) {
  hvDListItem* item = NewItem(list, value);
  item->prev = list->tail;
  if (list->tail)
    list->tail->next = item;
  else
    list->head = item;
  list->tail = item;
  ++list->count;
  return item;
}

hvDListItem* hvDList_InsertBefore(hvDList* list, hvDListItem* before, void* value) {
  if (!before) before = list->head;
  if (!before) return hvDList_Append(list, value);
  hvDListItem* item = NewItem(list, value);
  item->next = before;
  item->prev = before->prev;
  if (before->prev)
    before->prev->next = item;
  else
    list->head = item;
  before->prev = item;
  ++list->count;
  return item;
}

hvDListItem* hvDList_GetAt(const hvDList* list, uint64_t index) {
  if (index >= list->count) return nullptr;
  hvDListItem* item = list->head;
  while (index-- > 0) item = item->next;
  return item;
}

hvDListItem* hvDList_Find(const hvDList* list, const void* value) {
  for (hvDListItem* item = list->head; item; item = item->next)
    if (item->value == value) return item;
  return nullptr;
}

uint32_t hvDList_IndexOf(const hvDList* list, const void* value) {
  // The all-ones answer means "absent", so an index that would reach it is not reported
  // as a (wrong) smaller number either.
  uint32_t index = 0;
  for (hvDListItem* item = list->head; item && index != UINT32_MAX; item = item->next, ++index)
    if (item->value == value) return index;
  return UINT32_MAX;
}

hvDListItem* hvDList_FindFirst(const hvDList* list, hvDListPredicate predicate, void* userData) {
  for (hvDListItem* item = list->head; item; item = item->next)
    if (predicate(item, userData)) return item;
  return nullptr;
}

hvDListItem* hvDList_FindLast(const hvDList* list, hvDListPredicate predicate, void* userData) {
  for (hvDListItem* item = list->tail; item; item = item->prev)
    if (predicate(item, userData)) return item;
  return nullptr;
}

hvDListItem* hvDList_Unlink(hvDListItem* item) {
  hvDList* list = item->owner;
  // Unlinking twice must not touch a list the item has already left.
  if (!list) return item;
  if (item->prev)
    item->prev->next = item->next;
  else
    list->head = item->next;
  if (item->next)
    item->next->prev = item->prev;
  else
    list->tail = item->prev;
  --list->count;
  item->next = nullptr;
  item->prev = nullptr;
  item->owner = nullptr;
  return item;
}

int hvDList_Remove(hvDListItem* item) {
  if (!item || !item->owner) return 0;
  hvDList* list = item->owner;
  hvDList_Unlink(item);
  ReleaseValue(list, item->value);
  hvMemory_Free(item);
  return 1;
}

int hvDList_RemoveValue(hvDList* list, const void* value) {
  return hvDList_Remove(hvDList_Find(list, value));
}

void* hvDList_TakeFirst(hvDList* list) {
  // An empty list has no head to take; the answer is simply "nothing".
  if (!list->head) return nullptr;
  hvDListItem* item = hvDList_Unlink(list->head);
  void* value = item->value;
  hvMemory_Free(item);
  return value;
}

void hvDList_DisposeItem(hvDList* list, hvDListItem* item) {
  if (!item) return;
  hvDList_Unlink(item);
  ReleaseValue(list, item->value);
  hvMemory_Free(item);
}

void hvDList_FreeItem(hvDListItem* item) {
  if (!item) return;
  hvDList_Unlink(item);
  hvMemory_Free(item);
}

void hvDList_Clear(hvDList* list) {
  // The chain is cut loose first, so a release callback that looks at the list sees it
  // already empty rather than half torn down.
  hvDListItem* item = list->head;
  list->head = nullptr;
  list->tail = nullptr;
  list->count = 0;
  while (item) {
    hvDListItem* next = item->next;
    ReleaseValue(list, item->value);
    hvMemory_Free(item);
    item = next;
  }
}
