#include "hulvoStreaming/hvVersion.h"

const char* hvStreaming_GetVersion() { return HULVOSTREAMING_VERSION; }
