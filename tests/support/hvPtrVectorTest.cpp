#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/hvPtrVector.h"

namespace {

// Entries are heap ints; the fixture counts releases and comparisons.
class hvPtrVectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s_released = 0;
    s_comparisons = 0;
    m_vector = hvPtrVector_Create(Release, Compare);
  }
  void TearDown() override { hvPtrVector_Free(m_vector); }

  static void Release(void* entry) {
    ++s_released;
    delete static_cast<int*>(entry);
  }
  static int Compare(const void* a, const void* b) {
    ++s_comparisons;
    int left = *static_cast<const int*>(a);
    int right = *static_cast<const int*>(b);
    return left < right ? -1 : (left > right ? 1 : 0);
  }

  void Append(int value) { hvPtrVector_Append(m_vector, new int(value)); }
  size_t Insert(int value) { return hvPtrVector_Insert(m_vector, new int(value)); }
  std::vector<int> Values() {
    std::vector<int> values;
    for (size_t i = 0; i < hvPtrVector_GetCount(m_vector); ++i)
      values.push_back(*static_cast<int*>(hvPtrVector_Get(m_vector, i)));
    return values;
  }

  static size_t s_released;
  static size_t s_comparisons;
  hvPtrVector* m_vector = nullptr;
};

size_t hvPtrVectorTest::s_released = 0;
size_t hvPtrVectorTest::s_comparisons = 0;

TEST_F(hvPtrVectorTest, SortedInsertFindsItsPlaceAfterEqualEntries) {
  hvPtrVector_SetSorted(m_vector, 1);
  for (int value : {5, 1, 9, 5, 3}) Insert(value);
  EXPECT_EQ(Values(), (std::vector<int>{1, 3, 5, 5, 9}));
  int* second = new int(5);
  EXPECT_EQ(hvPtrVector_Insert(m_vector, second), 4u);
  EXPECT_EQ(hvPtrVector_Get(m_vector, 4), second);
}

TEST_F(hvPtrVectorTest, UnsortedInsertAppendsAndAppendForgetsTheOrder) {
  Insert(5);
  Insert(1);
  EXPECT_EQ(Values(), (std::vector<int>{5, 1}));
  hvPtrVector_Sort(m_vector);
  EXPECT_EQ(m_vector->sorted, 1);
  Append(0);
  EXPECT_EQ(m_vector->sorted, 0);
  Insert(3);
  EXPECT_EQ(Values(), (std::vector<int>{1, 5, 0, 3}));
}

TEST_F(hvPtrVectorTest, RemoveRangeReleasesExactlyTheRemovedEntries) {
  for (int value = 0; value < 6; ++value) Append(value);
  hvPtrVector_RemoveRange(m_vector, 1, 2);
  EXPECT_EQ(Values(), (std::vector<int>{0, 3, 4, 5}));
  EXPECT_EQ(s_released, 2u);
  hvPtrVector_RemoveRange(m_vector, 3, 100);
  EXPECT_EQ(Values(), (std::vector<int>{0, 3, 4}));
  hvPtrVector_RemoveRange(m_vector, 3, 1);
  EXPECT_EQ(s_released, 3u);
  hvPtrVector_RemoveAll(m_vector);
  EXPECT_EQ(s_released, 6u);
  EXPECT_EQ(hvPtrVector_Get(m_vector, 0), nullptr);
  Append(7);
  hvPtrVector_Free(m_vector);
  m_vector = nullptr;
  EXPECT_EQ(s_released, 7u);
  EXPECT_EQ(hvPtrVector_GetCount(nullptr), 0u);
}

TEST_F(hvPtrVectorTest, FindIndexGivesTheFirstMatchOrMinusOne) {
  for (int value : {4, 7, 8, 7}) Append(value);
  auto isSeven = [](const void* entry, void*) { return *static_cast<const int*>(entry) == 7; };
  auto isAbove = [](const void* entry, void* limit) {
    return *static_cast<const int*>(entry) > *static_cast<int*>(limit);
  };
  int limit = 7;
  EXPECT_EQ(hvPtrVector_FindIndex(m_vector, isSeven, nullptr), 1);
  EXPECT_EQ(hvPtrVector_FindIndex(m_vector, isAbove, &limit), 2);
  limit = 8;
  EXPECT_EQ(hvPtrVector_FindIndex(m_vector, isAbove, &limit), -1);
}

TEST_F(hvPtrVectorTest, SortOrdersEveryShapeAndKeepsEveryEntry) {
  std::mt19937 random(7);
  const size_t sizes[] = {0, 1, 2, 3, 16, 17, 100, 1000, 5000};
  for (size_t size : sizes) {
    std::vector<std::vector<int>> shapes(6);
    for (size_t i = 0; i < size; ++i) {
      int n = static_cast<int>(i);
      shapes[0].push_back(static_cast<int>(random() % 1000000));
      shapes[1].push_back(static_cast<int>(random() % 3));  // many duplicates
      shapes[2].push_back(n);
      shapes[3].push_back(static_cast<int>(size) - n);
      shapes[4].push_back(n < static_cast<int>(size) / 2 ? n : static_cast<int>(size) - n);
      shapes[5].push_back(42);
    }
    for (const std::vector<int>& shape : shapes) {
      hvPtrVector_RemoveAll(m_vector);
      for (int value : shape) Append(value);
      hvPtrVector_Sort(m_vector);
      std::vector<int> wanted = shape;
      std::sort(wanted.begin(), wanted.end());
      ASSERT_EQ(Values(), wanted) << "size " << size;
    }
  }
}

// McIlroy's adversary: values are fixed lazily while the sort compares, always in the way
// that makes the current pivot candidate small. The values it ends with form an input on
// which this quicksort picks poor pivots every time.
struct Adversary {
  static std::vector<int> values;
  static int gas;
  static int solid;
  static size_t candidate;
  static size_t Item(const void* entry) { return reinterpret_cast<uintptr_t>(entry); }
  static int Compare(const void* a, const void* b) {
    size_t x = Item(a);
    size_t y = Item(b);
    if (values[x] == gas && values[y] == gas) values[x == candidate ? x : y] = solid++;
    if (values[x] == gas) {
      candidate = x;
    } else if (values[y] == gas) {
      candidate = y;
    }
    return values[x] < values[y] ? -1 : (values[x] > values[y] ? 1 : 0);
  }
};
std::vector<int> Adversary::values;
int Adversary::gas = 0;
int Adversary::solid = 0;
size_t Adversary::candidate = 0;

// A quicksort that keeps choosing poor pivots turns quadratic; the heapsort fallback keeps a
// hostile input within n log n comparisons.
TEST_F(hvPtrVectorTest, SortOfAHostileOrderStaysNearNLogN) {
  const int n = 20000;
  Adversary::values.assign(n, n);
  Adversary::gas = n;
  Adversary::solid = 0;
  hvPtrVector* probe = hvPtrVector_Create(nullptr, Adversary::Compare);
  for (int i = 0; i < n; ++i)
    hvPtrVector_Append(probe, reinterpret_cast<void*>(static_cast<uintptr_t>(i)));
  hvPtrVector_Sort(probe);
  hvPtrVector_Free(probe);

  for (int value : Adversary::values) Append(value);
  s_comparisons = 0;
  hvPtrVector_Sort(m_vector);
  EXPECT_LT(s_comparisons, static_cast<size_t>(n) * 60);
  std::vector<int> values = Values();
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
}

}  // namespace
