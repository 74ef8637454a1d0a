// Fuzzes protocolInfo list texts as devices send them (GetProtocolInfo answers, renderer sink
// lists): parsing, writing back, and the operations a control point runs over a parsed list.
//
// An input "#N\nTEMPLATE" stands for TEMPLATE written N times, each '#' in it replaced by the
// copy's number, so that short inputs reach long lists whose entries share a profile,
// protocol and MIME type (identical entries, audio/L16 by rate) as the merge must handle.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "tests/dlna/hvProtocolInfoReferenceMerge.h"

namespace {

// The pairwise reference merge is quadratic: only short lists are compared with it.
constexpr size_t kReferenceLimit = 64;
// Long lists stay within what one input may cost.
constexpr unsigned long kMaxCopies = 1000;
constexpr size_t kMaxExpanded = 1 << 18;

void Require(bool condition) {
  if (!condition) abort();
}

std::string Take(char* text) {
  Require(text != nullptr);
  std::string kept(text);
  hvMemory_Free(text);
  return kept;
}

// The list text an input stands for (see the file comment).
std::string Expand(const std::string& input) {
  size_t newline = input.find('\n');
  if (input.size() < 3 || input[0] != '#' || newline == std::string::npos || newline > 6)
    return input;
  unsigned long copies = strtoul(input.substr(1, newline - 1).c_str(), nullptr, 10);
  std::string pattern = input.substr(newline + 1);
  if (copies > kMaxCopies) copies = kMaxCopies;
  std::string text;
  for (unsigned long i = 0; i < copies && text.size() < kMaxExpanded; ++i) {
    for (char c : pattern) {
      if (c == '#') {
        text += std::to_string(i);
      } else {
        text += c;
      }
    }
  }
  return text;
}

std::string Written(hvProtocolInfoList* list) { return Take(hvProtocolInfoList_ToString(list, 4)); }

// Merges the entries of `sourceText` into those of `targetText`; short lists must come out
// as the pairwise merge leaves them.
void ExpectMerge(const std::string& targetText, const std::string& sourceText) {
  hvProtocolInfoList* merged = hvProtocolInfoList_CreateFromText(targetText.c_str());
  hvProtocolInfoList* source = hvProtocolInfoList_CreateFromText(sourceText.c_str());
  size_t before = hvProtocolInfoList_GetCount(merged);
  bool compare =
      before <= kReferenceLimit && hvProtocolInfoList_GetCount(source) <= kReferenceLimit;
  hvProtocolInfoList_Merge(merged, source);
  Require(hvProtocolInfoList_GetCount(source) == 0);
  Require(hvProtocolInfoList_GetCount(merged) >= before);
  if (compare) {
    hvProtocolInfoList* expected = hvProtocolInfoList_CreateFromText(targetText.c_str());
    hvProtocolInfoList* again = hvProtocolInfoList_CreateFromText(sourceText.c_str());
    hvReferenceMerge(expected, again);
    Require(Written(merged) == Written(expected));
    hvProtocolInfoList_Free(again);
    hvProtocolInfoList_Free(expected);
  }
  hvProtocolInfoList_Free(source);
  hvProtocolInfoList_Free(merged);
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
  std::string text = Expand(std::string(reinterpret_cast<const char*>(data), size));
  hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(text.c_str());
  ExerciseQueries(list);
  std::string written = Take(hvProtocolInfoList_ToString(list));
  std::string forList = Written(list);

  // Merging a list into itself changes nothing.
  hvProtocolInfoList_Merge(list, list);
  Require(Written(list) == forList);

  // The same entries again, as received and as written.
  ExpectMerge(text, text);
  ExpectMerge(text, forList);
  ExpectMerge(forList, text);
  size_t count = hvProtocolInfoList_GetCount(list);
  for (size_t i = 0; i < count && i < kReferenceLimit; ++i)
    (void)hvProtocolInfoList_ContainsMatch(list, hvProtocolInfoList_Get(list, i));

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
