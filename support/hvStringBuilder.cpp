#include "support/hvStringBuilder.h"

#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"

namespace {

// Makes room for `extra` more bytes plus the terminator.
void Grow(hvStringBuilder* builder, size_t extra) {
  size_t needed = hvNumber_AddSizes(builder->length, extra);
  if (builder->data && needed < builder->capacity) return;
  size_t capacity = hvNumber_MultiplySizes(needed, 2);
  if (capacity == 0) capacity = 1;
  builder->data = static_cast<char*>(hvMemory_Realloc(builder->data, capacity));
  builder->capacity = capacity;
}

}  // namespace

void hvStringBuilder_Init(hvStringBuilder* builder, size_t initialCapacity) {
  builder->data =
      initialCapacity > 0 ? static_cast<char*>(hvMemory_Malloc(initialCapacity)) : nullptr;
  builder->length = 0;
  builder->capacity = initialCapacity;
}

hvStringBuilder* hvStringBuilder_Create(size_t initialCapacity) {
  hvStringBuilder* builder =
      static_cast<hvStringBuilder*>(hvMemory_Malloc(sizeof(hvStringBuilder)));
  hvStringBuilder_Init(builder, initialCapacity);
  return builder;
}

void hvStringBuilder_Free(hvStringBuilder* builder) {
  if (!builder) return;
  hvMemory_Free(builder->data);
  hvMemory_Free(builder);
}

void hvStringBuilder_AppendBytesGrowing(hvStringBuilder* builder, const void* bytes,
                                        size_t length) {
  Grow(builder, length);
  memcpy(builder->data + builder->length, bytes, length);
  builder->length += length;
}

void hvStringBuilder_AppendDecimal(hvStringBuilder* builder, uint32_t value) {
  char digits[10];
  size_t count = 0;
  do {
    digits[sizeof(digits) - ++count] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  hvStringBuilder_AppendBytes(builder, digits + sizeof(digits) - count, count);
}

void hvStringBuilder_AppendHex8(hvStringBuilder* builder, uint32_t value) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  char digits[8];
  for (int i = 7; i >= 0; --i) {
    digits[i] = kHexDigits[value & 0xF];
    value >>= 4;
  }
  hvStringBuilder_AppendBytes(builder, digits, sizeof(digits));
}

void hvStringBuilder_Truncate(hvStringBuilder* builder, size_t count) {
  builder->length = count < builder->length ? builder->length - count : 0;
}

char* hvStringBuilder_Finish(hvStringBuilder* builder, int shrink, size_t* length) {
  Grow(builder, 0);
  char* text = builder->data;
  size_t written = builder->length;
  text[written] = '\0';
  if (shrink && written + 1 < builder->capacity) {
    text = static_cast<char*>(hvMemory_Realloc(text, written + 1));
  }
  builder->data = nullptr;
  builder->length = 0;
  builder->capacity = 0;
  if (length) *length = written;
  return text;
}

char* hvStringBuilder_Detach(hvStringBuilder* builder, int shrink, size_t* length) {
  char* text = hvStringBuilder_Finish(builder, shrink, length);
  hvMemory_Free(builder);
  return text;
}
