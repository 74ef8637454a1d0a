// The one helper behind every error report of the library: it applies the level gate and
// the record steps (begin with severity 1, set file and line, format, end), so each call
// site is one line.
#ifndef HV_HVLOGREPORT_H
#define HV_HVLOGREPORT_H

#include <cstdarg>

#include "hv/hvLog.h"

// Log categories of the library.
enum hvLogCategory {
  khvLogCategory_Fatal = 0,
  khvLogCategory_OSLayer = 7,
  khvLogCategory_Stream = 11,
  khvLogCategory_RingBuffer = 12,
  khvLogCategory_Paths = 57,
};

HV_EXPORT void hvLog_Report(int category, const char* file, int line, const char* format, ...)
    HV_PRINTF_FORMAT(4, 5);
HV_EXPORT void hvLog_ReportV(int category, const char* file, int line, const char* format,
                             va_list arguments) HV_PRINTF_FORMAT(4, 0);

// HV_LOG(category, source, format, arguments...): source is the reporting module's path
// as the records carry it, for example "..\\..\\hvStream".
#define HV_LOG(category, source, ...) hvLog_Report((category), (source), __LINE__, __VA_ARGS__)

#endif
