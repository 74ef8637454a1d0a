#include "support/hvTextSplit.h"

#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"

namespace {

bool SeparatorAt(const hvTextCursor* cursor, const char* at, const char* separator,
                 size_t separatorLength, int escape) {
  if (static_cast<size_t>(cursor->end - at) < separatorLength) return false;
  if (memcmp(at, separator, separatorLength) != 0) return false;
  return escape == khvTextSplit_NoEscape || at == cursor->begin ||
         static_cast<unsigned char>(at[-1]) != static_cast<unsigned>(escape);
}

// Appends a piece, doubling the array when it is full.
void AddPiece(hvTextSplit* split, size_t* capacity, const hvTextPiece& piece) {
  if (split->count == *capacity) {
    *capacity = hvNumber_MultiplySizes(*capacity, 2);
    split->pieces = static_cast<hvTextPiece*>(
        hvMemory_Realloc(split->pieces, hvNumber_MultiplySizes(*capacity, sizeof(hvTextPiece))));
  }
  split->pieces[split->count++] = piece;
}

}  // namespace

bool hvTextCursor_NextEscaped(hvTextCursor* cursor, const char* separator, size_t separatorLength,
                              int escape, hvTextPiece* piece) {
  if (cursor->done) return false;
  const char* start = cursor->next;
  piece->text = start;
  if (separatorLength > 0) {
    // memchr jumps to the next possible start of a separator, so the bytes in between are
    // not compared one by one.
    for (const char* at = start; at < cursor->end; ++at) {
      at =
          static_cast<const char*>(memchr(at, separator[0], static_cast<size_t>(cursor->end - at)));
      if (!at) break;
      if (SeparatorAt(cursor, at, separator, separatorLength, escape)) {
        piece->length = static_cast<size_t>(at - start);
        cursor->next = at + separatorLength;
        return true;
      }
    }
  }
  piece->length = static_cast<size_t>(cursor->end - start);
  cursor->done = true;
  return true;
}

void hvTextSplit_Split(hvTextSplit* split, const char* text, size_t length, const char* separator,
                       size_t separatorLength, int escape) {
  size_t capacity = 8;
  split->pieces = static_cast<hvTextPiece*>(
      hvMemory_Malloc(hvNumber_MultiplySizes(capacity, sizeof(hvTextPiece))));
  split->count = 0;
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, text, length);
  hvTextPiece piece;
  while (hvTextCursor_NextEscaped(&cursor, separator, separatorLength, escape, &piece))
    AddPiece(split, &capacity, piece);
}

void hvTextSplit_SplitAt(hvTextSplit* split, const char* text, size_t length, char separator) {
  hvTextSplit_Split(split, text, length, &separator, 1, khvTextSplit_NoEscape);
}

void hvTextSplit_Release(hvTextSplit* split) {
  hvMemory_Free(split->pieces);
  split->pieces = nullptr;
  split->count = 0;
}
