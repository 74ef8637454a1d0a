// An index over a merge target's records, so that merging a long list does not compare every
// source record with every target record. Records are filed under a hash of what two records
// describing the same content must share exactly: profile, protocol, play-single and the
// MIME type without parameters. Within one key the records are still compared in full, and
// the earliest in list order wins. Internal; lives for one merge, under the lists' locks.
#ifndef HV_DLNA_HVPROTOCOLINFOMERGEINDEX_H
#define HV_DLNA_HVPROTOCOLINFOMERGEINDEX_H

#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvDList.h"
#include "hulvoStreaming/hvProtocolInfo.h"

struct hvProtocolInfoMergeNode;

struct hvProtocolInfoMergeIndex {
  hvProtocolInfoMergeNode* nodes;  // capacity entries, `used` of them filed
  size_t capacity;
  size_t used;
  // Each bucket is 0 (empty) or 1 + the index of its chain's first node. A power of two, and
  // at least the capacity, so chains stay short.
  size_t* buckets;
  size_t bucketCount;
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
