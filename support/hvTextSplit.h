// hvTextSplit: cuts a byte range at every occurrence of a separator text. The pieces point
// into the input (nothing is copied), so they live only as long as the input. Empty pieces
// are kept: n separators give n + 1 pieces. One split is used by one thread.
#ifndef HV_SUPPORT_HVTEXTSPLIT_H
#define HV_SUPPORT_HVTEXTSPLIT_H

#include <cstddef>

struct hvTextPiece {
  const char* text;  // into the split input; not NUL-terminated
  size_t length;
};

struct hvTextSplit {
  hvTextPiece* pieces;  // `count` entries, owned; count >= 1 after a split
  size_t count;
};

// No escape character.
constexpr int khvTextSplit_NoEscape = -1;

// Splits `length` bytes of `text` at `separator` (`separatorLength` bytes). With an escape
// character (0 to 255), a separator directly after it does not count and the escape stays
// in the piece. An empty separator gives the whole range as one piece. `text` may be null
// only with length 0. Release the result with hvTextSplit_Release.
void hvTextSplit_Split(hvTextSplit* split, const char* text, size_t length, const char* separator,
                       size_t separatorLength, int escape);
// Same with a one-byte separator.
void hvTextSplit_SplitAt(hvTextSplit* split, const char* text, size_t length, char separator);
void hvTextSplit_Release(hvTextSplit* split);

#endif
