// Fuzzes protocolInfo list texts as devices send them (GetProtocolInfo answers, renderer sink
// lists): parsing, writing back, and the operations a control point runs over a parsed list.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"

namespace {

// Merging compares every pair of records; bounded so one input stays fast.
constexpr size_t kMergeLimit = 64;

void Require(bool condition) {
  if (!condition) abort();
}

std::string Take(char* text) {
  Require(text != nullptr);
  std::string kept(text);
  hvMemory_Free(text);
  return kept;
}

void ExerciseQueries(hvProtocolInfoList* list) {
  size_t count = hvProtocolInfoList_GetCount(list);
  for (size_t i = 0; i < count; ++i) {
    hvProtocolInfo* record = hvProtocolInfoList_Get(list, i);
    Require(record && record->valid);
    Require(hvProtocolInfoList_ContainsProfile(list, record->profile) ==
            (record->profile != nullptr));
  }
  Require(hvProtocolInfoList_Get(list, count) == nullptr);
  (void)hvProtocolInfoList_FindByProfile(list, "MP3");
  (void)hvProtocolInfoList_FindByContentFormat(list, "audio/mpeg");
  int best = hvProtocolInfoList_SelectBest(list, "http;rtsp", "http-get;rtsp-rtp-udp");
  Require(best >= -1 && best < static_cast<int>(count));
  Take(hvProtocolInfoList_GetProtocols(list));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(text.c_str());
  ExerciseQueries(list);
  std::string written = Take(hvProtocolInfoList_ToString(list));
  std::string forList = Take(hvProtocolInfoList_ToString(list, 4));

  // Merging a list into itself changes nothing.
  hvProtocolInfoList_Merge(list, list);
  Require(Take(hvProtocolInfoList_ToString(list, 4)) == forList);

  if (hvProtocolInfoList_GetCount(list) <= kMergeLimit) {
    // Merging the same entries again finds each one's twin, so the count stays.
    hvProtocolInfoList* copy = hvProtocolInfoList_CreateFromText(forList.c_str());
    size_t before = hvProtocolInfoList_GetCount(list);
    hvProtocolInfoList_Merge(list, copy);
    Require(hvProtocolInfoList_GetCount(copy) == 0);
    Require(hvProtocolInfoList_GetCount(list) >= before);
    hvProtocolInfoList_Free(copy);
    for (size_t i = 0; i < before; ++i)
      (void)hvProtocolInfoList_ContainsMatch(list, hvProtocolInfoList_Get(list, i));
  }

  hvProtocolInfoList* reread = hvProtocolInfoList_CreateFromText(written.c_str());
  ExerciseQueries(reread);
  Take(hvProtocolInfoList_ToString(reread));
  hvProtocolInfoList_Free(reread);
  hvProtocolInfoList_Free(list);

  hvProtocolInfoList* shortList = hvProtocolInfoList_CreateFromShortText(text.c_str());
  Take(hvProtocolInfoList_ToString(shortList));
  hvProtocolInfoList_Free(shortList);

  hvStringSet* profiles = hvStringSet_Create();
  size_t found = hvProtocolInfoList_GetProfiles(profiles, text.c_str());
  Require(found == hvStringSet_GetCount(profiles));
  Take(hvStringSet_Filter(profiles, text.c_str()));
  hvStringSet_AddList(profiles, text.c_str());
  Take(hvStringSet_Join(profiles));
  hvStringSet_Free(profiles);
  return 0;
}
