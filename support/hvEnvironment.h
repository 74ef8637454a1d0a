// Process environment access for the fatal-error callback registry. The environment is
// process-wide and serialised by the system, so these may be called from any thread.
#ifndef HULVOSTREAMING_SUPPORT_HVENVIRONMENT_H
#define HULVOSTREAMING_SUPPORT_HVENVIRONMENT_H

#include <cstddef>

// Stores `value` under `name`, replacing any earlier value. False when the system refuses.
bool hvEnvironment_Set(const char* name, const char* value);

// Copies the value of `name` into `buffer` (NUL-terminated). False when the variable is
// absent or its value does not fit in `size` bytes with its terminator: a value cut short
// would be a different text, so it is not handed out.
bool hvEnvironment_Get(const char* name, char* buffer, size_t size);

#endif
