#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "hv/hvBaseList.h"

namespace {

class NamedItem : public hvBaseListItem {
 public:
  NamedItem(char name, int* destroyed) : name(name), m_destroyed(destroyed) {}
  ~NamedItem() override { ++*m_destroyed; }
  const char name;

 private:
  int* m_destroyed;
};

class hvBaseListTest : public ::testing::Test {
 protected:
  NamedItem* Item(char name) { return new NamedItem(name, &m_destroyed); }

  // The names front to back, after checking that the backward links, the ends and the
  // count agree with the forward walk.
  std::string Names() const {
    std::string forward, backward;
    for (hvBaseListItem* item = m_list.first; item; item = item->next)
      forward += static_cast<NamedItem*>(item)->name;
    for (hvBaseListItem* item = m_list.last; item; item = item->previous)
      backward.insert(0, 1, static_cast<NamedItem*>(item)->name);
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(m_list.count.load(), forward.size());
    EXPECT_EQ(m_list.first == nullptr, m_list.last == nullptr);
    return forward;
  }

  int m_destroyed = 0;
  hvBaseList m_list;
};

TEST_F(hvBaseListTest, PushesPlaceItemsWhereAsked) {
  NamedItem* b = Item('b');
  m_list.PushBack(b);
  m_list.PushFront(Item('a'));
  m_list.PushBack(Item('d'));
  m_list.PushAfter(Item('c'), b);
  EXPECT_EQ(Names(), "abcd");
  m_list.PushBefore(Item('0'), m_list.first);
  m_list.PushAfter(Item('9'), m_list.last);
  m_list.PushBefore(Item('x'), b);
  EXPECT_EQ(Names(), "0axbcd9");
}

TEST_F(hvBaseListTest, NullPositionMeansOutsideTheList) {
  m_list.PushAfter(Item('b'), nullptr);
  m_list.PushAfter(Item('a'), nullptr);
  m_list.PushBefore(Item('c'), nullptr);
  EXPECT_EQ(Names(), "abc");
}

TEST_F(hvBaseListTest, RemoveDestroysAndDetachHandsBack) {
  NamedItem* a = Item('a');
  NamedItem* b = Item('b');
  NamedItem* c = Item('c');
  for (NamedItem* item : {a, b, c}) m_list.PushBack(item);
  m_list.Remove(b);
  EXPECT_EQ(m_destroyed, 1);
  EXPECT_EQ(Names(), "ac");
  m_list.Detach(c);
  EXPECT_EQ(Names(), "a");
  EXPECT_EQ(c->next, nullptr);
  EXPECT_EQ(c->previous, nullptr);
  m_list.PushFront(c);  // a detached item can be linked again
  EXPECT_EQ(Names(), "ca");
  m_list.Remove(c);
  m_list.Remove(a);
  EXPECT_EQ(Names(), "");
  EXPECT_EQ(m_destroyed, 3);
}

TEST_F(hvBaseListTest, NullItemsAreIgnored) {
  m_list.PushBack(Item('a'));
  m_list.Remove(nullptr);
  m_list.Detach(nullptr);
  m_list.PushBack(nullptr);
  m_list.PushAfter(nullptr, m_list.first);
  EXPECT_EQ(Names(), "a");
  EXPECT_EQ(m_destroyed, 0);
}

TEST_F(hvBaseListTest, IteratorVisitsEveryItemOnceThenStays) {
  hvBaseListForwardIterator empty(m_list);
  EXPECT_FALSE(empty.Next());
  for (char name : std::string("xyz")) m_list.PushBack(Item(name));
  hvBaseListForwardIterator it(m_list);
  EXPECT_EQ(it.Current(), nullptr);
  std::string seen;
  while (it.Next()) seen += static_cast<NamedItem*>(it.Current())->name;
  EXPECT_EQ(seen, "xyz");
  EXPECT_FALSE(it.Next());
  EXPECT_EQ(it.Current(), nullptr);
}

TEST(hvBaseListLifetimeTest, DestroyedListDestroysItsItems) {
  int destroyed = 0;
  NamedItem* kept = new NamedItem('k', &destroyed);
  {
    hvBaseList list;
    for (char name : std::string("abc")) list.PushBack(new NamedItem(name, &destroyed));
    list.PushBack(kept);
    list.Detach(kept);
  }
  EXPECT_EQ(destroyed, 3);
  delete kept;
}

// An engine reports its item count to other threads while its own thread edits the list.
TEST_F(hvBaseListTest, CountIsReadableFromAnotherThreadDuringEdits) {
  std::atomic<bool> editing{true};
  uint64_t largestSeen = 0;
  std::thread reader([&] {
    while (editing.load()) {
      uint64_t seen = m_list.count.load();
      if (seen > largestSeen) largestSeen = seen;
    }
  });
  for (int round = 0; round < 2000; ++round) {
    m_list.PushBack(Item('a'));
    m_list.PushFront(Item('b'));
    m_list.Remove(m_list.first);
  }
  editing.store(false);
  reader.join();
  EXPECT_EQ(m_list.count.load(), 2000u);
  EXPECT_LE(largestSeen, 2001u);
}

}  // namespace
