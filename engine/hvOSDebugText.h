// Builds the 16-bit text that hvOSDebugOutput hands to the debugger. Kept apart from the
// kernel calls so that it can be checked on its own.
#ifndef HULVOSTREAMING_ENGINE_HVOSDEBUGTEXT_H
#define HULVOSTREAMING_ENGINE_HVOSDEBUGTEXT_H

#include <cstddef>

// Longest text passed on; longer texts are cut.
constexpr size_t khvOSDebugText_MaxBytes = 254;
// The buffer: the text, a line feed and a terminating zero.
constexpr size_t khvOSDebugText_BufferSize = khvOSDebugText_MaxBytes + 2;

// Widens at most khvOSDebugText_MaxBytes bytes of `text` (null reads as empty) one byte per
// character, then appends a line feed and a zero. Returns the number of characters before
// the zero.
size_t hvOSDebugText_Build(const char* text, char16_t (&buffer)[khvOSDebugText_BufferSize]);

#endif
