#include <gtest/gtest.h>

#include <vector>

#include "hulvoStreaming/hvDList.h"

namespace {

// Values are heap ints the list owns through its release callback, so a value released
// twice or never shows up under AddressSanitizer as well as in `released`.
std::vector<int> released;
void ReleaseInt(void* value) {
  released.push_back(*static_cast<int*>(value));
  delete static_cast<int*>(value);
}

int IsEven(hvDListItem* item, void*) { return *static_cast<int*>(item->value) % 2 == 0; }
int IsAbove(hvDListItem* item, void* limit) {
  return *static_cast<int*>(item->value) > *static_cast<int*>(limit);
}

class hvDListTest : public testing::Test {
 protected:
  hvDListTest() : list(hvDList_Create()) {
    released.clear();
    hvDList_SetReleaseCallback(list, ReleaseInt);
  }
  ~hvDListTest() override { hvDList_Destroy(list); }

  hvDListItem* Append(int value) { return hvDList_Append(list, new int(value)); }
  void Fill(std::vector<int> values) {
    for (int value : values) Append(value);
  }
  static int ValueOf(const hvDListItem* item) { return *static_cast<int*>(item->value); }

  // The values from head to tail, after checking that the backward walk, the count and
  // every item's owner agree with the forward walk.
  std::vector<int> Values() const {
    std::vector<int> forward, backward;
    for (hvDListItem* item = list->head; item; item = item->next) {
      EXPECT_EQ(item->owner, list);
      forward.push_back(ValueOf(item));
    }
    for (hvDListItem* item = list->tail; item; item = item->prev)
      backward.insert(backward.begin(), ValueOf(item));
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(hvDList_GetCount(list), forward.size());
    return forward;
  }

  hvDList* list;
};

TEST_F(hvDListTest, AppendAndInsertBeforeKeepLinksInOrder) {
  hvDListItem* three = Append(3);
  hvDList_InsertBefore(list, nullptr, new int(1));  // no item: at the head
  hvDList_InsertBefore(list, three, new int(2));
  Append(4);
  EXPECT_EQ(Values(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(hvDListTest, CreateWithItemsHoldsNullValues) {
  hvDList* blank = hvDList_CreateWithItems(3);
  EXPECT_EQ(hvDList_GetCount(blank), 3u);
  for (hvDListItem* item = blank->head; item; item = item->next) EXPECT_EQ(item->value, nullptr);
  hvDList_Destroy(blank);
}

TEST_F(hvDListTest, PositionAndSearchQueries) {
  Fill({5, 6, 7, 8});
  EXPECT_EQ(ValueOf(hvDList_GetAt(list, 0)), 5);
  EXPECT_EQ(ValueOf(hvDList_GetAt(list, 3)), 8);
  EXPECT_EQ(hvDList_GetAt(list, 4), nullptr);
  EXPECT_EQ(hvDList_GetAt(list, UINT64_MAX), nullptr);

  void* seven = hvDList_GetAt(list, 2)->value;
  int sameContent = 7;  // found by pointer, not by content
  EXPECT_EQ(hvDList_Find(list, seven)->value, seven);
  EXPECT_EQ(hvDList_Find(list, &sameContent), nullptr);
  EXPECT_EQ(hvDList_IndexOf(list, seven), 2u);
  EXPECT_EQ(hvDList_IndexOf(list, &sameContent), UINT32_MAX);

  int limit = 5;
  EXPECT_EQ(ValueOf(hvDList_FindFirst(list, IsEven, nullptr)), 6);
  EXPECT_EQ(ValueOf(hvDList_FindLast(list, IsEven, nullptr)), 8);
  EXPECT_EQ(ValueOf(hvDList_FindFirst(list, IsAbove, &limit)), 6);
  limit = 8;
  EXPECT_EQ(hvDList_FindLast(list, IsAbove, &limit), nullptr);
}

TEST_F(hvDListTest, RemoveReleasesValueAndMendsHeadMiddleAndTail) {
  Fill({1, 2, 3, 4, 5});
  EXPECT_EQ(hvDList_Remove(list->head), 1);
  EXPECT_EQ(hvDList_Remove(list->tail), 1);
  EXPECT_EQ(hvDList_Remove(hvDList_GetAt(list, 1)), 1);
  EXPECT_EQ(Values(), (std::vector<int>{2, 4}));
  EXPECT_EQ(released, (std::vector<int>{1, 5, 3}));
}

TEST_F(hvDListTest, RemovingWhileWalkingVisitsEveryItem) {
  Fill({1, 2, 3, 4, 5, 6});
  for (hvDListItem *item = list->head, *next; item; item = next) {
    next = item->next;
    if (ValueOf(item) % 2 == 0) hvDList_Remove(item);
  }
  EXPECT_EQ(Values(), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(released, (std::vector<int>{2, 4, 6}));
}

TEST_F(hvDListTest, RemoveValueRemovesOnlyTheFirstMatch) {
  int shared = 9;
  hvDList* plain = hvDList_Create();  // no callback: values stay the caller's
  hvDList_Append(plain, &shared);
  hvDList_Append(plain, &shared);
  EXPECT_EQ(hvDList_RemoveValue(plain, &shared), 1);
  EXPECT_EQ(hvDList_GetCount(plain), 1u);
  int other = 9;
  EXPECT_EQ(hvDList_RemoveValue(plain, &other), 0);
  hvDList_Destroy(plain);
}

TEST_F(hvDListTest, UnlinkedItemsLeaveTheListAndAreFreedSeparately) {
  Fill({1, 2, 3});
  hvDListItem* two = hvDList_Unlink(hvDList_GetAt(list, 1));
  EXPECT_EQ(two->owner, nullptr);
  EXPECT_EQ(hvDList_Unlink(two), two);  // a second unlink touches nothing
  EXPECT_EQ(hvDList_Remove(two), 0);    // nor does a remove once it has no list
  EXPECT_EQ(Values(), (std::vector<int>{1, 3}));
  hvDList_DisposeItem(list, two);
  EXPECT_EQ(released, (std::vector<int>{2}));

  // Freeing a linked item unlinks it and hands its value back to the caller.
  hvDListItem* one = list->head;
  int* value = static_cast<int*>(one->value);
  hvDList_FreeItem(one);
  EXPECT_EQ(Values(), (std::vector<int>{3}));
  EXPECT_EQ(released.size(), 1u);
  delete value;
}

TEST_F(hvDListTest, TakeFirstHandsOverValuesUntilEmpty) {
  Fill({1, 2});
  for (int expected : {1, 2}) {
    int* value = static_cast<int*>(hvDList_TakeFirst(list));
    EXPECT_EQ(*value, expected);
    delete value;
  }
  EXPECT_TRUE(released.empty());
  // Used to unlink a head that is not there.
  EXPECT_EQ(hvDList_TakeFirst(list), nullptr);
  EXPECT_EQ(list->head, nullptr);
  EXPECT_EQ(list->tail, nullptr);
}

TEST_F(hvDListTest, ClearReleasesEveryValueInOrderAndListStaysUsable) {
  Fill({1, 2, 3});
  hvDList_Clear(list);
  EXPECT_EQ(released, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(Values().empty());
  Fill({4});
  EXPECT_EQ(Values(), (std::vector<int>{4}));
}

}  // namespace
