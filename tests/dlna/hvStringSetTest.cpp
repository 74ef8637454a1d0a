#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvTestSupport.h"

namespace {

class hvStringSetTest : public ::testing::Test {
 protected:
  void SetUp() override { m_set = hvStringSet_Create(); }
  void TearDown() override { hvStringSet_Free(m_set); }
  std::string Joined() { return hvTakeText(hvStringSet_Join(m_set)); }

  hvStringSet* m_set = nullptr;
};

TEST_F(hvStringSetTest, AddListTrimsSortsAndKeepsOneSpelling) {
  EXPECT_EQ(hvStringSet_AddList(m_set, " mp3, AAC_ISO ,\tMP3,,  ,\t,jpeg_sm,aac_iso"), 3u);
  // Capitals sort before small letters, so that spelling survives.
  EXPECT_EQ(Joined(), "AAC_ISO,jpeg_sm,MP3");
  EXPECT_EQ(hvStringSet_AddList(m_set, "LPCM,mp3"), 4u);
  EXPECT_EQ(Joined(), "AAC_ISO,jpeg_sm,LPCM,MP3");
  EXPECT_EQ(hvStringSet_AddList(m_set, nullptr), 4u);
}

TEST_F(hvStringSetTest, ContainsAndRemoveIgnoreCase) {
  hvStringSet_AddList(m_set, "audio/mpeg,image/png");
  EXPECT_TRUE(hvStringSet_Contains(m_set, "AUDIO/MPEG"));
  EXPECT_FALSE(hvStringSet_Contains(m_set, "audio/mp"));
  EXPECT_FALSE(hvStringSet_Contains(m_set, nullptr));
  hvStringSet_Remove(m_set, "Image/PNG");
  hvStringSet_Remove(m_set, "video/mp4");
  hvStringSet_Remove(m_set, nullptr);
  EXPECT_EQ(Joined(), "audio/mpeg");
  hvStringSet_Remove(m_set, "audio/mpeg");
  EXPECT_EQ(Joined(), "");
  EXPECT_EQ(hvStringSet_SortUnique(m_set), 0u);
}

TEST_F(hvStringSetTest, FilterKeepsTheItemsTheSetHolds) {
  hvStringSet_AddList(m_set, "MP3,LPCM,AAC_ISO");
  EXPECT_EQ(hvTakeText(hvStringSet_Filter(m_set, " lpcm ,WMABASE,mp3,MP3")), "lpcm,MP3");
  EXPECT_EQ(hvTakeText(hvStringSet_Filter(m_set, "")), "");
  EXPECT_EQ(hvTakeText(hvStringSet_Filter(m_set, nullptr)), "");
  EXPECT_EQ(hvStringSet_GetCount(m_set), 3u);
}

TEST_F(hvStringSetTest, AddedItemsAreUnorderedUntilSorted) {
  hvStringSet_Add(m_set, "b");
  hvStringSet_Add(m_set, "a");
  hvStringSet_Add(m_set, "B");
  hvStringSet_Add(m_set, nullptr);
  EXPECT_EQ(Joined(), "b,a,B");
  EXPECT_EQ(hvStringSet_SortUnique(m_set), 2u);
  EXPECT_STREQ(hvStringSet_Get(m_set, 1), "B");
  EXPECT_EQ(hvStringSet_Get(m_set, 2), nullptr);
}

// Many duplicates are dropped in one pass, not one removal at a time.
TEST_F(hvStringSetTest, LargeListsWithManyDuplicates) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "p" + std::to_string(i % 100) + ",";
  EXPECT_EQ(hvStringSet_AddList(m_set, text.c_str()), 100u);
  EXPECT_EQ(hvTakeText(hvStringSet_Filter(m_set, "P99,p0,p100,p5")), "p0,p5,P99");
}

}  // namespace
