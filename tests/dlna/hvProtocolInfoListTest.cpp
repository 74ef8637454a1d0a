#include <gtest/gtest.h>

#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"
#include "hvTestSupport.h"

namespace {

class hvProtocolInfoListTest : public ::testing::Test {
 protected:
  void TearDown() override {
    hvProtocolInfoList_Free(m_list);
    hvProtocolInfoList_Free(m_other);
  }

  void Load(const char* text) {
    hvProtocolInfoList_Free(m_list);
    m_list = hvProtocolInfoList_CreateFromText(text);
  }
  void LoadOther(const char* text) {
    hvProtocolInfoList_Free(m_other);
    m_other = hvProtocolInfoList_CreateFromText(text);
  }
  void Insert(const std::string& text, ptrdiff_t index) {
    hvProtocolInfoList_Insert(m_list, hvParseText(text), index);
  }
  size_t Count() { return hvProtocolInfoList_GetCount(m_list); }
  std::string Written(int options = 1) {
    return hvTakeText(hvProtocolInfoList_ToString(m_list, options));
  }
  int SelectBest(const char* schemes, const char* protocols) {
    return hvProtocolInfoList_SelectBest(m_list, schemes, protocols);
  }

  hvProtocolInfoList* m_list = nullptr;
  hvProtocolInfoList* m_other = nullptr;
};

TEST_F(hvProtocolInfoListTest, ListTextKeepsValidEntriesInOrder) {
  Load("http-get:*:audio/mpeg:DLNA.ORG_PN=MP3,http-get:*:audio/L16;rate=44100:*,bogus");
  ASSERT_EQ(Count(), 2u);
  EXPECT_STREQ(hvProtocolInfoList_Get(m_list, 0)->profile, "MP3");
  EXPECT_STREQ(hvProtocolInfoList_Get(m_list, 1)->contentFormat, "audio/L16;rate=44100");
  EXPECT_EQ(hvProtocolInfoList_Get(m_list, 2), nullptr);

  // "\," stays inside its entry; empty pieces are skipped; pieces are not trimmed.
  Load(",http-get:*:video/mpeg:DLNA.ORG_PS=1\\,2,,http-get:*:a/b:*, http-get:*:c/d:*,");
  ASSERT_EQ(Count(), 3u);
  EXPECT_EQ(hvProtocolInfo_GetPlaySpeedCount(hvProtocolInfoList_Get(m_list, 0)), 2u);
  EXPECT_EQ(hvRenderProtocolInfo(hvProtocolInfoList_Get(m_list, 2)),
            "k0: http-get net=* cf=c/d has=0");

  Load(nullptr);
  EXPECT_EQ(Count(), 0u);
  Load("");
  EXPECT_EQ(Written(), "");
}

TEST_F(hvProtocolInfoListTest, ShortTextEntriesAreHttp) {
  m_list = hvProtocolInfoList_CreateFromShortText("audio/mpeg:DLNA.ORG_PN=MP3,image/png:*,x");
  ASSERT_EQ(Count(), 3u);
  EXPECT_EQ(Written(),
            "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3,http-get:*:image/png:*,http-get:*:x:*");
}

TEST_F(hvProtocolInfoListTest, SetFromTextReplacesTheRecords) {
  Load("http-get:*:a/b:*,http-get:*:c/d:*");
  hvProtocolInfoList_SetFromText(m_list, "rtsp-rtp-udp:*:v/x:*");
  EXPECT_EQ(Written(), "rtsp-rtp-udp:*:v/x:*");
}

TEST_F(hvProtocolInfoListTest, WritingSkipsInvalidRecordsAndEscapesSpeedsForLists) {
  Load("http-get:*:video/mpeg:DLNA.ORG_PS=1\\,2;DLNA.ORG_OP=01,rtsp-rtp-udp:*:v/x:DLNA.ORG_OP=10");
  hvProtocolInfoList_Insert(m_list, hvProtocolInfo_FromUrl("http://h/a"), 1);
  EXPECT_EQ(
      Written(4),
      "http-get:*:video/mpeg:DLNA.ORG_OP=01;DLNA.ORG_PS=1\\,2,rtsp-rtp-udp:*:v/x:DLNA.ORG_OP=10");
  EXPECT_EQ(
      hvTakeText(hvProtocolInfoList_ToString(m_list)),
      "http-get:*:video/mpeg:DLNA.ORG_OP=01;DLNA.ORG_PS=1,2,rtsp-rtp-udp:*:v/x:DLNA.ORG_OP=10");
  EXPECT_EQ(Written(2), "http-get:*:video/mpeg:*,rtsp-rtp-udp:*:v/x:*");
  // Written for a list, the text reads back as the same list.
  LoadOther(Written(4).c_str());
  EXPECT_EQ(hvTakeText(hvProtocolInfoList_ToString(m_other, 4)), Written(4));
}

TEST_F(hvProtocolInfoListTest, InsertAndRemoveByIndex) {
  Load("http-get:*:b/b:*");
  Insert("http-get:*:a/a:*", 0);
  Insert("http-get:*:d/d:*", -1);
  Insert("http-get:*:e/e:*", 99);
  Insert("http-get:*:c/c:*", 2);
  hvProtocolInfoList_Insert(m_list, nullptr, 0);
  EXPECT_EQ(Written(),
            "http-get:*:a/a:*,http-get:*:b/b:*,http-get:*:c/c:*,http-get:*:d/d:*,http-get:*:e/e:*");
  hvProtocolInfoList_RemoveAt(m_list, 1);
  hvProtocolInfoList_RemoveAt(m_list, 4);
  hvProtocolInfoList_RemoveAt(m_list, 40);
  EXPECT_EQ(Written(), "http-get:*:a/a:*,http-get:*:c/c:*,http-get:*:d/d:*,http-get:*:e/e:*");

  hvDList* records = hvProtocolInfoList_Lock(m_list);
  EXPECT_EQ(hvDList_GetCount(records), 4u);
  // The lock is recursive for its owner, so list operations still work while walking.
  EXPECT_EQ(Count(), 4u);
  hvProtocolInfoList_Unlock(m_list);
}

TEST_F(hvProtocolInfoListTest, FindsAndContains) {
  Load(
      "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3,http-get:*:audio/mpeg:*,"
      "http-get:*:audio/L16;rate=44100;channels=2:*,http-get:*:audio/mp4:DLNA.ORG_PN=AAC_ISO");
  hvProtocolInfo* found = hvProtocolInfoList_FindByProfile(m_list, "MP3");
  ASSERT_NE(found, nullptr);
  EXPECT_STREQ(found->profile, "MP3");
  EXPECT_EQ(hvProtocolInfoList_FindByProfile(m_list, "mp3"), nullptr);
  EXPECT_EQ(hvProtocolInfoList_FindByProfile(m_list, ""), nullptr);
  EXPECT_EQ(hvProtocolInfoList_FindByProfile(m_list, nullptr), nullptr);

  // Only records without a profile; the record's format must be matched by the argument.
  EXPECT_EQ(hvProtocolInfoList_FindByContentFormat(m_list, "audio/mpeg"),
            hvProtocolInfoList_Get(m_list, 1));
  EXPECT_EQ(hvProtocolInfoList_FindByContentFormat(m_list, "audio/L16;channels=2;rate=44100;x=1"),
            hvProtocolInfoList_Get(m_list, 2));
  EXPECT_EQ(hvProtocolInfoList_FindByContentFormat(m_list, "audio/L16"), nullptr);
  EXPECT_EQ(hvProtocolInfoList_FindByContentFormat(m_list, "audio/mp4"), nullptr);
  EXPECT_EQ(hvProtocolInfoList_FindByContentFormat(m_list, ""), nullptr);

  EXPECT_TRUE(hvProtocolInfoList_ContainsProfile(m_list, "aac_iso"));
  EXPECT_FALSE(hvProtocolInfoList_ContainsProfile(m_list, "AAC_LTP_ISO"));
  EXPECT_FALSE(hvProtocolInfoList_ContainsProfile(m_list, nullptr));

  hvProtocolInfo* wanted = hvParseText("http-get:*:audio/3gpp:DLNA.ORG_PN=AAC_ISO");
  EXPECT_TRUE(hvProtocolInfoList_ContainsMatch(m_list, wanted));
  hvProtocolInfo_Free(wanted);
  wanted = hvParseText("rtsp-rtp-udp:*:audio/mpeg:*");
  EXPECT_FALSE(hvProtocolInfoList_ContainsMatch(m_list, wanted));
  hvProtocolInfo_Free(wanted);
}

TEST_F(hvProtocolInfoListTest, MergeJoinsSameContentAndEmptiesTheSource) {
  Load("http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01");
  LoadOther("http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=10");
  hvProtocolInfoList_Merge(m_list, m_other);
  EXPECT_EQ(hvProtocolInfoList_GetCount(m_other), 0u);
  EXPECT_EQ(Written(), "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=11");

  // Records made from URLs have no content format: two of one protocol are the same content.
  hvProtocolInfoList_Insert(m_list, hvProtocolInfo_FromUrl("http://h/a"), -1);
  hvProtocolInfoList_Insert(m_other, hvProtocolInfo_FromUrl("http://h/b"), -1);
  hvProtocolInfoList_Insert(m_other, hvProtocolInfo_FromUrl("rtsp://h/b"), -1);
  hvProtocolInfoList_Merge(m_list, m_other);
  EXPECT_EQ(Count(), 3u);
}

TEST_F(hvProtocolInfoListTest, MergePutsNewProfilesFirstAndOthersLast) {
  Load("http-get:*:audio/mpeg:DLNA.ORG_PN=MP3");
  LoadOther(
      "http-get:*:image/png:*,http-get:*:audio/mp4:DLNA.ORG_PN=AAC_ISO,"
      "http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_SM,http-get:*:audio/mpeg:DLNA.ORG_PN=MP3");
  hvProtocolInfoList_Merge(m_list, m_other);
  EXPECT_EQ(Written(),
            "http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_SM,http-get:*:audio/mp4:DLNA.ORG_PN=AAC_ISO,"
            "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3,http-get:*:image/png:*");
}

TEST_F(hvProtocolInfoListTest, MergeKeepsTheLargerMaximumSpeed) {
  Load("rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=2.5,rtsp-rtp-udp:*:v/y:DLNA.ORG_MAXSP=2.7");
  hvProtocolInfoList_MergeText(
      m_list, "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=3.0,rtsp-rtp-udp:*:v/y:DLNA.ORG_MAXSP=2.5");
  EXPECT_EQ(Written(),
            "rtsp-rtp-udp:*:v/x:DLNA.ORG_MAXSP=3.0,rtsp-rtp-udp:*:v/y:DLNA.ORG_MAXSP=2.7");
}

// Regression: merging a list into itself took its records one by one and merged each into
// itself or destroyed it.
TEST_F(hvProtocolInfoListTest, MergingAListIntoItselfLeavesItUnchanged) {
  Load(
      "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01,http-get:*:audio/mpeg:*,"
      "rtsp-rtp-udp:*:v/x:DLNA.ORG_OP=10;DLNA.ORG_PS=1\\,2");
  std::string before = Written(4);
  hvProtocolInfoList_Merge(m_list, m_list);
  EXPECT_EQ(Count(), 3u);
  EXPECT_EQ(Written(4), before);
}

// Regression: merging compared every source record with every target record of the same
// profile, protocol and MIME type, so two lists of identical entries, or of audio/L16 entries
// that differ only by rate, took minutes. The bound is on the comparisons made, so a merge
// that scans the whole list fails however fast the machine is.
TEST_F(hvProtocolInfoListTest, MergingLongListsStaysLinear) {
  const struct {
    const char* name;
    std::string (*entry)(int i);
  } shapes[] = {
      {"distinct formats",
       [](int i) {
         return "http-get:*:x/t" + std::to_string(i) + ":DLNA.ORG_PN=P" + std::to_string(i % 3);
       }},
      {"identical entries",
       [](int) { return std::string("http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01"); }},
      {"L16 by rate",
       [](int i) { return "http-get:*:audio/L16;rate=" + std::to_string(i) + ";channels=2:*"; }},
      {"parameters in another order",
       [](int i) { return "http-get:*:audio/L16;channels=2;rate=" + std::to_string(i) + ":*"; }},
  };
  const int kEntries = 1000;
  for (const auto& shape : shapes) {
    std::string text;
    for (int i = 0; i < kEntries; ++i) text += shape.entry(i) + ",";
    Load(text.c_str());
    size_t count = Count();
    uint64_t before = hvProtocolInfo_GetComparisonCount();
    hvProtocolInfoList_MergeText(m_list, text.c_str());
    uint64_t comparisons = hvProtocolInfo_GetComparisonCount() - before;
    // Every entry finds its twin: nothing is added.
    EXPECT_EQ(Count(), count) << shape.name;
    EXPECT_LE(comparisons, 8u * kEntries) << shape.name;
  }

  // The merged capabilities land on the entry that describes the same content.
  hvProtocolInfoList_MergeText(m_list, "http-get:*:AUDIO/l16;channels=2;rate=7;x=1:DLNA.ORG_OP=01");
  EXPECT_EQ(hvProtocolInfoList_Get(m_list, 7)->byteSeek, 1);
  EXPECT_EQ(hvProtocolInfoList_Get(m_list, 6)->byteSeek, 0);
}

// Merging takes the first entry in list order that the source entry matches: one with fewer
// MIME parameters matches more, and entries moved to the head come before older ones.
TEST_F(hvProtocolInfoListTest, MergeJoinsTheFirstEntryWhoseParametersTheSourceHas) {
  // audio/L16 without parameters matches every rate; with ';' it is mono unless it says not.
  Load(
      "http-get:*:audio/L16;rate=44100;channels=2:*,http-get:*:audio/L16;channels=2:*,"
      "http-get:*:audio/L16:*,http-get:*:audio/L16;channels=2:*");
  hvProtocolInfoList_MergeText(m_list,
                               "http-get:*:audio/L16;rate=48000;channels=2:DLNA.ORG_OP=01,"
                               "http-get:*:audio/L16;channels=2;x=1;rate=44100:DLNA.ORG_OP=10,"
                               "http-get:*:audio/L16;rate=22050:DLNA.ORG_OP=11");
  EXPECT_EQ(Written(),
            "http-get:*:audio/L16;rate=44100;channels=2:DLNA.ORG_OP=10,"
            "http-get:*:audio/L16;channels=2:DLNA.ORG_OP=01,http-get:*:audio/L16:DLNA.ORG_OP=11,"
            "http-get:*:audio/L16;channels=2:*");

  // A record moved to the head comes before the older ones.
  Load("http-get:*:audio/mpeg;x=1:DLNA.ORG_PN=MP3");
  hvProtocolInfoList_MergeText(m_list,
                               "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3,"
                               "http-get:*:audio/mpeg;x=1:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01");
  EXPECT_EQ(Written(),
            "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01,"
            "http-get:*:audio/mpeg;x=1:DLNA.ORG_PN=MP3");
}

TEST_F(hvProtocolInfoListTest, ProtocolsAreListedOnce) {
  Load("http-get:*:a/b:*,http-get:*:c/d:*,playsingle-http-get:*:a/b:*,*:*:*:*,internal:*:a/b:*");
  EXPECT_EQ(hvTakeText(hvProtocolInfoList_GetProtocols(m_list)),
            "http-get;playsingle-http-get;internal");
  EXPECT_EQ(hvTakeText(hvProtocolInfoList_GetProtocols(nullptr)), "");
  Load("*:*:*:*");
  EXPECT_EQ(hvTakeText(hvProtocolInfoList_GetProtocols(m_list)), "");
}

TEST_F(hvProtocolInfoListTest, SelectBestPrefersTheEarliestScheme) {
  Load("rtsp-rtp-udp:*:v/x:*,http-get:*:v/x:*,internal:*:v/x:*");
  EXPECT_EQ(SelectBest("http;rtsp", "http-get;rtsp-rtp-udp"), 1);
  EXPECT_EQ(SelectBest("rtsp;http", "http-get;rtsp-rtp-udp"), 0);
  EXPECT_EQ(SelectBest("udp", "http-get;rtsp-rtp-udp"), 0);
  // Without a fitting scheme, the first accepted protocol.
  EXPECT_EQ(SelectBest("ftp", "http-get;rtsp-rtp-udp"), 0);
  EXPECT_EQ(SelectBest(nullptr, "http-get;rtsp-rtp-udp"), 0);
  // Protocols default to http-get.
  EXPECT_EQ(SelectBest("rtsp", nullptr), 1);
  EXPECT_EQ(SelectBest("rtsp", ""), 1);
  // An unknown protocol fits the scheme of its own name.
  EXPECT_EQ(SelectBest("http;internal", "internal;rtsp-rtp-udp"), 2);
  EXPECT_EQ(SelectBest("http", "file"), -1);
  Load("");
  EXPECT_EQ(SelectBest("http", nullptr), -1);
}

TEST_F(hvProtocolInfoListTest, ProfilesOfAShortListAreCollectedOnce) {
  hvStringSet* set = hvStringSet_Create();
  hvStringSet_Add(set, "LPCM");
  size_t size = hvProtocolInfoList_GetProfiles(
      set,
      "audio/mpeg:DLNA.ORG_PN=mp3,audio/mpeg:DLNA.ORG_PN=MP3,image/png:DLNA.ORG_PN=PNG_LRG,"
      "image/png:*,a/b:DLNA.ORG_PN=");
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(hvTakeText(hvStringSet_Join(set)), "LPCM,MP3,PNG_LRG");
  hvStringSet_Free(set);
}

}  // namespace
