#include "hv/hvBaseList.h"

hvBaseListItem::~hvBaseListItem() {}

hvBaseList::hvBaseList() : first(nullptr), last(nullptr), count(0) {}

hvBaseList::~hvBaseList() {
  hvBaseListItem* item = first;
  while (item) {
    hvBaseListItem* following = item->next;
    delete item;
    item = following;
  }
}

void hvBaseList::Unlink(hvBaseListItem* item) {
  if (item->previous)
    item->previous->next = item->next;
  else
    first = item->next;
  if (item->next)
    item->next->previous = item->previous;
  else
    last = item->previous;
  item->next = item->previous = nullptr;
  count.store(count.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
}

void hvBaseList::Remove(hvBaseListItem* item) {
  if (!item) return;
  Unlink(item);
  delete item;
}

void hvBaseList::Detach(hvBaseListItem* item) {
  if (item) Unlink(item);
}

void hvBaseList::PushBack(hvBaseListItem* item) { PushAfter(item, last); }

void hvBaseList::PushFront(hvBaseListItem* item) { PushBefore(item, first); }

void hvBaseList::PushAfter(hvBaseListItem* item, hvBaseListItem* where) {
  if (!item) return;
  item->previous = where;
  item->next = where ? where->next : first;
  if (item->next)
    item->next->previous = item;
  else
    last = item;
  if (where)
    where->next = item;
  else
    first = item;
  count.store(count.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void hvBaseList::PushBefore(hvBaseListItem* item, hvBaseListItem* where) {
  if (!item) return;
  PushAfter(item, where ? where->previous : last);
}

hvBaseListForwardIterator::hvBaseListForwardIterator(const hvBaseList& list)
    : m_list(&list), m_current(nullptr), m_started(false) {}

bool hvBaseListForwardIterator::Next() {
  if (!m_started) {
    m_started = true;
    m_current = m_list->first;
  } else if (m_current) {
    m_current = m_current->next;
  }
  return m_current != nullptr;
}
