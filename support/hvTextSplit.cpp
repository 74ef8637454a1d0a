#include "support/hvTextSplit.h"

#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"

namespace {

bool SeparatorAt(const char* text, size_t length, size_t at, const char* separator,
                 size_t separatorLength, int escape) {
  if (length - at < separatorLength) return false;
  if (memcmp(text + at, separator, separatorLength) != 0) return false;
  return escape == khvTextSplit_NoEscape || at == 0 ||
         static_cast<unsigned char>(text[at - 1]) != static_cast<unsigned>(escape);
}

// Appends a piece, doubling the array when it is full.
void AddPiece(hvTextSplit* split, size_t* capacity, const char* text, size_t length) {
  if (split->count == *capacity) {
    *capacity = hvNumber_MultiplySizes(*capacity, 2);
    split->pieces = static_cast<hvTextPiece*>(
        hvMemory_Realloc(split->pieces, hvNumber_MultiplySizes(*capacity, sizeof(hvTextPiece))));
  }
  split->pieces[split->count].text = text;
  split->pieces[split->count].length = length;
  ++split->count;
}

}  // namespace

void hvTextSplit_Split(hvTextSplit* split, const char* text, size_t length, const char* separator,
                       size_t separatorLength, int escape) {
  size_t capacity = 8;
  split->pieces = static_cast<hvTextPiece*>(
      hvMemory_Malloc(hvNumber_MultiplySizes(capacity, sizeof(hvTextPiece))));
  split->count = 0;
  size_t pieceStart = 0;
  if (separatorLength > 0 && length > 0) {
    // One pass: memchr jumps to the next possible start of a separator, so the bytes in
    // between are not compared one by one.
    for (size_t at = 0; at < length;) {
      const void* found = memchr(text + at, separator[0], length - at);
      if (!found) break;
      at = static_cast<size_t>(static_cast<const char*>(found) - text);
      if (SeparatorAt(text, length, at, separator, separatorLength, escape)) {
        AddPiece(split, &capacity, text + pieceStart, at - pieceStart);
        at += separatorLength;
        pieceStart = at;
      } else {
        ++at;
      }
    }
  }
  AddPiece(split, &capacity, text + pieceStart, length - pieceStart);
}

void hvTextSplit_SplitAt(hvTextSplit* split, const char* text, size_t length, char separator) {
  hvTextSplit_Split(split, text, length, &separator, 1, khvTextSplit_NoEscape);
}

void hvTextSplit_Release(hvTextSplit* split) {
  hvMemory_Free(split->pieces);
  split->pieces = nullptr;
  split->count = 0;
}
