// hulvoToolsLog stand-in. Records are heap-allocated per call so that several threads can
// log at once; the sink is swapped under a lock and called outside of it.
#include "hv/hvLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "hv/hvLogReport.h"

std::atomic<uint16_t> _hvLog_Level{0};  // declared extern "C" in hvLog.h

namespace {

void WriteToStandardError(const hvLogRecord* record, void*) {
  fprintf(stderr, "[%d/%d] %s:%d: %s", record->severity, record->category,
          record->file ? record->file : "?", static_cast<int>(record->line), record->message);
  if (record->length == 0 || record->message[record->length - 1] != '\n') fputc('\n', stderr);
}

std::mutex& SinkLock() {
  static std::mutex lock;
  return lock;
}
hvLogSink g_sink = WriteToStandardError;
void* g_sinkUserData = nullptr;

}  // namespace

hvLogRecord* hvLog_Begin(int severity, int category) {
  hvLogRecord* record = static_cast<hvLogRecord*>(malloc(sizeof(hvLogRecord)));
  if (!record) return nullptr;
  record->severity = severity;
  record->category = category;
  record->file = nullptr;
  record->line = 0;
  record->message[0] = '\0';
  record->length = 0;
  return record;
}

void hvLog_Append_VF(hvLogRecord* record, const char* format, va_list arguments) {
  if (!record || !format) return;
  size_t room = sizeof(record->message) - record->length;
  if (room <= 1) return;
  int written = vsnprintf(record->message + record->length, room, format, arguments);
  if (written < 0) return;
  record->length += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room - 1;
}

void hvLog_Append_F(hvLogRecord* record, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  hvLog_Append_VF(record, format, arguments);
  va_end(arguments);
}

void hvLog_End(hvLogRecord* record) {
  if (!record) return;
  hvLogSink sink;
  void* userData;
  {
    std::lock_guard<std::mutex> guard(SinkLock());
    sink = g_sink;
    userData = g_sinkUserData;
  }
  sink(record, userData);
  free(record);
}

hvLogSink hvLog_SetSink(hvLogSink sink, void* userData) {
  std::lock_guard<std::mutex> guard(SinkLock());
  hvLogSink previous = g_sink;
  g_sink = sink ? sink : WriteToStandardError;
  g_sinkUserData = sink ? userData : nullptr;
  return previous == WriteToStandardError ? nullptr : previous;
}

void hvLog_SetLevel(uint16_t level) { _hvLog_Level.store(level, std::memory_order_relaxed); }

void hvLog_ReportV(int category, const char* file, int line, const char* format,
                   va_list arguments) {
  const int severity = 1;
  if (!(_hvLog_Level.load(std::memory_order_relaxed) > severity)) return;
  hvLogRecord* record = hvLog_Begin(severity, category);
  if (!record) return;
  record->file = file;
  record->line = line;
  hvLog_Append_VF(record, format, arguments);
  hvLog_End(record);
}

void hvLog_Report(int category, const char* file, int line, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  hvLog_ReportV(category, file, line, format, arguments);
  va_end(arguments);
}
