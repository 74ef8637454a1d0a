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

}  // namespace

void hvTextSplit_Split(hvTextSplit* split, const char* text, size_t length, const char* separator,
                       size_t separatorLength, int escape) {
  // Two passes, count then cut, so the piece array is allocated once at its final size.
  size_t separators = 0;
  if (separatorLength > 0) {
    for (size_t at = 0; at < length;) {
      if (SeparatorAt(text, length, at, separator, separatorLength, escape)) {
        ++separators;
        at += separatorLength;
      } else {
        ++at;
      }
    }
  }
  split->count = hvNumber_AddSizes(separators, 1);
  split->pieces = static_cast<hvTextPiece*>(
      hvMemory_Malloc(hvNumber_MultiplySizes(split->count, sizeof(hvTextPiece))));
  size_t piece = 0;
  size_t pieceStart = 0;
  if (separatorLength > 0) {
    for (size_t at = 0; at < length;) {
      if (SeparatorAt(text, length, at, separator, separatorLength, escape)) {
        split->pieces[piece].text = text + pieceStart;
        split->pieces[piece].length = at - pieceStart;
        ++piece;
        at += separatorLength;
        pieceStart = at;
      } else {
        ++at;
      }
    }
  }
  split->pieces[piece].text = text + pieceStart;
  split->pieces[piece].length = length - pieceStart;
}

void hvTextSplit_SplitAt(hvTextSplit* split, const char* text, size_t length, char separator) {
  hvTextSplit_Split(split, text, length, &separator, 1, khvTextSplit_NoEscape);
}

void hvTextSplit_Release(hvTextSplit* split) {
  hvMemory_Free(split->pieces);
  split->pieces = nullptr;
  split->count = 0;
}
