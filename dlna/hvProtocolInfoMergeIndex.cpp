#include "dlna/hvProtocolInfoMergeIndex.h"

#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"

struct hvProtocolInfoMergeNode {
  uint64_t key;
  hvDListItem* item;
  int64_t order;
  size_t next;  // 0 or 1 + the index of the next node of the chain
};

namespace {

void Mix(uint64_t* hash, const void* bytes, size_t length) {
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < length; ++i) {
    *hash ^= b[i];
    *hash *= 1099511628211ull;  // FNV-1a
  }
}

void MixText(uint64_t* hash, const char* text) {
  // A marker byte keeps a null text apart from an empty one.
  unsigned char present = text ? 1 : 0;
  Mix(hash, &present, 1);
  if (text) Mix(hash, text, strlen(text) + 1);
}

// Equal for any two records that hvProtocolInfo_Equals may call equal: the MIME-type match
// needs the same type (the text before the first ';'), ignoring case.
uint64_t KeyOf(const hvProtocolInfo* record) {
  uint64_t hash = 14695981039346656037ull;
  MixText(&hash, record->profile);
  int32_t kind = record->kind;
  Mix(&hash, &kind, sizeof(kind));
  Mix(&hash, &record->playSingle, sizeof(record->playSingle));
  if (record->kind == khvProtocol_Other) MixText(&hash, record->protocolName);
  const char* format = record->contentFormat ? record->contentFormat : "";
  for (; *format && *format != ';'; ++format) {
    char lower = hvAscii_ToLower(*format);
    Mix(&hash, &lower, 1);
  }
  return hash;
}

size_t BucketOf(const hvProtocolInfoMergeIndex* index, uint64_t key) {
  return static_cast<size_t>(key ^ (key >> 32)) & (index->bucketCount - 1);
}

void File(hvProtocolInfoMergeIndex* index, hvDListItem* item, int64_t order) {
  if (index->used == index->capacity) return;  // never: the capacity is reserved up front
  hvProtocolInfoMergeNode& node = index->nodes[index->used];
  node.key = KeyOf(static_cast<const hvProtocolInfo*>(item->value));
  node.item = item;
  node.order = order;
  size_t bucket = BucketOf(index, node.key);
  node.next = index->buckets[bucket];
  index->buckets[bucket] = ++index->used;
}

}  // namespace

void hvProtocolInfoMergeIndex_Init(hvProtocolInfoMergeIndex* index, const hvDList* records,
                                   size_t extra) {
  index->capacity = hvNumber_AddSizes(static_cast<size_t>(records->count), extra);
  index->used = 0;
  index->nodes = static_cast<hvProtocolInfoMergeNode*>(hvMemory_Malloc(hvNumber_MultiplySizes(
      index->capacity > 0 ? index->capacity : 1, sizeof(hvProtocolInfoMergeNode))));
  index->bucketCount = 16;
  while (index->bucketCount < index->capacity)
    index->bucketCount = hvNumber_MultiplySizes(index->bucketCount, 2);
  index->buckets = static_cast<size_t*>(
      hvMemory_Calloc(hvNumber_MultiplySizes(index->bucketCount, sizeof(size_t))));
  index->first = 0;
  index->last = -1;
  for (hvDListItem* item = records->head; item; item = item->next) File(index, item, ++index->last);
}

void hvProtocolInfoMergeIndex_Release(hvProtocolInfoMergeIndex* index) {
  hvMemory_Free(index->nodes);
  hvMemory_Free(index->buckets);
  index->nodes = nullptr;
  index->buckets = nullptr;
}

hvDListItem* hvProtocolInfoMergeIndex_Find(const hvProtocolInfoMergeIndex* index,
                                           const hvProtocolInfo* record) {
  uint64_t key = KeyOf(record);
  const hvProtocolInfoMergeNode* best = nullptr;
  for (size_t next = index->buckets[BucketOf(index, key)]; next != 0;) {
    const hvProtocolInfoMergeNode& node = index->nodes[next - 1];
    next = node.next;
    if (node.key != key || (best && best->order < node.order)) continue;
    if (hvProtocolInfo_Equals(static_cast<const hvProtocolInfo*>(node.item->value), record))
      best = &node;
  }
  return best ? best->item : nullptr;
}

void hvProtocolInfoMergeIndex_Add(hvProtocolInfoMergeIndex* index, hvDListItem* item, bool atHead) {
  File(index, item, atHead ? --index->first : ++index->last);
}
