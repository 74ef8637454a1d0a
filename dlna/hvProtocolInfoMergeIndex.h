// An index over a merge target's records, so that merging two lists costs about one lookup per
// source record whatever the entries are. A source record S joins the first target record T
// (in list order) that describes the same content: the same profile, protocol and MIME type,
// and every MIME parameter of T also among S's. The index therefore files each distinct
// (content, parameter set) once, with the earliest record that has it, and answers a lookup
// either by trying every subset of S's parameters (2^k lookups for k parameters) or, when the
// content has fewer distinct parameter sets than that, by checking those sets. A long list of
// identical entries, or of entries that differ only by one parameter (audio/L16 by rate), is
// then merged in linear time. Internal; lives for one merge, under the lists' locks.
#ifndef HV_DLNA_HVPROTOCOLINFOMERGEINDEX_H
#define HV_DLNA_HVPROTOCOLINFOMERGEINDEX_H

#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvDList.h"
#include "hulvoStreaming/hvProtocolInfo.h"

struct hvProtocolInfoMergeSet;
struct hvProtocolInfoMergeGroup;

struct hvProtocolInfoMergeIndex {
  // Distinct (content, parameter set) entries, reserved for every record of both lists.
  hvProtocolInfoMergeSet* sets;
  size_t setCount;
  // One group per distinct content (profile, protocol, MIME type without parameters).
  hvProtocolInfoMergeGroup* groups;
  size_t groupCount;
  size_t capacity;
  // Hash buckets for both: 0 (empty) or 1 + the index of the chain's first entry. A power of
  // two at least the capacity, so chains stay short.
  size_t* setBuckets;
  size_t* groupBuckets;
  size_t bucketMask;
  // List order as numbers: records put at the head get ever smaller ones, appended records
  // ever larger ones, so comparing two numbers compares two positions.
  int64_t first;
  int64_t last;
};

// Files every record of `records`; room for `extra` more.
void hvProtocolInfoMergeIndex_Init(hvProtocolInfoMergeIndex* index, const hvDList* records,
                                   size_t extra);
void hvProtocolInfoMergeIndex_Release(hvProtocolInfoMergeIndex* index);
// The earliest filed record that describes the same content as `record`, or null.
hvDListItem* hvProtocolInfoMergeIndex_Find(const hvProtocolInfoMergeIndex* index,
                                           const hvProtocolInfo* record);
// Files an item just linked at the head (atHead) or the tail of the list.
void hvProtocolInfoMergeIndex_Add(hvProtocolInfoMergeIndex* index, hvDListItem* item, bool atHead);

#endif
