// Scoped hold of a buffer's lock, so every early return of a locked operation unlocks.
#ifndef HULVOSTREAMING_BUFFER_HVBUFFERLOCK_H
#define HULVOSTREAMING_BUFFER_HVBUFFERLOCK_H

#include "hv/hvMutex.h"

class hvBufferLock {
 public:
  explicit hvBufferLock(hvMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
  ~hvBufferLock() { m_mutex.Unlock(); }
  hvBufferLock(const hvBufferLock&) = delete;
  hvBufferLock& operator=(const hvBufferLock&) = delete;

 private:
  hvMutex& m_mutex;
};

#endif
