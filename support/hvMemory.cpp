// Guarded allocation: every request either succeeds or ends the process through
// hvFatalError, so callers never check for null. Size sums are checked before they are
// made: a request that cannot be expressed in a size_t is an allocation failure, never a
// smaller block.
#include "hulvoStreaming/hvMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/hvAscii.h"

namespace {

// a + b, or SIZE_MAX when the sum does not fit. SIZE_MAX is never a size malloc can serve,
// so the saturated value reads as "impossible request" in the fatal report.
size_t AddSizes(size_t a, size_t b) { return a > SIZE_MAX - b ? SIZE_MAX : a + b; }

// Allocates `size` bytes reported under `reason` when the runtime cannot serve them.
void* AllocateOrDie(size_t size, const char* reason) {
  if (size == SIZE_MAX) hvFatalError(reason, size);
  void* block = malloc(size);
  if (!block) hvFatalError(reason, size);
  return block;
}

size_t WideLength(const hvWideChar* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

}  // namespace

void* hvMemory_Malloc(size_t size) { return AllocateOrDie(size, "memory:malloc"); }

void* hvMemory_Calloc(size_t size) {
  void* block = hvMemory_Malloc(size);
  memset(block, 0, size);
  return block;
}

void* hvMemory_Realloc(void* block, size_t size) {
  if (size == 0) {
    // realloc(block, 0) differs between runtimes (and C23 leaves it undefined); the
    // contract is the common one: the block is released and the result is null.
    free(block);
    return nullptr;
  }
  void* grown = realloc(block, size);
  if (!grown) hvFatalError("memory:realloc", size);
  return grown;
}

void hvMemory_Free(void* block) { free(block); }

char* hvMemory_Strdup(const char* text) {
  if (!text) return nullptr;
  const size_t length = strlen(text);
  // A failure reports the length without the terminator.
  char* copy = static_cast<char*>(malloc(AddSizes(length, 1)));
  if (!copy) hvFatalError("memory:strdup", length);
  memcpy(copy, text, length + 1);
  return copy;
}

char* hvMemory_StrdupUpper(const char* text) {
  char* copy = hvMemory_Strdup(text);
  if (!copy) return nullptr;
  // ASCII only: the C library's toupper follows the process locale.
  for (char* c = copy; *c; ++c) *c = hvAscii_ToUpper(*c);
  return copy;
}

char* hvMemory_Strndup(const char* text, size_t length) {
  if (!text) return nullptr;
  char* copy = static_cast<char*>(AllocateOrDie(AddSizes(length, 1), "memory:malloc"));
  memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

hvWideChar* hvMemory_Wcsdup(const hvWideChar* text) {
  if (!text) return nullptr;
  return hvMemory_Wcsndup(text, WideLength(text));
}

hvWideChar* hvMemory_Wcsndup(const hvWideChar* text, size_t length) {
  if (!text) return nullptr;
  const size_t size = length > (SIZE_MAX - sizeof(hvWideChar)) / sizeof(hvWideChar)
                          ? SIZE_MAX
                          : (length + 1) * sizeof(hvWideChar);
  hvWideChar* copy = static_cast<hvWideChar*>(AllocateOrDie(size, "memory:malloc"));
  memcpy(copy, text, length * sizeof(hvWideChar));
  copy[length] = 0;
  return copy;
}

char* hvMemory_StrReplace(char** slot, const char* text) {
  // Copy before releasing: `text` may point into the old slot text.
  char* copy = hvMemory_Strdup(text);
  free(*slot);
  *slot = copy;
  return copy;
}

char* hvMemory_StrAppend(char** slot, const char* text) {
  if (!*slot) {
    *slot = hvMemory_Strdup(text);
    return *slot;
  }
  const size_t head = strlen(*slot);
  const size_t tail = text ? strlen(text) : 0;
  char* joined =
      static_cast<char*>(AllocateOrDie(AddSizes(AddSizes(head, tail), 1), "memory:malloc"));
  memcpy(joined, *slot, head);
  if (tail) memcpy(joined + head, text, tail);
  joined[head + tail] = '\0';
  free(*slot);
  *slot = joined;
  return joined;
}

char* hvMemory_StrAssignN(char** slot, const char* text, size_t length) {
  // Copy before releasing, as in hvMemory_StrReplace.
  char* copy = text ? hvMemory_Strndup(text, length) : nullptr;
  free(*slot);
  *slot = copy;
  return copy;
}
