#include "support/hvEnvironment.h"

#include <cstdlib>
#include <cstring>

bool hvEnvironment_Set(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

bool hvEnvironment_Get(const char* name, char* buffer, size_t size) {
  const char* value = getenv(name);
  if (!value) return false;
  const size_t length = strlen(value);
  if (length >= size) return false;
  memcpy(buffer, value, length + 1);
  return true;
}
