// Writes back every real-world protocolInfo, list and MIME text of the shared corpus, when it
// is present. The texts are read at run time only; they are not part of this repository.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvMimeTypeRender.h"
#include "hvTestSupport.h"

namespace {

std::string ParseAndWrite(const std::string& text, int options) {
  hvProtocolInfo* record = hvProtocolInfo_Parse(text.data(), text.size());
  std::string written = hvTakeText(hvProtocolInfo_ToString(record, options));
  hvProtocolInfo_Free(record);
  return written;
}

// Real texts carry what the writer leaves out (DLNA.ORG_CI=0, version 1.0 flags, OP=00), so
// the first write may differ from the input; from then on writing is stable.
TEST(hvProtocolInfoWriteCorpus, EverySingleTextWritesStably) {
  std::vector<std::string> lines;
  if (!hvCorpusLines("protocolinfo.txt", &lines)) return;
  size_t unchanged = 0;
  for (const std::string& line : lines) {
    for (int options : {1, 4}) {
      std::string first = ParseAndWrite(line, options);
      EXPECT_EQ(ParseAndWrite(first, options), first) << "input: " << line;
      if (options == 1 && first == line) ++unchanged;
    }
  }
  // Most real texts are already in the writer's own terms.
  EXPECT_GT(unchanged, lines.size() / 2);
}

TEST(hvProtocolInfoWriteCorpus, EveryListWrittenForAListReadsBackTheSame) {
  std::vector<std::string> lines;
  if (!hvCorpusLines("protocolinfo-lists.txt", &lines)) return;
  for (const std::string& line : lines) {
    hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(line.c_str());
    std::string written = hvTakeText(hvProtocolInfoList_ToString(list, 4));
    hvProtocolInfoList* reread = hvProtocolInfoList_CreateFromText(written.c_str());
    EXPECT_EQ(hvProtocolInfoList_GetCount(reread), hvProtocolInfoList_GetCount(list)) << line;
    EXPECT_EQ(hvTakeText(hvProtocolInfoList_ToString(reread, 4)), written) << line;
    // A device list merged into a copy of itself keeps its size.
    size_t count = hvProtocolInfoList_GetCount(list);
    hvProtocolInfoList_Merge(reread, list);
    EXPECT_LE(hvProtocolInfoList_GetCount(reread), count) << line;
    hvProtocolInfoList_Free(reread);
    hvProtocolInfoList_Free(list);
  }
}

TEST(hvProtocolInfoWriteCorpus, EveryMimeTextWritesStably) {
  std::vector<std::string> lines;
  if (!hvCorpusLines("mime.txt", &lines)) return;
  for (const std::string& line : lines) {
    // The written text must carry the parsed record itself: read back, it gives the same
    // type and parameters, and it is written again unchanged.
    hvMimeType* mime = hvMimeType_Parse(line.c_str());
    std::string written = hvTakeText(hvMimeType_ToString(mime));
    hvMimeType* reread = hvMimeType_Parse(written.c_str());
    EXPECT_EQ(hvRenderMimeType(reread), hvRenderMimeType(mime)) << "input: " << line;
    EXPECT_EQ(hvTakeText(hvMimeType_ToString(reread)), written) << "input: " << line;
    EXPECT_EQ(hvMimeType_MatchesText(mime, written.c_str()), 1) << "input: " << line;
    EXPECT_EQ(hvMimeType_Match(line.c_str(), line.c_str()), 1) << "input: " << line;
    hvMimeType_Free(reread);
    hvMimeType_Free(mime);
  }
}

}  // namespace
