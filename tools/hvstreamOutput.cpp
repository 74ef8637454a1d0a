// Messages, inputs and readable output shared by the hvstream commands.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "hulvoStreaming/hvMemory.h"
#include "hvstreamTool.h"

namespace {

// Messages quote what the user gave, which may be a megabyte long. A message longer than
// this keeps its start and its end (where the reason is) and leaves out the middle.
const size_t kMessageLimit = 512;
const size_t kMessageTail = 96;

const char* g_command = "";  // the running command, for messages from shared code
int g_outputError = 0;       // errno of the first failed flush of standard output

void Report(const char* command, const char* format, va_list arguments) {
  fprintf(stderr, "hvstream %s: ", command);
  va_list measure;
  va_copy(measure, arguments);
  int length = vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  char* text = length < 0 ? nullptr : static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
  if (!text) {
    // Out of memory or an unprintable argument: the format alone still says what failed.
    fprintf(stderr, "%.*s\n", static_cast<int>(kMessageLimit), format);
    return;
  }
  vsnprintf(text, static_cast<size_t>(length) + 1, format, arguments);
  size_t size = static_cast<size_t>(length);
  if (size <= kMessageLimit) {
    fprintf(stderr, "%s\n", text);
  } else {
    size_t head = kMessageLimit - kMessageTail;
    fprintf(stderr, "%.*s[... %llu bytes left out ...]%s\n", static_cast<int>(head), text,
            static_cast<unsigned long long>(size - head - kMessageTail),
            text + size - kMessageTail);
  }
  free(text);
}

}  // namespace

void hvTool_BeginCommand(const char* command) { g_command = command; }

bool hvTool_OutputFailed() {
  if (fflush(stdout) != 0 && !g_outputError) g_outputError = errno;
  return ferror(stdout) != 0;
}

int hvTool_EndCommand(int status) {
  if (!hvTool_OutputFailed()) return status;
  if (g_outputError)
    hvTool_Error(g_command, "cannot write to standard output: %s", strerror(g_outputError));
  else
    hvTool_Error(g_command, "cannot write to standard output");
  return status == khvToolExit_OK ? khvToolExit_BadInput : status;
}

void hvTool_Error(const char* command, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  Report(command, format, arguments);
  va_end(arguments);
}

int hvTool_UsageError(const char* command, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  Report(command, format, arguments);
  va_end(arguments);
  fprintf(stderr, "Try 'hvstream %s --help'.\n", command);
  return khvToolExit_Usage;
}

int hvTool_NotAvailable(const char* command) {
  hvTool_Error(command, "not available in this build (the library lacks the functions it needs)");
  return khvToolExit_BadInput;
}

std::vector<std::string> hvTool_ExpandInputs(const std::vector<std::string>& operands) {
  std::vector<std::string> inputs;
  size_t lineNumber = 0;
  for (const std::string& operand : operands) {
    if (operand != "-") {
      inputs.push_back(operand);
      continue;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
      ++lineNumber;
      // The library takes texts up to their first NUL: the rest of such a line would be
      // dropped unseen, and a check on the whole text would judge another text than the
      // one used. Nothing has been handled yet, so refusing the run loses nothing.
      if (line.find('\0') != std::string::npos) {
        hvTool_Error(g_command, "line %llu of standard input holds a NUL byte; refused",
                     static_cast<unsigned long long>(lineNumber));
        exit(hvTool_EndCommand(khvToolExit_BadInput));
      }
      // Texts written on Windows keep their '\r' when standard input is binary.
      if (!line.empty() && line.back() == '\r') line.pop_back();
      inputs.push_back(line);
    }
  }
  return inputs;
}

std::string hvTool_Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c >= 0x7F) {
      char escaped[5];
      snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void hvTool_PrintField(const char* name, const std::string& value) {
  printf("  %-20s %s\n", name, value.c_str());
}

const char* hvTool_YesNo(bool value) { return value ? "yes" : "no"; }

std::string hvTool_ByteCount(uint64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  char text[32];
  if (bytes < 1024) {
    snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    return text;
  }
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) value /= 1024, ++unit;
  snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

uint64_t hvTool_Rate(uint64_t bytes, double seconds) {
  double rate = static_cast<double>(bytes) / (seconds > 1e-6 ? seconds : 1e-6);
  // 2^64 itself is not a uint64_t; the cast of anything at or above it is undefined.
  return rate < 18446744073709551616.0 ? static_cast<uint64_t>(rate) : UINT64_MAX;
}

std::string hvTool_ProgressLine(uint64_t done, uint64_t total, double seconds) {
  // A file may grow while it is copied, so `done` can pass `total`: the bar stops full.
  const uint64_t kWidth = 30;
  uint64_t percent = 100;
  if (done < total) {
    percent = total <= UINT64_MAX / 100 ? done * 100 / total : done / (total / 100);
    if (percent > 99) percent = 99;  // 100 % only once everything is there
  }
  uint64_t filled = percent * kWidth / 100;
  char bar[kWidth + 1];
  for (uint64_t i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  char line[160];
  snprintf(line, sizeof line, "\r[%s] %3u%%  %s / %s  %s/s   ", bar, static_cast<unsigned>(percent),
           hvTool_ByteCount(done).c_str(), hvTool_ByteCount(total).c_str(),
           hvTool_ByteCount(hvTool_Rate(done, seconds)).c_str());
  return line;
}

std::string hvTool_TakeText(char* owned, bool* present) {
  if (present) *present = owned != nullptr;
  std::string text = owned ? owned : "";
  hvMemory_Free(owned);
  return text;
}
