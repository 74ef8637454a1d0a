// hulvoStreaming: every public header of the library.
#ifndef HULVOSTREAMING_HULVOSTREAMING_H
#define HULVOSTREAMING_HULVOSTREAMING_H

#include "hulvoStreaming/hvBulkMemory.h"
#include "hulvoStreaming/hvDList.h"
#include "hulvoStreaming/hvHashTable.h"
#include "hulvoStreaming/hvHttp.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "hulvoStreaming/hvOSThread.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hulvoStreaming/hvPath.h"
#include "hulvoStreaming/hvSeeker.h"
#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hulvoStreaming/hvStreamingEngine.h"
#include "hulvoStreaming/hvUrl.h"
#include "hulvoStreaming/hvVersion.h"

#endif
