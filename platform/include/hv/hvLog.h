// hulvoToolsLog stand-in: log records with a severity, a category, a source file and line
// and a formatted message. Records go to a sink (standard error by default, one line each).
// Every function may be called from any thread; a record is filled by one thread.
#ifndef HV_HVLOG_H
#define HV_HVLOG_H

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "hv/hvPlatform.h"

// The library-wide gate: a record of severity s is made only when this is above s.
// 0 (the default) keeps the library silent.
extern "C" HV_EXPORT std::atomic<uint16_t> _hvLog_Level;

// An open or completed record. The caller of hvLog_Begin fills file and line.
struct hvLogRecord {
  int severity;
  int category;
  const char* file;
  int32_t line;
  char message[1024];  // the formatted text, cut to fit, always NUL-terminated
  size_t length;
};

// Receives each completed record on the thread that ended it. The record dies on return.
typedef void (*hvLogSink)(const hvLogRecord* record, void* userData);

// Opens a record, or returns null when the gate is closed (then nothing more is done).
HV_EXPORT hvLogRecord* hvLog_Begin(int severity, int category);
HV_EXPORT void hvLog_Append_F(hvLogRecord* record, const char* format, ...)
    HV_PRINTF_FORMAT(2, 3);
HV_EXPORT void hvLog_Append_VF(hvLogRecord* record, const char* format, va_list arguments)
    HV_PRINTF_FORMAT(2, 0);
// Hands the record to the sink and releases it.
HV_EXPORT void hvLog_End(hvLogRecord* record);

// Installs a sink; null restores the default (standard error). Returns the previous one.
HV_EXPORT hvLogSink hvLog_SetSink(hvLogSink sink, void* userData);
HV_EXPORT void hvLog_SetLevel(uint16_t level);

#endif
