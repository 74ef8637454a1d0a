#include "dlna/hvProtocolInfoMergeIndex.h"

#include <algorithm>
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "support/hvNumber.h"

// One MIME parameter as matching sees it: the name and the value lower-cased (ASCII), a
// name-only parameter apart from one with an empty value. `text` is the name, a NUL, then
// '=' and the value, or nothing more for a name-only parameter; names hold no NUL.
struct hvProtocolInfoMergeElement {
  uint64_t hash;
  char* text;
  size_t length;
};

// What a record is filed and looked up by.
struct hvProtocolInfoMergeKey {
  uint64_t groupHash;
  char* type;                            // the MIME type lower-cased, owned
  hvProtocolInfoMergeElement* elements;  // sorted, no two equal, owned
  size_t elementCount;
  uint64_t setHash;  // the sum of the elements' hashes, so a subset's is the sum of its own
};

struct hvProtocolInfoMergeSet {
  hvProtocolInfoMergeKey key;
  size_t group;       // index of its group
  hvDListItem* item;  // the earliest record with this content and parameter set
  int64_t order;
  size_t nextInBucket;  // 0 or 1 + the index of the next set of the bucket
  size_t nextInGroup;   // 0 or 1 + the index of the next set of the group
};

struct hvProtocolInfoMergeGroup {
  const hvProtocolInfo* representative;  // a filed record: its profile and protocol
  const char* type;                      // borrowed from the group's first set
  uint64_t hash;
  size_t setCount;
  size_t firstSet;      // 0 or 1 + the index of the group's newest set
  size_t nextInBucket;  // 0 or 1 + the index of the next group of the bucket
};

namespace {

// Above this many parameters a lookup checks the content's sets instead of trying subsets.
constexpr size_t kMaxSubsetBits = 16;

uint64_t Mix(uint64_t hash, const void* bytes, size_t length) {
  const unsigned char* b = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < length; ++i) {
    hash ^= b[i];
    hash *= 1099511628211ull;  // FNV-1a
  }
  return hash;
}

uint64_t MixText(uint64_t hash, const char* text) {
  // A marker byte keeps a null text apart from an empty one.
  unsigned char present = text ? 1 : 0;
  hash = Mix(hash, &present, 1);
  return text ? Mix(hash, text, strlen(text) + 1) : hash;
}

// Spreads the bits, so that sums of element hashes do not collide for nearby texts.
uint64_t Finish(uint64_t hash) {
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdull;
  hash ^= hash >> 33;
  hash *= 0xc4ceb9fe1a85ec53ull;
  return hash ^ (hash >> 33);
}

char* LowerCopy(const char* text) {
  char* copy = hvMemory_Strdup(text ? text : "");
  hvAscii_LowerInPlace(copy, strlen(copy));
  return copy;
}

bool ElementLess(const hvProtocolInfoMergeElement& a, const hvProtocolInfoMergeElement& b) {
  int order = memcmp(a.text, b.text, a.length < b.length ? a.length : b.length);
  return order != 0 ? order < 0 : a.length < b.length;
}

bool ElementEqual(const hvProtocolInfoMergeElement& a, const hvProtocolInfoMergeElement& b) {
  return a.length == b.length && memcmp(a.text, b.text, a.length) == 0;
}

hvProtocolInfoMergeElement MakeElement(const char* name, const char* value) {
  size_t nameLength = strlen(name);
  size_t valueLength = value ? strlen(value) : 0;
  hvProtocolInfoMergeElement element;
  element.length = hvNumber_AddSizes(nameLength + 1, value ? valueLength + 1 : 0);
  element.text = static_cast<char*>(hvMemory_Malloc(element.length));
  memcpy(element.text, name, nameLength + 1);
  if (value) {
    element.text[nameLength + 1] = '=';
    memcpy(element.text + nameLength + 2, value, valueLength);
  }
  hvAscii_LowerInPlace(element.text, element.length);
  element.hash = Finish(Mix(14695981039346656037ull, element.text, element.length));
  return element;
}

// Everything hvProtocolInfo_Equals looks at, as the MIME matching reads the content format.
void DescribeRecord(const hvProtocolInfo* record, hvProtocolInfoMergeKey* key) {
  hvMimeType* mime = hvMimeType_Parse(record->contentFormat);
  key->type = LowerCopy(hvMimeType_GetType(mime));
  uint64_t hash = MixText(14695981039346656037ull, record->profile);
  int32_t kind = record->kind;
  hash = Mix(hash, &kind, sizeof(kind));
  hash = Mix(hash, &record->playSingle, sizeof(record->playSingle));
  if (record->kind == khvProtocol_Other) hash = MixText(hash, record->protocolName);
  key->groupHash = Finish(MixText(hash, key->type));

  size_t count = hvMimeType_GetParameterCount(mime);
  key->elements = static_cast<hvProtocolInfoMergeElement*>(hvMemory_Malloc(
      hvNumber_MultiplySizes(count > 0 ? count : 1, sizeof(hvProtocolInfoMergeElement))));
  for (size_t i = 0; i < count; ++i) {
    key->elements[i] =
        MakeElement(hvMimeType_GetParameterName(mime, i), hvMimeType_GetParameterValue(mime, i));
  }
  hvMimeType_Free(mime);
  // A parameter given twice counts once: matching only asks whether each one is present.
  std::sort(key->elements, key->elements + count, ElementLess);
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (kept > 0 && ElementEqual(key->elements[kept - 1], key->elements[i])) {
      hvMemory_Free(key->elements[i].text);
    } else {
      key->elements[kept++] = key->elements[i];
    }
  }
  key->elementCount = kept;
  key->setHash = 0;
  for (size_t i = 0; i < kept; ++i) key->setHash += key->elements[i].hash;
}

