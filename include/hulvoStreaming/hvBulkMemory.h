// The plain allocator behind bulk storage (memory-stream blocks, ring-buffer blocks). Unlike
// the guarded functions of hvMemory.h it may fail: its callers turn a failure into an
// invalid object or a logged error. A hook lets an application or a test watch every request
// and make chosen ones fail. Any thread.
#ifndef HULVOSTREAMING_HVBULKMEMORY_H
#define HULVOSTREAMING_HVBULKMEMORY_H

#include <cstddef>

#include "hv/hvPlatform.h"

// Called before each allocation or growth with the requested size; returning false makes the
// request fail as if the heap were exhausted.
typedef bool (*hvBulkMemoryHook)(size_t size, void* userData);

// Installs the hook (null removes it). Not meant to change while other threads allocate.
HV_EXPORT void hvBulkMemory_SetHook(hvBulkMemoryHook hook, void* userData);
HV_EXPORT void* hvBulkMemory_Malloc(size_t size);
// On failure the block is left as it was and null is returned.
HV_EXPORT void* hvBulkMemory_Realloc(void* block, size_t size);
HV_EXPORT void hvBulkMemory_Free(void* block);

#endif
