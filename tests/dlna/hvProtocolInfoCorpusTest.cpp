// Parses every real-world protocolInfo text of the shared corpus, when it is present. The
// texts are read at run time only; they are not part of this repository.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoReferenceMerge.h"
#include "hvTestSupport.h"

namespace {

// Splits a list at ',' not preceded by '\', as lists of protocolInfos are written.
std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> entries(1);
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == ',' && (i == 0 || list[i - 1] != '\\')) {
      entries.emplace_back();
    } else {
      entries.back() += list[i];
    }
  }
  return entries;
}

// Every entry of the corpus is a protocolInfo as found in the field, so every one must parse
// as valid (a list's empty pieces, left by a trailing ',', are no entries). Entries with four
// fields and a profile must give the profile.
void ExpectAllValid(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    if (entry.empty()) continue;
    hvProtocolInfo* record = hvProtocolInfo_Parse(entry.data(), entry.size());
    EXPECT_TRUE(record->valid) << entry;
    bool fourFields = std::count(entry.begin(), entry.end(), ':') == 3;
    if (fourFields && entry.find("DLNA.ORG_PN=") != std::string::npos) {
      EXPECT_NE(record->profile, nullptr) << entry;
    }
    hvProtocolInfo_Free(record);
  }
}

TEST(hvProtocolInfoCorpus, EverySingleTextParses) {
  std::vector<std::string> lines;
  if (!hvCorpusLines("protocolinfo.txt", &lines)) return;
  ExpectAllValid(lines);
}

TEST(hvProtocolInfoCorpus, EveryListEntryParses) {
  std::vector<std::string> lines;
  if (!hvCorpusLines("protocolinfo-lists.txt", &lines)) return;
  for (const std::string& line : lines) {
    std::vector<std::string> entries = SplitList(line);
    ExpectAllValid(entries);
    // The list parser keeps exactly the non-empty entries.
    hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(line.c_str());
    EXPECT_EQ(hvProtocolInfoList_GetCount(list),
              static_cast<size_t>(std::count_if(entries.begin(), entries.end(),
                                                [](const std::string& e) { return !e.empty(); })))
        << line;
    hvProtocolInfoList_Free(list);
  }
}

// Merging real device lists into one another gives what comparing every pair gives.
TEST(hvProtocolInfoCorpus, MergingListsMatchesThePairwiseMerge) {
  std::vector<std::string> lines;
  if (!hvCorpusLines("protocolinfo-lists.txt", &lines)) return;
  for (size_t i = 0; i < lines.size(); ++i) {
    for (size_t j : {i, (i + 1) % lines.size()}) {
      hvProtocolInfoList* merged = hvProtocolInfoList_CreateFromText(lines[i].c_str());
      hvProtocolInfoList* expected = hvProtocolInfoList_CreateFromText(lines[i].c_str());
      hvProtocolInfoList_MergeText(merged, lines[j].c_str());
      hvProtocolInfoList* source = hvProtocolInfoList_CreateFromText(lines[j].c_str());
      hvReferenceMerge(expected, source);
      EXPECT_EQ(hvTakeText(hvProtocolInfoList_ToString(merged, 4)),
                hvTakeText(hvProtocolInfoList_ToString(expected, 4)))
          << "lines " << i + 1 << " and " << j + 1;
      hvProtocolInfoList_Free(source);
      hvProtocolInfoList_Free(expected);
      hvProtocolInfoList_Free(merged);
    }
  }
}

}  // namespace
