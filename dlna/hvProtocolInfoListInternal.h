// The protocolInfo list record and its lock, shared by the list sources. Internal.
#ifndef HV_DLNA_HVPROTOCOLINFOLISTINTERNAL_H
#define HV_DLNA_HVPROTOCOLINFOLISTINTERNAL_H

#include "hulvoStreaming/hvDList.h"
#include "hulvoStreaming/hvOSThread.h"
#include "hulvoStreaming/hvProtocolInfo.h"

struct hvProtocolInfoList {
  hvDList* records;  // of owned hvProtocolInfo*, never null values; guarded by mutex
  hvOSMutex* mutex;  // recursive for its owner, so list operations may nest on one thread
};

// Holds a list's mutex for a scope.
class hvProtocolInfoListLock {
 public:
  explicit hvProtocolInfoListLock(hvProtocolInfoList* list) : m_mutex(list->mutex) {
    hvOSMutex_Lock(m_mutex);
  }
  ~hvProtocolInfoListLock() { hvOSMutex_Unlock(m_mutex); }
  hvProtocolInfoListLock(const hvProtocolInfoListLock&) = delete;
  hvProtocolInfoListLock& operator=(const hvProtocolInfoListLock&) = delete;

 private:
  hvOSMutex* m_mutex;
};

inline hvProtocolInfo* hvProtocolInfoList_ItemRecord(const hvDListItem* item) {
  return static_cast<hvProtocolInfo*>(item->value);
}

#endif
