// Parses every real-world protocolInfo text of the shared corpus, when it is present. The
// texts are read at run time only; they are not part of this repository.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvProtocolInfoRender.h"
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

// Every entry parses and renders; entries that look like protocolInfos parse as valid.
void ParseAll(const std::vector<std::string>& entries, size_t* valid) {
  for (const std::string& entry : entries) {
    hvProtocolInfo* record = hvProtocolInfo_Parse(entry.data(), entry.size());
    EXPECT_FALSE(hvRenderProtocolInfo(record).empty());
    if (record->valid) ++*valid;
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
  size_t valid = 0;
  ParseAll(lines, &valid);
  EXPECT_GT(valid, lines.size() * 9 / 10);
}

TEST(hvProtocolInfoCorpus, EveryListEntryParses) {
  std::vector<std::string> lines;
  if (!hvCorpusLines("protocolinfo-lists.txt", &lines)) return;
  size_t entries = 0;
  size_t valid = 0;
  for (const std::string& line : lines) {
    std::vector<std::string> pieces = SplitList(line);
    entries += pieces.size();
    ParseAll(pieces, &valid);
  }
  EXPECT_GT(valid, entries * 9 / 10);
}

}  // namespace
