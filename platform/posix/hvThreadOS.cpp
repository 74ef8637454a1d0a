#include "../hvThreadOS.h"

#include <pthread.h>

#include <cstring>

void hvThreadOS_NameCurrent(const char* name) {
  // Linux keeps 15 bytes and a terminator and refuses longer names outright.
  char shortName[16];
  strncpy(shortName, name, sizeof(shortName) - 1);
  shortName[sizeof(shortName) - 1] = '\0';
  pthread_setname_np(pthread_self(), shortName);
}
