// hvStringBuilder: a growing byte buffer that assembles a text and hands it over. An append
// that would fill the buffer grows it to twice the needed length, so one byte always stays
// free for the terminator that Detach writes. A builder is made on the heap (Create, Detach)
// or in the caller's own storage (Init, Finish). One thread at a time.
#ifndef HV_SUPPORT_HVSTRINGBUILDER_H
#define HV_SUPPORT_HVSTRINGBUILDER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

struct hvStringBuilder {
  char* data;       // null until the first byte is needed
  size_t length;    // bytes written
  size_t capacity;  // allocated bytes; length < capacity once data is set
};

// The buffer is allocated at `initialCapacity` bytes (none when 0).
hvStringBuilder* hvStringBuilder_Create(size_t initialCapacity);
// Discards the text and the builder. Null is accepted.
void hvStringBuilder_Free(hvStringBuilder* builder);
// The same for a builder in the caller's storage: Init, appends, then Finish, which hands the
// text over as Detach does and leaves the builder empty.
void hvStringBuilder_Init(hvStringBuilder* builder, size_t initialCapacity);
char* hvStringBuilder_Finish(hvStringBuilder* builder, int shrink, size_t* length);

// Grows the buffer, then appends; the appends below come here only when the bytes do not fit.
void hvStringBuilder_AppendBytesGrowing(hvStringBuilder* builder, const void* bytes, size_t length);

// The common case, bytes that fit, stays inline: texts are assembled from many short pieces.
inline void hvStringBuilder_AppendBytes(hvStringBuilder* builder, const void* bytes,
                                        size_t length) {
  if (builder->data && length < builder->capacity - builder->length) {
    memcpy(builder->data + builder->length, bytes, length);
    builder->length += length;
  } else if (length > 0) {
    hvStringBuilder_AppendBytesGrowing(builder, bytes, length);
  }
}

// A null text appends nothing.
inline void hvStringBuilder_AppendText(hvStringBuilder* builder, const char* text) {
  if (text) hvStringBuilder_AppendBytes(builder, text, strlen(text));
}

inline void hvStringBuilder_AppendChar(hvStringBuilder* builder, char c) {
  hvStringBuilder_AppendBytes(builder, &c, 1);
}
// Decimal without leading zeros, as "%lu" writes it.
void hvStringBuilder_AppendDecimal(hvStringBuilder* builder, uint32_t value);
// Eight upper-case hexadecimal digits, as "%08lX" writes it.
void hvStringBuilder_AppendHex8(hvStringBuilder* builder, uint32_t value);
// Removes the last `count` bytes (all of them when fewer are written).
void hvStringBuilder_Truncate(hvStringBuilder* builder, size_t count);

// Terminates the text with a NUL byte (not counted in *length), optionally shrinks the
// allocation to fit, releases the builder and returns the text for the caller to free with
// hvMemory_Free. Never null: an empty builder gives "". `length` may be null.
char* hvStringBuilder_Detach(hvStringBuilder* builder, int shrink, size_t* length);

#endif
