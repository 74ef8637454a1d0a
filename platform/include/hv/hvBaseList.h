// hvBaseList: an intrusive doubly linked list of hvBaseListItem objects (derive an item to
// carry a value). A linked item belongs to its list: Remove() and the list's destructor
// destroy it, Detach() hands it back. Items are therefore allocated with new.
// No lock: one thread edits a list; `count` alone may be read from other threads.
#ifndef HV_HVBASELIST_H
#define HV_HVBASELIST_H

#include <atomic>
#include <cstdint>

#include "hv/hvPlatform.h"

class HV_EXPORT hvBaseListItem {
 public:
  hvBaseListItem() : next(nullptr), previous(nullptr) {}
  virtual ~hvBaseListItem();
  hvBaseListItem(const hvBaseListItem&) = delete;
  hvBaseListItem& operator=(const hvBaseListItem&) = delete;

  // Managed by the list; null at the ends and while the item is in no list.
  hvBaseListItem* next;
  hvBaseListItem* previous;
};

class HV_EXPORT hvBaseList {
 public:
  hvBaseList();
  // Destroys the items still linked.
  virtual ~hvBaseList();
  hvBaseList(const hvBaseList&) = delete;
  hvBaseList& operator=(const hvBaseList&) = delete;

  // Unlinks `item` and destroys it. Null does nothing. `item` must be in this list.
  virtual void Remove(hvBaseListItem* item);
  // Unlinks `item` without destroying it: the caller owns it again. Null does nothing.
  virtual void Detach(hvBaseListItem* item);

  // Each Push links an item that is in no list and takes ownership of it; whatever its
  // links held before is overwritten. A null item does nothing. A null `where` counts as
  // the position just outside the list: after nothing is the front, before nothing the back.
  void PushBack(hvBaseListItem* item);
  void PushFront(hvBaseListItem* item);
  void PushAfter(hvBaseListItem* item, hvBaseListItem* where);
  void PushBefore(hvBaseListItem* item, hvBaseListItem* where);

  bool IsEmpty() const { return first == nullptr; }

  // Read directly by derived lists. Invariant: first and last are both null exactly when
  // count is 0; following next from first visits count items and ends at last.
  hvBaseListItem* first;
  hvBaseListItem* last;
  // Atomic because other threads read it without a lock while the owner edits the list.
  std::atomic<uint64_t> count;

 private:
  void Unlink(hvBaseListItem* item);
};

// Walks a list from front to back. The first Next() moves onto the first item; Next()
// returns false once it has passed the last one, and keeps returning false. Removing the
// current item invalidates the iterator; other edits of the list are allowed.
class HV_EXPORT hvBaseListForwardIterator {
 public:
  explicit hvBaseListForwardIterator(const hvBaseList& list);

  bool Next();
  // The item the iterator stands on; null before the first Next() and past the end.
  hvBaseListItem* Current() const { return m_current; }

 protected:
  const hvBaseList* m_list;
  hvBaseListItem* m_current;
  bool m_started;
};

#endif
