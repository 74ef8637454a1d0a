#include <gtest/gtest.h>

#include "hv/hvMediaInfo.h"

namespace {

TEST(hvMediaInfoTest, ValuesReadBackWithTheirType) {
  hvMediaInfo info;
  EXPECT_TRUE(info.Set("mt", "video/mp4", true));
  EXPECT_TRUE(info.Set("fs", hvuint64(5000000000ULL), true));
  EXPECT_TRUE(info.SetUInt32("du", 1234, true));
  EXPECT_EQ(info.GetCString("mt"), "video/mp4");
  EXPECT_EQ(static_cast<uint64_t>(info.GetUInt64("fs", 0)), 5000000000ULL);
  EXPECT_EQ(info.GetUInt32("du", 0), 1234u);
  EXPECT_EQ(static_cast<uint64_t>(info.GetUInt64("du", 0)), 1234u);
  EXPECT_EQ(info.GetCount(), 3u);
  info.Set("du", 7, true);  // a plain integer is a number, not a text
  EXPECT_EQ(info.GetUInt32("du", 0), 7u);
}

TEST(hvMediaInfoTest, GettersGiveDefaultForAbsentKeyOrOtherType) {
  hvMediaInfo info;
  info.Set("mt", "audio/mpeg", true);
  info.Set("fs", hvuint64(khvuint64_Max), true);
  EXPECT_EQ(info.GetCString("xx", hvCString("none")), "none");
  EXPECT_EQ(info.GetUInt32("mt", 7), 7u);
  EXPECT_EQ(static_cast<uint64_t>(info.GetUInt64("mt", 9)), 9u);
  EXPECT_EQ(info.GetCString("fs", hvCString("d")), "d");
  // A 64-bit value that does not fit 32 bits is not silently cut.
  EXPECT_EQ(info.GetUInt32("fs", 11), 11u);
  EXPECT_EQ(static_cast<uint64_t>(info.GetUInt64("fs", 0)), khvuint64_Max);
}

TEST(hvMediaInfoTest, ReplaceFlagDecidesWhetherExistingValueIsKept) {
  hvMediaInfo info;
  info.Set("fe", "mp4", true);
  info.Set("fe", "mkv", false);
  EXPECT_EQ(info.GetCString("fe"), "mp4");
  info.Set("fe", hvuint64(3), true);  // a replacement may change the type
  EXPECT_EQ(static_cast<uint64_t>(info.GetUInt64("fe", 0)), 3u);
  EXPECT_EQ(info.GetCount(), 1u);
}

TEST(hvMediaInfoTest, NullOrEmptyKeyIsRefused) {
  hvMediaInfo info;
  EXPECT_FALSE(info.Set(nullptr, "x", true));
  EXPECT_FALSE(info.Set("", hvuint64(1), true));
  EXPECT_FALSE(info.Has(nullptr));
  EXPECT_EQ(info.GetUInt32(nullptr, 5), 5u);
  EXPECT_EQ(info.GetCount(), 0u);
}

TEST(hvMediaInfoTest, RemoveAndClear) {
  hvMediaInfo info;
  info.Set("a", "1", true);
  info.Set("b", "2", true);
  EXPECT_TRUE(info.Remove("a"));
  EXPECT_FALSE(info.Remove("a"));
  EXPECT_FALSE(info.Has("a"));
  EXPECT_TRUE(info.Has("b"));
  info.Clear();
  EXPECT_EQ(info.GetCount(), 0u);
}

TEST(hvMediaInfoTest, CopiesAreDeepAndCarryTheFileName) {
  hvMediaInfo original;
  original.fileName = "movie.mp4";
  original.Set("mt", "video/mp4", true);
  hvMediaInfo copy(original);
  hvMediaInfo assigned;
  assigned.Set("zz", "gone", true);
  assigned = original;
  original.Set("mt", "changed", true);
  original.fileName = "other";
  for (const hvMediaInfo* info : {&copy, &assigned}) {
    EXPECT_EQ(info->GetCString("mt"), "video/mp4");
    EXPECT_EQ(info->fileName, "movie.mp4");
    EXPECT_EQ(info->GetCount(), 1u);
  }
}

TEST(hvMediaInfoTest, DerivedRecordIsDestroyedThroughBase) {
  struct Derived : hvMediaInfo {
    explicit Derived(bool* destroyed) : m_destroyed(destroyed) {}
    ~Derived() override { *m_destroyed = true; }
    bool* m_destroyed;
  };
  bool destroyed = false;
  hvMediaInfo* info = new Derived(&destroyed);
  delete info;
  EXPECT_TRUE(destroyed);
}

}  // namespace
