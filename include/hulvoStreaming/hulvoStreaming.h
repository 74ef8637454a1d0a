// hulvoStreaming: every public header of the library.
#ifndef HULVOSTREAMING_HULVOSTREAMING_H
#define HULVOSTREAMING_HULVOSTREAMING_H

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvOSThread.h"
#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvVersion.h"

#endif
