// The plain way to merge two protocolInfo lists: every source record is compared with the
// target's records in list order until one describes the same content. Quadratic, so only
// for short lists; tests and fuzzers compare the library's indexed merge with it.
#ifndef HV_TESTS_DLNA_HVPROTOCOLINFOREFERENCEMERGE_H
#define HV_TESTS_DLNA_HVPROTOCOLINFOREFERENCEMERGE_H

#include "hulvoStreaming/hvDList.h"
#include "hulvoStreaming/hvProtocolInfo.h"

inline void hvReferenceMerge(hvProtocolInfoList* target, hvProtocolInfoList* source) {
  hvDList* targetRecords = hvProtocolInfoList_Lock(target);
  hvDList* sourceRecords = hvProtocolInfoList_Lock(source);
  while (hvDList_GetCount(sourceRecords) > 0) {
    hvProtocolInfo* record = static_cast<hvProtocolInfo*>(hvDList_TakeFirst(sourceRecords));
    hvDListItem* same = targetRecords->head;
    while (same && !hvProtocolInfo_Equals(static_cast<hvProtocolInfo*>(same->value), record))
      same = same->next;
    if (same) {
      hvProtocolInfo_Merge(static_cast<hvProtocolInfo*>(same->value), record);
      hvProtocolInfo_Free(record);
    } else if (record->profile) {
      hvDList_InsertBefore(targetRecords, targetRecords->head, record);
    } else {
      hvDList_Append(targetRecords, record);
    }
  }
  hvProtocolInfoList_Unlock(source);
  hvProtocolInfoList_Unlock(target);
}

#endif
