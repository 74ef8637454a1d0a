#include "support/hvEnvironment.h"

#include <windows.h>

bool hvEnvironment_Set(const char* name, const char* value) {
  return SetEnvironmentVariableA(name, value) != 0;
}

bool hvEnvironment_Get(const char* name, char* buffer, size_t size) {
  // The result is the text length when it fits, the needed size when it does not, 0 when
  // the variable is absent.
  const DWORD length = GetEnvironmentVariableA(name, buffer, static_cast<DWORD>(size));
  return length != 0 && length < size;
}
