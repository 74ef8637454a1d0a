// hvStringBuilder: a growing byte buffer that assembles a text and hands it over. An append
// that would fill the buffer grows it to twice the needed length, so one byte always stays
// free for the terminator that Detach writes. One thread at a time.
#ifndef HV_SUPPORT_HVSTRINGBUILDER_H
#define HV_SUPPORT_HVSTRINGBUILDER_H

#include <cstddef>
#include <cstdint>

struct hvStringBuilder {
  char* data;       // null until the first byte is needed
  size_t length;    // bytes written
  size_t capacity;  // allocated bytes; length < capacity once data is set
};

// The buffer is allocated at `initialCapacity` bytes (none when 0).
hvStringBuilder* hvStringBuilder_Create(size_t initialCapacity);
// Discards the text and the builder. Null is accepted.
void hvStringBuilder_Free(hvStringBuilder* builder);

void hvStringBuilder_AppendBytes(hvStringBuilder* builder, const void* bytes, size_t length);
// A null text appends nothing.
void hvStringBuilder_AppendText(hvStringBuilder* builder, const char* text);
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