void ReleaseKey(hvProtocolInfoMergeKey* key) {
  for (size_t i = 0; i < key->elementCount; ++i) hvMemory_Free(key->elements[i].text);
  hvMemory_Free(key->elements);
  hvMemory_Free(key->type);
}

bool SameText(const char* a, const char* b) { return a == b || (a && b && strcmp(a, b) == 0); }

// The fields of hvProtocolInfo_Equals other than the content format, and the MIME type.
bool SameContent(const hvProtocolInfoMergeGroup& group, const hvProtocolInfo* record,
                 const hvProtocolInfoMergeKey& key) {
  const hvProtocolInfo* filed = group.representative;
  return group.hash == key.groupHash && filed->kind == record->kind &&
         filed->playSingle == record->playSingle && SameText(filed->profile, record->profile) &&
         (record->kind != khvProtocol_Other ||
          SameText(filed->protocolName, record->protocolName)) &&
         strcmp(group.type, key.type) == 0;
}

// Every parameter of `set` is among `wanted`'s (both sorted).
bool IsSubset(const hvProtocolInfoMergeKey& set, const hvProtocolInfoMergeKey& wanted) {
  hvProtocolInfo_CountComparison();
  if (set.elementCount > wanted.elementCount) return false;
  size_t w = 0;
  for (size_t s = 0; s < set.elementCount; ++s) {
    while (w < wanted.elementCount && ElementLess(wanted.elements[w], set.elements[s])) ++w;
    if (w == wanted.elementCount || !ElementEqual(wanted.elements[w], set.elements[s]))
      return false;
    ++w;
  }
  return true;
}

size_t SetBucket(const hvProtocolInfoMergeIndex* index, uint64_t groupHash, uint64_t setHash) {
  return static_cast<size_t>(Finish(groupHash ^ setHash)) & index->bucketMask;
}

size_t GroupBucket(const hvProtocolInfoMergeIndex* index, uint64_t groupHash) {
  return static_cast<size_t>(groupHash) & index->bucketMask;
}

// 1 + the index of the group of `record`, or 0.
size_t FindGroup(const hvProtocolInfoMergeIndex* index, const hvProtocolInfo* record,
                 const hvProtocolInfoMergeKey& key) {
  for (size_t next = index->groupBuckets[GroupBucket(index, key.groupHash)]; next != 0;) {
    const hvProtocolInfoMergeGroup& group = index->groups[next - 1];
    if (SameContent(group, record, key)) return next;
    next = group.nextInBucket;
  }
  return 0;
}

// Keeps the earlier of `best` and `candidate`.
void TakeEarlier(const hvProtocolInfoMergeSet** best, const hvProtocolInfoMergeSet& candidate) {
  if (!*best || candidate.order < (*best)->order) *best = &candidate;
}

// The sets of the group whose parameters are all among `wanted`'s, tried by the subset sums
// of `wanted` in Gray-code order: each step adds or removes one parameter's hash.
const hvProtocolInfoMergeSet* FindBySubsets(const hvProtocolInfoMergeIndex* index, size_t group,
                                            const hvProtocolInfoMergeKey& wanted) {
  const hvProtocolInfoMergeSet* best = nullptr;
  uint64_t sum = 0;
  size_t subsets = static_cast<size_t>(1) << wanted.elementCount;
  for (size_t i = 0; i < subsets; ++i) {
    if (i > 0) {
      size_t bit = 0;
      while (((i >> bit) & 1) == 0) ++bit;
      bool added = (((i ^ (i >> 1)) >> bit) & 1) != 0;
      sum = added ? sum + wanted.elements[bit].hash : sum - wanted.elements[bit].hash;
    }
    for (size_t next = index->setBuckets[SetBucket(index, wanted.groupHash, sum)]; next != 0;) {
      const hvProtocolInfoMergeSet& set = index->sets[next - 1];
      next = set.nextInBucket;
      if (set.group == group && set.key.setHash == sum && IsSubset(set.key, wanted))
        TakeEarlier(&best, set);
    }
  }
  return best;
}

const hvProtocolInfoMergeSet* FindByScan(const hvProtocolInfoMergeIndex* index, size_t group,
                                         const hvProtocolInfoMergeKey& wanted) {
  const hvProtocolInfoMergeSet* best = nullptr;
  for (size_t next = index->groups[group].firstSet; next != 0;) {
    const hvProtocolInfoMergeSet& set = index->sets[next - 1];
    next = set.nextInGroup;
    if (IsSubset(set.key, wanted)) TakeEarlier(&best, set);
  }
  return best;
}

