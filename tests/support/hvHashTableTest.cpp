#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "hulvoStreaming/hvHashTable.h"
#include "hulvoStreaming/hvMemory.h"

namespace {

// String operations that count what they release, so replacement and removal can be checked
// for releasing exactly the stored copies (AddressSanitizer checks that nothing else leaks).
int releasedKeys = 0;
int releasedValues = 0;
int duplicatesBeforeFailure = -1;  // the next duplicate to fail, counted down; -1 never

void* Duplicate(const void* text) {
  if (duplicatesBeforeFailure >= 0 && duplicatesBeforeFailure-- == 0) return nullptr;
  return hvMemory_Strdup(static_cast<const char*>(text));
}
void ReleaseKey(void* key) { ++releasedKeys, hvMemory_Free(key); }
void ReleaseValue(void* value) { ++releasedValues, hvMemory_Free(value); }
int Compare(const void* a, const void* b) {
  return strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

const hvKeyOps kCountedKeys = {Duplicate, ReleaseKey, Compare, hvHashTable_HashString};
const hvValueOps kCountedValues = {Duplicate, ReleaseValue};

void Collect(const void* key, void* value, void* out) {
  static_cast<std::vector<std::string>*>(out)->push_back(
      std::string(static_cast<const char*>(key)) + "=" + static_cast<const char*>(value));
}

class hvHashTableTest : public testing::Test {
 protected:
  hvHashTableTest() : table(hvHashTable_Create(&kCountedKeys, &kCountedValues)) {
    releasedKeys = releasedValues = 0;
    duplicatesBeforeFailure = -1;
  }
  ~hvHashTableTest() override { hvHashTable_Destroy(table); }

  int Put(const char* key, const char* value) { return hvHashTable_Insert(table, key, value); }
  std::string Get(const char* key, hvHashTable* from = nullptr) const {
    const char* value = static_cast<const char*>(hvHashTable_Get(from ? from : table, key));
    return value ? value : "<none>";
  }
  static std::vector<std::string> Entries(const hvHashTable* of) {
    std::vector<std::string> entries;
    hvHashTable_ForEach(of, Collect, &entries);
    return entries;
  }

  hvHashTable* table;
};

TEST(hvHashTableHash, EmptyIsZeroAndEachUnitAddsItselfPlusOne) {
  EXPECT_EQ(hvHashTable_HashString(""), 0u);
  EXPECT_EQ(hvHashTable_HashString("a"), 98u);
  EXPECT_EQ(hvHashTable_HashString("ab"), 98u * 31 + 99);
  EXPECT_EQ(hvHashTable_HashString("\xff"), 256u);  // bytes count as unsigned
  EXPECT_EQ(hvHashTable_HashString(nullptr), 0u);
  EXPECT_EQ(hvHashTable_HashWideString(HV_WIDE("")), 0u);
  EXPECT_EQ(hvHashTable_HashWideString(HV_WIDE("ab")), 98u * 31 + 99);
  EXPECT_EQ(hvHashTable_HashWideString(HV_WIDE("\xffff")), 65536u);
}

TEST_F(hvHashTableTest, StoresCopiesAndLooksUpCaseSensitively) {
  char key[] = "Key";
  char value[] = "one";
  ASSERT_EQ(Put(key, value), 1);
  key[0] = 'X', value[0] = 'X';  // the table holds its own copies
  EXPECT_EQ(Get("Key"), "one");
  EXPECT_EQ(Get("key"), "<none>");
  EXPECT_EQ(hvHashTable_Contains(table, "Key"), 1);
  void* found = &found;
  EXPECT_EQ(hvHashTable_Lookup(table, "KEY", &found), 0);
  EXPECT_EQ(found, nullptr);
}

TEST_F(hvHashTableTest, InsertingPresentKeyReplacesAndReleasesOldCopies) {
  Put("k", "old");
  Put("k", "new");
  EXPECT_EQ(hvHashTable_GetCount(table), 1u);
  EXPECT_EQ(Get("k"), "new");
  EXPECT_EQ(releasedKeys, 1);
  EXPECT_EQ(releasedValues, 1);
}

TEST_F(hvHashTableTest, DuplicatesFindNewestAndAreRemovedTogether) {
  hvHashTable_AllowDuplicates(table);
  Put("k", "1");
  Put("other", "x");
  Put("k", "2");
  EXPECT_EQ(hvHashTable_GetCount(table), 3u);
  EXPECT_EQ(Get("k"), "2");
  // The stored key itself may name what to remove; it is released only after the walk.
  const void* storedKey = nullptr;
  for (uint64_t i = 0; i < 3 && !storedKey; ++i)
    if (strcmp(static_cast<const char*>(hvHashTable_GetKeyAt(table, i)), "k") == 0)
      storedKey = hvHashTable_GetKeyAt(table, i);
  EXPECT_EQ(hvHashTable_Remove(table, storedKey), 1);
  EXPECT_EQ(hvHashTable_GetCount(table), 1u);
  EXPECT_EQ(releasedKeys, 2);
  EXPECT_EQ(Get("other"), "x");
  EXPECT_EQ(hvHashTable_Remove(table, "k"), 0);
}

TEST_F(hvHashTableTest, CollidingKeysLiveAndDieIndependently) {
  ASSERT_EQ(hvHashTable_HashString("Aa"), hvHashTable_HashString("BB"));
  Put("Aa", "first");
  Put("BB", "second");
  EXPECT_EQ(hvHashTable_GetCount(table), 2u);
  EXPECT_EQ(Get("Aa"), "first");
  EXPECT_EQ(hvHashTable_Remove(table, "Aa"), 1);
  EXPECT_EQ(Get("Aa"), "<none>");
  EXPECT_EQ(Get("BB"), "second");
}

TEST_F(hvHashTableTest, PositionsCoverEveryKeyOnceInForEachOrder) {
  const std::vector<std::string> keys = {"a", "b", "c", "d", "e", "f",  "g", "h",
                                         "i", "j", "k", "l", "m", "Aa", "BB"};
  for (const std::string& key : keys) Put(key.c_str(), "v");
  std::vector<std::string> byPosition;
  for (uint64_t i = 0; i < keys.size(); ++i)
    byPosition.push_back(static_cast<const char*>(hvHashTable_GetKeyAt(table, i)) +
                         std::string("=v"));
  EXPECT_EQ(byPosition, Entries(table));
  EXPECT_EQ(std::set<std::string>(byPosition.begin(), byPosition.end()).size(), keys.size());
  EXPECT_EQ(hvHashTable_GetKeyAt(table, keys.size()), nullptr);
  EXPECT_EQ(hvHashTable_GetKeyAt(table, UINT64_MAX), nullptr);
}

TEST_F(hvHashTableTest, ClearReleasesEverythingAndTableStaysUsable) {
  Put("a", "1");
  Put("b", "2");
  hvHashTable_Clear(table);
  EXPECT_EQ(hvHashTable_GetCount(table), 0u);
  EXPECT_EQ(releasedKeys + releasedValues, 4);
  EXPECT_EQ(hvHashTable_GetKeyAt(table, 0), nullptr);
  Put("a", "3");
  EXPECT_EQ(Get("a"), "3");
}

TEST_F(hvHashTableTest, CopyIsIndependentAndAnswersAlike) {
  hvHashTable_AllowDuplicates(table);
  Put("k", "1");
  Put("k", "2");
  Put("Aa", "x");
  hvHashTable* copy = hvHashTable_Copy(table);
  EXPECT_EQ(Entries(copy), Entries(table));
  // Used to find the oldest duplicate: the copy reversed every chain.
  EXPECT_EQ(Get("k", copy), "2");
  EXPECT_NE(hvHashTable_GetKeyAt(copy, 0), hvHashTable_GetKeyAt(table, 0));
  hvHashTable_Remove(table, "Aa");
  hvHashTable_Destroy(table);
  table = nullptr;
  EXPECT_EQ(Get("Aa", copy), "x");
  hvHashTable_Insert(copy, "k", "3");  // the duplicate rule came along
  EXPECT_EQ(hvHashTable_GetCount(copy), 4u);
  hvHashTable_Destroy(copy);
}

TEST_F(hvHashTableTest, NoCopyInsertsTakeOverTheCallersTexts) {
  char* key = hvMemory_Strdup("own");
  ASSERT_EQ(hvHashTable_InsertNoCopy(table, key, hvMemory_Strdup("v")), 1);
  EXPECT_EQ(hvHashTable_GetKeyAt(table, 0), key);
  EXPECT_EQ(hvHashTable_InsertNoValueCopy(table, "copied", hvMemory_Strdup("w")), 1);
  EXPECT_EQ(Get("copied"), "w");
}

TEST_F(hvHashTableTest, FailedInsertReleasesWhatWasCopiedAndChangesNothing) {
  Put("k", "kept");
  duplicatesBeforeFailure = 1;  // the key copy succeeds, the value copy fails
  EXPECT_EQ(Put("k", "lost"), 0);
  EXPECT_EQ(releasedKeys, 1);
  EXPECT_EQ(Put(nullptr, "v"), 0);
  EXPECT_EQ(releasedValues, 1);
  EXPECT_EQ(Get("k"), "kept");
  duplicatesBeforeFailure = 1;
  EXPECT_EQ(hvHashTable_Copy(table), nullptr);
}

TEST(hvHashTableReadyMade, PointerKeysCompareIdentityAndBorrowedValuesStayTheCallers) {
  hvHashTable* table = hvHashTable_CreatePointerKeysPlainValues();
  char a[] = "same", b[] = "same";
  hvHashTable_Insert(table, a, b);
  EXPECT_EQ(hvHashTable_Get(table, a), b);
  EXPECT_EQ(hvHashTable_Contains(table, b), 0);
  EXPECT_EQ(hvHashTable_Insert(table, nullptr, a), 0);
  hvHashTable_Destroy(table);

  table = hvHashTable_CreateStringKeysBorrowedValues();
  hvHashTable_Insert(table, "k", a);
  EXPECT_EQ(hvHashTable_Get(table, "k"), a);
  hvHashTable_Destroy(table);
}

TEST(hvHashTableReadyMade, EveryTextTableStoresAndReleasesItsCopies) {
  // Each table is left full: destroying it must free every copy it made.
  hvHashTable* wide = hvHashTable_CreateWideKeysWideValues();
  hvHashTable_Insert(wide, HV_WIDE("k\x00e9y"), HV_WIDE("v"));
  const void* found = hvHashTable_Get(wide, HV_WIDE("k\x00e9y"));
  EXPECT_EQ(std::basic_string<hvWideChar>(static_cast<const hvWideChar*>(found)), HV_WIDE("v"));
  EXPECT_EQ(hvHashTable_Get(wide, HV_WIDE("k\x00c9y")), nullptr);
  hvHashTable* copy = hvHashTable_Copy(wide);
  hvHashTable_Destroy(wide);
  EXPECT_EQ(hvHashTable_GetCount(copy), 1u);
  hvHashTable_Destroy(copy);

  hvHashTable* mixed = hvHashTable_CreateStringKeysWideValues();
  hvHashTable_Insert(mixed, "k", HV_WIDE("v"));
  hvHashTable_Destroy(mixed);
  hvHashTable* wideKeys = hvHashTable_CreateWideKeys(&khvValueOps_String);
  hvHashTable_Insert(wideKeys, HV_WIDE("k"), "v");
  hvHashTable_Destroy(wideKeys);
  hvHashTable* strings = hvHashTable_CreateStringKeysStringValues();
  hvHashTable_Insert(strings, "k", "v");
  EXPECT_STREQ(static_cast<const char*>(hvHashTable_Get(strings, "k")), "v");
  hvHashTable_Destroy(strings);
}

}  // namespace
