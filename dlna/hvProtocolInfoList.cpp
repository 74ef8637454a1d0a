// The protocolInfo list: creation from list texts, access, search and writing.
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "dlna/hvProtocolInfoListInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"
#include "support/hvStringBuilder.h"
#include "support/hvTextSplit.h"

namespace {

void ReleaseRecord(void* value) { hvProtocolInfo_Free(static_cast<hvProtocolInfo*>(value)); }

// Replaces the records by the valid entries of a list text. A ',' after '\' belongs to its
// entry: play-speed lists inside a list are written with "\,".
void Fill(hvProtocolInfoList* list, const char* text, bool shortForm) {
  hvProtocolInfoListLock lock(list);
  hvDList_Clear(list->records);
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, text, strlen(text));
  hvTextPiece piece;
  while (hvTextCursor_NextEscaped(&cursor, ",", 1, '\\', &piece)) {
    if (piece.length == 0) continue;
    hvProtocolInfo* record = shortForm ? hvProtocolInfo_ParseShort(piece.text, piece.length)
                                       : hvProtocolInfo_Parse(piece.text, piece.length);
    if (record->valid) {
      hvDList_Append(list->records, record);
    } else {
      hvProtocolInfo_Free(record);
    }
  }
}

hvProtocolInfoList* CreateFilled(const char* text, bool shortForm) {
  hvProtocolInfoList* list = hvProtocolInfoList_Create();
  if (text && *text) Fill(list, text, shortForm);
  return list;
}

hvProtocolInfo* FindFirst(hvProtocolInfoList* list,
                          bool (*test)(const hvProtocolInfo*, const void*), const void* context) {
  hvProtocolInfoListLock lock(list);
  for (hvDListItem* item = list->records->head; item; item = item->next) {
    if (test(hvProtocolInfoList_ItemRecord(item), context))
      return hvProtocolInfoList_ItemRecord(item);
  }
  return nullptr;
}

bool HasExactProfile(const hvProtocolInfo* record, const void* profile) {
  return record->profile && strcmp(record->profile, static_cast<const char*>(profile)) == 0;
}

bool HasMatchingFormat(const hvProtocolInfo* record, const void* mimeType) {
  return !record->profile &&
         hvMimeType_Match(record->contentFormat, static_cast<const char*>(mimeType));
}

bool FitsRecord(const hvProtocolInfo* entry, const void* record) {
  return hvProtocolInfo_Matches(static_cast<const hvProtocolInfo*>(record), entry);
}

bool HasProfileIgnoringCase(const hvProtocolInfo* record, const void* profile) {
  return hvProtocolInfo_HasProfile(record, static_cast<const char*>(profile));
}

}  // namespace

hvProtocolInfoList* hvProtocolInfoList_Create() {
  hvProtocolInfoList* list =
      static_cast<hvProtocolInfoList*>(hvMemory_Calloc(sizeof(hvProtocolInfoList)));
  list->records = hvDList_Create();
  hvDList_SetReleaseCallback(list->records, ReleaseRecord);
  list->mutex = hvOSMutex_Create();
  return list;
}

hvProtocolInfoList* hvProtocolInfoList_CreateFromText(const char* text) {
  return CreateFilled(text, false);
}

hvProtocolInfoList* hvProtocolInfoList_CreateFromShortText(const char* text) {
  return CreateFilled(text, true);
}

void hvProtocolInfoList_SetFromText(hvProtocolInfoList* list, const char* text) {
  Fill(list, text ? text : "", false);
}

void hvProtocolInfoList_Free(hvProtocolInfoList* list) {
  if (!list) return;
  hvDList_Destroy(list->records);
  hvOSMutex_Destroy(list->mutex);
  hvMemory_Free(list);
}

size_t hvProtocolInfoList_GetCount(hvProtocolInfoList* list) {
  hvProtocolInfoListLock lock(list);
  return static_cast<size_t>(hvDList_GetCount(list->records));
}

hvProtocolInfo* hvProtocolInfoList_Get(hvProtocolInfoList* list, size_t index) {
  hvProtocolInfoListLock lock(list);
  hvDListItem* item = hvDList_GetAt(list->records, index);
  return item ? hvProtocolInfoList_ItemRecord(item) : nullptr;
}

void hvProtocolInfoList_Insert(hvProtocolInfoList* list, hvProtocolInfo* record, ptrdiff_t index) {
  if (!record) return;
  hvProtocolInfoListLock lock(list);
  hvDListItem* before =
      index < 0 ? nullptr : hvDList_GetAt(list->records, static_cast<uint64_t>(index));
  if (before) {
    hvDList_InsertBefore(list->records, before, record);
  } else {
    hvDList_Append(list->records, record);
  }
}

void hvProtocolInfoList_RemoveAt(hvProtocolInfoList* list, size_t index) {
  hvProtocolInfoListLock lock(list);
  hvDList_Remove(hvDList_GetAt(list->records, index));
}

hvProtocolInfo* hvProtocolInfoList_FindByProfile(hvProtocolInfoList* list, const char* profile) {
  if (!profile || !*profile) return nullptr;
  return FindFirst(list, HasExactProfile, profile);
}

hvProtocolInfo* hvProtocolInfoList_FindByContentFormat(hvProtocolInfoList* list,
                                                       const char* mimeType) {
  if (!mimeType || !*mimeType) return nullptr;
  return FindFirst(list, HasMatchingFormat, mimeType);
}

bool hvProtocolInfoList_ContainsMatch(hvProtocolInfoList* list, const hvProtocolInfo* record) {
  return record && FindFirst(list, FitsRecord, record) != nullptr;
}

bool hvProtocolInfoList_ContainsProfile(hvProtocolInfoList* list, const char* profile) {
  return profile && FindFirst(list, HasProfileIgnoringCase, profile) != nullptr;
}

char* hvProtocolInfoList_ToString(hvProtocolInfoList* list, int options) {
  hvProtocolInfoListLock lock(list);
  hvStringBuilder out;
  // Room for entries of a typical length, so that a long list is not copied at every doubling.
  hvStringBuilder_Init(
      &out, hvNumber_MultiplySizes(static_cast<size_t>(hvDList_GetCount(list->records)), 64) + 1);
  for (hvDListItem* item = list->records->head; item; item = item->next) {
    // The separator goes in first and comes out again when the record writes nothing.
    size_t before = out.length;
    if (before > 0) hvStringBuilder_AppendChar(&out, ',');
    if (!hvProtocolInfo_AppendText(hvProtocolInfoList_ItemRecord(item), options, &out))
      out.length = before;
  }
  return hvStringBuilder_Finish(&out, 1, nullptr);
}

char* hvProtocolInfoList_ToString(hvProtocolInfoList* list) {
  return hvProtocolInfoList_ToString(list, khvProtocolInfo_WriteOperations);
}

hvDList* hvProtocolInfoList_Lock(hvProtocolInfoList* list) {
  hvOSMutex_Lock(list->mutex);
  return list->records;
}

void hvProtocolInfoList_Unlock(hvProtocolInfoList* list) { hvOSMutex_Unlock(list->mutex); }
