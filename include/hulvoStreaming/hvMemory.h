// Guarded allocation and the fatal-error reporter. The guarded functions never return null
// for a request: a failed allocation ends the process through hvFatalError. Memory they
// return comes from the runtime heap and is released with hvMemory_Free (or free).
// All functions may be called from any thread.
#ifndef HULVOSTREAMING_HVMEMORY_H
#define HULVOSTREAMING_HVMEMORY_H

#include <cstddef>

#include "hv/hvPlatform.h"

// The process-wide fatal-error callback receives the reason text ("memory:malloc", "assert",
// ...). It is registered in the environment variable below, as the callback's address in text
// ("0x" and 16 lower-case hexadecimal digits), so that every module of the process that reads
// the variable finds the same callback. A text that is not a number, or longer than 39
// characters, means no callback.
typedef void (*hvFatalErrorCallback)(const char* reason);
#define HV_FATAL_ERROR_CALLBACK_VARIABLE "HULVOSTREAMING_FATAL_ERROR_CALLBACK"

// Writes the reason to standard output and to the log, calls the registered callback and
// ends the process with exit code -1, without running exit handlers. Memory reasons take the
// requested size (size_t) as the one further argument, "assert" a text. May run on any
// thread; other threads are not stopped first.
[[noreturn]] HV_EXPORT void hvFatalError(const char* reason, ...);
// Null unregisters. A store the system refuses is logged and leaves no callback.
HV_EXPORT void hvFatalError_SetCallback(hvFatalErrorCallback callback);

// A request whose byte count does not fit in a size_t (a length plus its terminator, twice a
// wide length) is a failed allocation, never a smaller block.

HV_EXPORT void* hvMemory_Malloc(size_t size);
HV_EXPORT void* hvMemory_Calloc(size_t size);
// A null block with size 0 gives null and allocates nothing; size 0 otherwise releases
// the block as the runtime does.
HV_EXPORT void* hvMemory_Realloc(void* block, size_t size);
HV_EXPORT void hvMemory_Free(void* block);

// The string functions give null for a null text.
HV_EXPORT char* hvMemory_Strdup(const char* text);
HV_EXPORT char* hvMemory_StrdupUpper(const char* text);
// Copies exactly `length` bytes (embedded NULs included) and appends a NUL.
HV_EXPORT char* hvMemory_Strndup(const char* text, size_t length);
// Wide texts are 16-bit units on every system: wchar_t on Windows, char16_t elsewhere
// (hvWideChar).
HV_EXPORT hvWideChar* hvMemory_Wcsdup(const hvWideChar* text);
HV_EXPORT hvWideChar* hvMemory_Wcsndup(const hvWideChar* text, size_t length);
// Slot helpers: *slot is an owned text (or null) that is replaced, extended or cut.
HV_EXPORT char* hvMemory_StrReplace(char** slot, const char* text);
HV_EXPORT char* hvMemory_StrAppend(char** slot, const char* text);
HV_EXPORT char* hvMemory_StrAssignN(char** slot, const char* text, size_t length);

#endif