void File(hvProtocolInfoMergeIndex* index, hvDListItem* item, int64_t order) {
  if (index->setCount == index->capacity) return;  // never: the capacity is reserved up front
  const hvProtocolInfo* record = static_cast<const hvProtocolInfo*>(item->value);
  hvProtocolInfoMergeKey key;
  DescribeRecord(record, &key);
  size_t group = FindGroup(index, record, key);
  if (group == 0) {
    hvProtocolInfoMergeGroup& created = index->groups[index->groupCount];
    created.representative = record;
    created.type = nullptr;
    created.hash = key.groupHash;
    created.setCount = 0;
    created.firstSet = 0;
    size_t bucket = GroupBucket(index, key.groupHash);
    created.nextInBucket = index->groupBuckets[bucket];
    group = index->groupBuckets[bucket] = ++index->groupCount;
  }
  // A record whose parameter set is already filed is never the first match: the filed one is
  // matched by the same records, and the earlier of the two is kept.
  size_t bucket = SetBucket(index, key.groupHash, key.setHash);
  for (size_t next = index->setBuckets[bucket]; next != 0;) {
    hvProtocolInfoMergeSet& set = index->sets[next - 1];
    next = set.nextInBucket;
    if (set.group == group - 1 && set.key.setHash == key.setHash &&
        set.key.elementCount == key.elementCount && IsSubset(set.key, key)) {
      if (order < set.order) {
        set.item = item;
        set.order = order;
      }
      ReleaseKey(&key);
      return;
    }
  }
  hvProtocolInfoMergeSet& set = index->sets[index->setCount];
  set.key = key;
  set.group = group - 1;
  set.item = item;
  set.order = order;
  set.nextInBucket = index->setBuckets[bucket];
  index->setBuckets[bucket] = ++index->setCount;
  hvProtocolInfoMergeGroup& owner = index->groups[group - 1];
  if (!owner.type) owner.type = set.key.type;
  set.nextInGroup = owner.firstSet;
  owner.firstSet = index->setCount;
  ++owner.setCount;
}

}  // namespace

void hvProtocolInfoMergeIndex_Init(hvProtocolInfoMergeIndex* index, const hvDList* records,
                                   size_t extra) {
  size_t capacity = hvNumber_AddSizes(static_cast<size_t>(records->count), extra);
  if (capacity == 0) capacity = 1;
  index->capacity = capacity;
  index->setCount = 0;
  index->groupCount = 0;
  index->sets = static_cast<hvProtocolInfoMergeSet*>(
      hvMemory_Malloc(hvNumber_MultiplySizes(capacity, sizeof(hvProtocolInfoMergeSet))));
  index->groups = static_cast<hvProtocolInfoMergeGroup*>(
      hvMemory_Malloc(hvNumber_MultiplySizes(capacity, sizeof(hvProtocolInfoMergeGroup))));
  size_t bucketCount = 16;
  while (bucketCount < capacity) bucketCount = hvNumber_MultiplySizes(bucketCount, 2);
  index->bucketMask = bucketCount - 1;
  index->setBuckets =
      static_cast<size_t*>(hvMemory_Calloc(hvNumber_MultiplySizes(bucketCount, sizeof(size_t))));
  index->groupBuckets =
      static_cast<size_t*>(hvMemory_Calloc(hvNumber_MultiplySizes(bucketCount, sizeof(size_t))));
  index->first = 0;
  index->last = -1;
  for (hvDListItem* item = records->head; item; item = item->next) File(index, item, ++index->last);
}

void hvProtocolInfoMergeIndex_Release(hvProtocolInfoMergeIndex* index) {
  for (size_t i = 0; i < index->setCount; ++i) ReleaseKey(&index->sets[i].key);
  hvMemory_Free(index->sets);
  hvMemory_Free(index->groups);
  hvMemory_Free(index->setBuckets);
  hvMemory_Free(index->groupBuckets);
  index->sets = nullptr;
  index->groups = nullptr;
  index->setBuckets = nullptr;
  index->groupBuckets = nullptr;
}

hvDListItem* hvProtocolInfoMergeIndex_Find(const hvProtocolInfoMergeIndex* index,
                                           const hvProtocolInfo* record) {
  hvProtocolInfoMergeKey key;
  DescribeRecord(record, &key);
  const hvProtocolInfoMergeSet* best = nullptr;
  size_t group = FindGroup(index, record, key);
  if (group != 0) {
    // Whichever costs fewer checks: 2^k subset sums, or every parameter set of the content.
    size_t setCount = index->groups[group - 1].setCount;
    bool bySubsets = key.elementCount < kMaxSubsetBits &&
                     (static_cast<size_t>(1) << key.elementCount) <= setCount;
    best = bySubsets ? FindBySubsets(index, group - 1, key) : FindByScan(index, group - 1, key);
  }
  ReleaseKey(&key);
  return best ? best->item : nullptr;
}

void hvProtocolInfoMergeIndex_Add(hvProtocolInfoMergeIndex* index, hvDListItem* item, bool atHead) {
  File(index, item, atHead ? --index->first : ++index->last);
}
