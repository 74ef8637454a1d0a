#include "hulvoStreaming/hvBulkMemory.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<hvBulkMemoryHook> g_hook{nullptr};
std::atomic<void*> g_hookUserData{nullptr};

bool Allowed(size_t size) {
  hvBulkMemoryHook hook = g_hook.load(std::memory_order_acquire);
  return !hook || hook(size, g_hookUserData.load(std::memory_order_acquire));
}
}  // namespace

void hvBulkMemory_SetHook(hvBulkMemoryHook hook, void* userData) {
  g_hookUserData.store(userData, std::memory_order_release);
  g_hook.store(hook, std::memory_order_release);
}

void* hvBulkMemory_Malloc(size_t size) { return Allowed(size) ? malloc(size) : nullptr; }

void* hvBulkMemory_Realloc(void* block, size_t size) {
  return Allowed(size) ? realloc(block, size) : nullptr;
}

void hvBulkMemory_Free(void* block) { free(block); }
