// hvstream: command-line tool over the public API of hulvoStreaming.
#include <cstdio>
#include <cstring>

#include "hulvoStreaming/hvVersion.h"

int main(int argc, char** argv) {
  if (argc >= 2 && (strcmp(argv[1], "--version") == 0 || strcmp(argv[1], "demo") == 0)) {
    printf("hulvoStreaming %s\n", hvStreaming_GetVersion());
    return 0;
  }
  fprintf(stderr, "usage: hvstream demo | --version\n");
  return 2;
}
