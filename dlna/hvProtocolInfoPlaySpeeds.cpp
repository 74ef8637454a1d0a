// The DLNA.ORG_PS play-speed list of a record.
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"
#include "support/hvPtrVector.h"
#include "support/hvStringBuilder.h"
#include "support/hvTextSplit.h"

namespace {

void ReleasePlaySpeed(void* entry) {
  hvPlaySpeed* speed = static_cast<hvPlaySpeed*>(entry);
  hvMemory_Free(speed->text);
  hvMemory_Free(speed);
}

int CompareValues(double left, double right) { return left < right ? -1 : (left > right ? 1 : 0); }

// Equal values ("1" and "1.0") are ordered by their text, so the order does not depend on the
// unstable sort: a list written and read back comes out in the same order.
int ComparePlaySpeeds(const void* a, const void* b) {
  const hvPlaySpeed* left = static_cast<const hvPlaySpeed*>(a);
  const hvPlaySpeed* right = static_cast<const hvPlaySpeed*>(b);
  int byValue = CompareValues(left->value, right->value);
  return byValue != 0 ? byValue : strcmp(left->text, right->text);
}

hvPlaySpeed* NewPlaySpeed(const char* text, size_t length, double value) {
  hvPlaySpeed* speed = static_cast<hvPlaySpeed*>(hvMemory_Malloc(sizeof(hvPlaySpeed)));
  speed->text = hvMemory_Strndup(text, length);
  speed->value = value;
  return speed;
}

}  // namespace

hvPtrVector* hvProtocolInfo_CreatePlaySpeedList() {
  hvPtrVector* list = hvPtrVector_Create(ReleasePlaySpeed, ComparePlaySpeeds);
  hvPtrVector_SetSorted(list, 1);
  return list;
}

void hvProtocolInfo_InitPlaySpeedList(hvPtrVector* list) {
  hvPtrVector_InitInPlace(list, ReleasePlaySpeed, ComparePlaySpeeds);
  hvPtrVector_SetSorted(list, 1);
}

bool hvProtocolInfo_AddPlaySpeed(hvProtocolInfo* record, const char* text, size_t length) {
  double value = 0;
  if (!hvNumber_ReadRational(text, length, &value)) return false;
  if (!record->playSpeeds) record->playSpeeds = hvProtocolInfo_CreatePlaySpeedList();
  hvPtrVector_Insert(record->playSpeeds, NewPlaySpeed(text, length, value));
  return true;
}

void hvProtocolInfo_ReadPlaySpeeds(hvProtocolInfo* record, const char* value, size_t length) {
  if (length > 1 && value[0] == '"' && value[length - 1] == '"') {
    ++value;
    length -= 2;
  }
  // A list that travels inside a ','-separated list of protocolInfos escapes its commas.
  bool escaped = memchr(value, '\\', length) != nullptr;
  const char* separator = escaped ? "\\," : ",";
  size_t separatorLength = escaped ? 2 : 1;
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, value, length);
  if (!record->playSpeeds) record->playSpeeds = hvProtocolInfo_CreatePlaySpeedList();
  // Appending and sorting once gives the same order as an ordered insert per piece (equal
  // values aside), without a quadratic cost on a value with thousands of pieces.
  size_t added = 0;
  hvTextPiece piece;
  while (hvTextCursor_NextEscaped(&cursor, separator, separatorLength, khvTextSplit_NoEscape,
                                  &piece)) {
    double speed = 0;
    if (!hvNumber_ReadRational(piece.text, piece.length, &speed)) continue;
    hvPtrVector_Append(record->playSpeeds, NewPlaySpeed(piece.text, piece.length, speed));
    ++added;
  }
  if (added > 0) hvPtrVector_Sort(record->playSpeeds);
}

void hvProtocolInfo_ClearPlaySpeeds(hvProtocolInfo* record) {
  if (record->playSpeeds) hvPtrVector_RemoveAll(record->playSpeeds);
}

size_t hvProtocolInfo_GetPlaySpeedCount(const hvProtocolInfo* record) {
  return hvPtrVector_GetCount(record->playSpeeds);
}

const hvPlaySpeed* hvProtocolInfo_GetPlaySpeedAt(const hvProtocolInfo* record, size_t index) {
  return static_cast<const hvPlaySpeed*>(hvPtrVector_Get(record->playSpeeds, index));
}

bool hvProtocolInfo_HasPlaySpeedValue(const hvProtocolInfo* record, double value) {
  // The list is kept in ascending order of value.
  size_t low = 0;
  size_t high = hvPtrVector_GetCount(record->playSpeeds);
  while (low < high) {
    size_t middle = low + (high - low) / 2;
    int order = CompareValues(hvProtocolInfo_GetPlaySpeedAt(record, middle)->value, value);
    if (order == 0) return true;
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return false;
}

void hvProtocolInfo_AppendPlaySpeeds(const hvProtocolInfo* record, int escaped,
                                     hvStringBuilder* out) {
  size_t count = hvProtocolInfo_GetPlaySpeedCount(record);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) hvStringBuilder_AppendText(out, escaped ? "\\," : ",");
    hvStringBuilder_AppendText(out, hvProtocolInfo_GetPlaySpeedAt(record, i)->text);
  }
}

char* hvProtocolInfo_PlaySpeedsToString(const hvProtocolInfo* record, int escaped) {
  if (hvProtocolInfo_GetPlaySpeedCount(record) == 0) return nullptr;
  hvStringBuilder out;
  hvStringBuilder_Init(&out, 0);
  hvProtocolInfo_AppendPlaySpeeds(record, escaped, &out);
  return hvStringBuilder_Finish(&out, 1, nullptr);
}
