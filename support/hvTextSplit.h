// hvTextSplit: cuts a byte range at every occurrence of a separator text. The pieces point
// into the input (nothing is copied), so they live only as long as the input. Empty pieces
// are kept: n separators give n + 1 pieces. hvTextCursor hands the same pieces out one at a
// time without allocating; hvTextSplit collects them in an owned array. One thread at a time.
#ifndef HV_SUPPORT_HVTEXTSPLIT_H
#define HV_SUPPORT_HVTEXTSPLIT_H

#include <cstddef>
#include <cstring>

struct hvTextPiece {
  const char* text;  // into the split input; not NUL-terminated
  size_t length;
};

// No escape character.
constexpr int khvTextSplit_NoEscape = -1;

// Position in a byte range being cut into pieces.
struct hvTextCursor {
  const char* begin;  // the whole range, for the escape check at a piece's first byte
  const char* next;   // where the next piece starts
  const char* end;
  bool done;  // the last piece (the one after the last separator) has been handed out
};

inline void hvTextCursor_Init(hvTextCursor* cursor, const char* text, size_t length) {
  cursor->begin = text;
  cursor->next = text;
  cursor->end = text + length;
  cursor->done = false;
}

// The next piece up to a one-byte separator; false once every piece has been handed out
// (there is always at least one, possibly empty).
inline bool hvTextCursor_Next(hvTextCursor* cursor, char separator, hvTextPiece* piece) {
  if (cursor->done) return false;
  size_t rest = static_cast<size_t>(cursor->end - cursor->next);
  const char* found =
      rest > 0 ? static_cast<const char*>(memchr(cursor->next, separator, rest)) : nullptr;
  piece->text = cursor->next;
  if (found) {
    piece->length = static_cast<size_t>(found - cursor->next);
    cursor->next = found + 1;
  } else {
    piece->length = rest;
    cursor->done = true;
  }
  return true;
}

// The same with a separator text and an escape character (0 to 255, or khvTextSplit_NoEscape):
// a separator directly after the escape does not count and the escape stays in the piece. An
// empty separator gives the whole range as one piece.
bool hvTextCursor_NextEscaped(hvTextCursor* cursor, const char* separator, size_t separatorLength,
                              int escape, hvTextPiece* piece);

struct hvTextSplit {
  hvTextPiece* pieces;  // `count` entries, owned; count >= 1 after a split
  size_t count;
};

// Splits `length` bytes of `text` at `separator` as hvTextCursor_NextEscaped cuts them. `text`
// may be null only with length 0. Release the result with hvTextSplit_Release.
void hvTextSplit_Split(hvTextSplit* split, const char* text, size_t length, const char* separator,
                       size_t separatorLength, int escape);
// Same with a one-byte separator.
void hvTextSplit_SplitAt(hvTextSplit* split, const char* text, size_t length, char separator);
void hvTextSplit_Release(hvTextSplit* split);

#endif
