// Operations across records of a list: merging lists, the protocols a list offers, choosing a
// record for a URL, and collecting profiles.
#include <climits>
#include <cstring>
#include <functional>

#include "dlna/hvProtocolInfoInternal.h"
#include "dlna/hvProtocolInfoListInternal.h"
#include "dlna/hvProtocolInfoMergeIndex.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvPtrVector.h"
#include "support/hvStringBuilder.h"
#include "support/hvTextSplit.h"

namespace {

int CompareTexts(const void* a, const void* b) {
  return strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

// Whether a sorted vector of texts holds `text`; when not, inserts it.
bool AddIfNew(hvPtrVector* seen, const char* text) {
  size_t low = 0;
  size_t high = hvPtrVector_GetCount(seen);
  while (low < high) {
    size_t middle = low + (high - low) / 2;
    int order = strcmp(static_cast<const char*>(hvPtrVector_Get(seen, middle)), text);
    if (order == 0) return false;
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  hvPtrVector_Insert(seen, const_cast<char*>(text));
  return true;
}

bool PieceIs(const hvTextPiece& piece, const char* text) {
  return hvAscii_Equals(piece.text, piece.length, text);
}

// Whether a URL scheme reaches a record's protocol.
bool SchemeFits(const hvTextPiece& scheme, const hvProtocolInfo* record, const char* name) {
  if (PieceIs(scheme, name)) return true;
  if (record->kind == khvProtocol_HttpGet) return PieceIs(scheme, "http");
  if (record->kind == khvProtocol_RtspRtpUdp)
    return PieceIs(scheme, "rtsp") || PieceIs(scheme, "rtp") || PieceIs(scheme, "udp");
  return false;
}

}  // namespace

void hvProtocolInfoList_Merge(hvProtocolInfoList* target, hvProtocolInfoList* source) {
  // Taking records from a list while adding them back to it would destroy them.
  if (target == source) return;
  // One global order for the two locks: two threads merging two lists into each other wait
  // for one another instead of deadlocking.
  bool targetFirst = std::less<const void*>()(target, source);
  hvProtocolInfoListLock firstLock(targetFirst ? target : source);
  hvProtocolInfoListLock secondLock(targetFirst ? source : target);
  hvProtocolInfoMergeIndex index;
  hvProtocolInfoMergeIndex_Init(&index, target->records,
                                static_cast<size_t>(hvDList_GetCount(source->records)));
  while (hvDList_GetCount(source->records) > 0) {
    hvProtocolInfo* record = static_cast<hvProtocolInfo*>(hvDList_TakeFirst(source->records));
    hvDListItem* same = hvProtocolInfoMergeIndex_Find(&index, record);
    if (same) {
      hvProtocolInfo_Merge(hvProtocolInfoList_ItemRecord(same), record);
      hvProtocolInfo_Free(record);
    } else if (record->profile) {
      // Records naming a profile are more specific, so they are tried first.
      hvProtocolInfoMergeIndex_Add(&index, hvDList_InsertBefore(target->records, nullptr, record),
                                   true);
    } else {
      hvProtocolInfoMergeIndex_Add(&index, hvDList_Append(target->records, record), false);
    }
  }
  hvProtocolInfoMergeIndex_Release(&index);
}

void hvProtocolInfoList_MergeText(hvProtocolInfoList* target, const char* text) {
  hvProtocolInfoList* parsed = hvProtocolInfoList_CreateFromText(text);
  hvProtocolInfoList_Merge(target, parsed);
  hvProtocolInfoList_Free(parsed);
}

char* hvProtocolInfoList_GetProtocols(hvProtocolInfoList* list) {
  if (!list) return hvMemory_Strdup("");
  hvProtocolInfoListLock lock(list);
  hvStringBuilder* out = hvStringBuilder_Create(0);
  hvPtrVector* seen = hvPtrVector_Create(nullptr, CompareTexts);
  hvPtrVector_SetSorted(seen, 1);
  for (hvDListItem* item = list->records->head; item; item = item->next) {
    const char* name = hvProtocolInfo_GetProtocolName(hvProtocolInfoList_ItemRecord(item));
    if (!name || strcmp(name, "*") == 0 || !AddIfNew(seen, name)) continue;
    if (out->length > 0) hvStringBuilder_AppendText(out, ";");
    hvStringBuilder_AppendText(out, name);
  }
  hvPtrVector_Free(seen);
  return hvStringBuilder_Detach(out, 1, nullptr);
}

int hvProtocolInfoList_SelectBest(hvProtocolInfoList* list, const char* schemes,
                                  const char* protocols) {
  if (!protocols || !*protocols) protocols = "http-get";
  if (!schemes) schemes = "";
  hvTextSplit accepted;
  hvTextSplit wantedSchemes;
  hvTextSplit_SplitAt(&accepted, protocols, strlen(protocols), ';');
  hvTextSplit_SplitAt(&wantedSchemes, schemes, strlen(schemes), ';');
  // Rank: position of the earliest fitting scheme; 0 cannot be beaten.
  int best = -1;
  size_t bestRank = INT_MAX;
  hvProtocolInfoListLock lock(list);
  int index = 0;
  for (hvDListItem* item = list->records->head; item && bestRank != 0 && index < INT_MAX;
       item = item->next, ++index) {
    const hvProtocolInfo* record = hvProtocolInfoList_ItemRecord(item);
    const char* name = hvProtocolInfo_GetProtocolName(record);
    if (!name) continue;
    for (size_t p = 0; p < accepted.count && bestRank != 0; ++p) {
      if (!PieceIs(accepted.pieces[p], name)) continue;
      bool fitted = false;
      for (size_t s = 0; s < wantedSchemes.count && s < bestRank; ++s) {
        if (SchemeFits(wantedSchemes.pieces[s], record, name)) {
          bestRank = s;
          fitted = true;
          break;
        }
      }
      if (fitted || best == -1) best = index;
    }
  }
  hvTextSplit_Release(&accepted);
  hvTextSplit_Release(&wantedSchemes);
  return best;
}

size_t hvProtocolInfoList_GetProfiles(hvStringSet* set, const char* text) {
  hvProtocolInfoList* list = hvProtocolInfoList_CreateFromShortText(text);
  for (hvDListItem* item = list->records->head; item; item = item->next) {
    const char* profile = hvProtocolInfoList_ItemRecord(item)->profile;
    if (profile && *profile) hvStringSet_Add(set, profile);
  }
  hvProtocolInfoList_Free(list);
  return hvStringSet_SortUnique(set);
}
