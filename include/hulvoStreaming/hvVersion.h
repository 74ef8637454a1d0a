// The library's version, as text ("major.minor.patch").
#ifndef HULVOSTREAMING_HVVERSION_H
#define HULVOSTREAMING_HVVERSION_H

#include "hv/hvPlatform.h"

#define HULVOSTREAMING_VERSION "0.1.0"

HV_EXPORT const char* hvStreaming_GetVersion();

#endif
