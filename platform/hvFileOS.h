// The kernel side of hvFile, one implementation per system (win32/, posix/). These only
// make the system call and translate its error; argument checks, clamping and retrying
// live in hvFile.cpp. Handles travel as 64-bit values, khvuint64_Max meaning none.
#ifndef HV_PLATFORM_HVFILEOS_H
#define HV_PLATFORM_HVFILEOS_H

#include <cstdint>

#include "hv/hvFile.h"

// `create`: create or empty the file, open for reading and writing; else open for reading.
uint64_t hvFileOS_Open(const char* utf8Name, bool create, hvFileStatus* status);
void hvFileOS_Close(uint64_t handle);
// Return the byte count, or -1 with *status set. `size` is at least 1.
int32_t hvFileOS_Read(uint64_t handle, void* buffer, int32_t size, hvFileStatus* status);
int32_t hvFileOS_Write(uint64_t handle, const void* buffer, int32_t size, hvFileStatus* status);
// `origin` is 0, 1 or 2 (start, current, end). Return the new offset, or -1.
int64_t hvFileOS_Seek(uint64_t handle, int64_t offset, int origin, hvFileStatus* status);
int64_t hvFileOS_Length(uint64_t handle, hvFileStatus* status);

#endif
