// Two protocolInfo lists shared by threads that insert, merge (in both directions), write and
// search at the same time. Every inserted record carries its own profile, so none is merged
// away: at the end each must be found exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvTestSupport.h"

namespace {

constexpr int kInserters = 2;
constexpr int kRecordsPerInserter = 150;
constexpr int kRounds = 150;
constexpr char kSharedEntry[] = "http-get:*:audio/mpeg:DLNA.ORG_OP=01;DLNA.ORG_PS=1\\,2";

std::string ProfileOf(int inserter, int index) {
  return "P_" + std::to_string(inserter) + "_" + std::to_string(index);
}

class hvProtocolInfoListConcurrency : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Free(); }
  // Each soak round starts again from two fresh lists.
  void Reset() {
    Free();
    m_a = hvProtocolInfoList_Create();
    m_b = hvProtocolInfoList_CreateFromText("rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_OP=10");
  }
  void Free() {
    hvProtocolInfoList_Free(m_a);
    hvProtocolInfoList_Free(m_b);
    m_a = m_b = nullptr;
  }

  void InsertRecords(int inserter) {
    for (int i = 0; i < kRecordsPerInserter; ++i) {
      std::string text = "http-get:*:video/mp4:DLNA.ORG_PN=" + ProfileOf(inserter, i) +
                         ";DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01700000000000000000000000000000";
      hvProtocolInfoList* target = i % 2 ? m_a : m_b;
      hvProtocolInfoList_Insert(target, hvProtocolInfo_Parse(text.data(), text.size()), i % 3 - 1);
    }
  }

  // Moves everything back and forth; the lock order of a merge does not depend on direction.
  void MergeBothWays() {
    for (int i = 0; i < kRounds; ++i) {
      hvProtocolInfoList_Merge(m_a, m_b);
      hvProtocolInfoList_Merge(m_b, m_a);
      hvProtocolInfoList_Merge(m_a, m_a);
      hvProtocolInfoList_MergeText(i % 2 ? m_a : m_b, kSharedEntry);
    }
  }

  // A list written while others change it is still a whole list: every entry reads back.
  void WriteWhileLocked(hvProtocolInfoList* list) {
    for (int i = 0; i < kRounds; ++i) {
      hvDList* records = hvProtocolInfoList_Lock(list);
      size_t count = static_cast<size_t>(hvDList_GetCount(records));
      std::string written = hvTakeText(hvProtocolInfoList_ToString(list, 4));
      hvProtocolInfoList_Unlock(list);
      hvProtocolInfoList* reread = hvProtocolInfoList_CreateFromText(written.c_str());
      EXPECT_EQ(hvProtocolInfoList_GetCount(reread), count);
      hvProtocolInfoList_Free(reread);
    }
  }

  // With the list held still, the choice is the first HTTP record, else the first RTSP one,
  // else none: a choice made on a list that changed under it would point elsewhere.
  void ExpectBestForHttpThenRtsp(hvProtocolInfoList* list) {
    hvDList* records = hvProtocolInfoList_Lock(list);
    int best = hvProtocolInfoList_SelectBest(list, "http;rtsp", "http-get;rtsp-rtp-udp");
    int firstHttp = -1;
    int firstRtsp = -1;
    int index = 0;
    for (hvDListItem* item = records->head; item; item = item->next, ++index) {
      hvProtocolKind kind = static_cast<const hvProtocolInfo*>(item->value)->kind;
      if (kind == khvProtocol_HttpGet && firstHttp < 0) firstHttp = index;
      if (kind == khvProtocol_RtspRtpUdp && firstRtsp < 0) firstRtsp = index;
    }
    hvProtocolInfoList_Unlock(list);
    EXPECT_EQ(best, firstHttp >= 0 ? firstHttp : firstRtsp);
  }

  void Search() {
    for (int i = 0; i < kRounds; ++i) {
      std::string profile = ProfileOf(i % kInserters, i % kRecordsPerInserter);
      (void)hvProtocolInfoList_ContainsProfile(m_a, profile.c_str());
      (void)hvProtocolInfoList_FindByProfile(m_b, profile.c_str());
      (void)hvProtocolInfoList_FindByContentFormat(m_a, "audio/mpeg");
      ExpectBestForHttpThenRtsp(m_b);
      hvTakeText(hvProtocolInfoList_GetProtocols(m_a));
      (void)hvProtocolInfoList_Get(m_b, static_cast<size_t>(i % 7));
    }
  }

  // One round: six threads at once, then every record checked.
  void Round() {
    std::vector<std::thread> threads;
    for (int t = 0; t < kInserters; ++t) threads.emplace_back([this, t] { InsertRecords(t); });
    threads.emplace_back([this] { MergeBothWays(); });
    threads.emplace_back([this] { WriteWhileLocked(m_a); });
    threads.emplace_back([this] { WriteWhileLocked(m_b); });
    threads.emplace_back([this] { Search(); });
    for (std::thread& thread : threads) thread.join();

    hvProtocolInfoList_Merge(m_a, m_b);
    EXPECT_EQ(hvProtocolInfoList_GetCount(m_b), 0u);
    // Every profile once, plus the one RTSP record and the shared entry merged into one.
    std::multiset<std::string> profiles;
    size_t withoutProfile = 0;
    hvDList* records = hvProtocolInfoList_Lock(m_a);
    for (hvDListItem* item = records->head; item; item = item->next) {
      const hvProtocolInfo* record = static_cast<const hvProtocolInfo*>(item->value);
      if (record->profile) {
        profiles.insert(record->profile);
      } else {
        ++withoutProfile;
      }
    }
    hvProtocolInfoList_Unlock(m_a);
    EXPECT_EQ(profiles.size(), static_cast<size_t>(kInserters * kRecordsPerInserter));
    for (int t = 0; t < kInserters; ++t) {
      for (int i = 0; i < kRecordsPerInserter; ++i) EXPECT_EQ(profiles.count(ProfileOf(t, i)), 1u);
    }
    EXPECT_EQ(withoutProfile, 2u);
    hvProtocolInfo* shared = hvProtocolInfoList_FindByContentFormat(m_a, "audio/mpeg");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(hvProtocolInfo_GetPlaySpeedCount(shared), 2u);
  }

  hvProtocolInfoList* m_a = nullptr;
  hvProtocolInfoList* m_b = nullptr;
};

TEST_F(hvProtocolInfoListConcurrency, InsertMergeWriteAndFindKeepEveryRecordOnce) {
  for (hvSoak soak("protocolInfo lists from 6 threads"); soak.Again(); Reset()) {
    Round();
    // Inserts, merges, writes with rereads, and searches of the round.
    soak.Count(kInserters * kRecordsPerInserter + 4 * kRounds + 2 * 2 * kRounds + 7 * kRounds);
    if (HasFailure()) break;
  }
}

}  // namespace
