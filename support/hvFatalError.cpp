// The fatal-error reporter. The callback lives in the process environment rather than in a
// variable of ours, so every module of the process that reads the same variable reaches the
// same callback, whichever copy of this code registered it.
#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hv/hvLogReport.h"
#include "support/hvEnvironment.h"

namespace {

// Records of the reporter name the logging library's header, as the maker's reporter does.
const char kLogSource[] = "hvLog/Log";

// Room for the address text; at most this many characters (terminator included) are read
// back.
constexpr size_t kAddressTextSize = 40;

bool IsMemoryReason(const char* reason) {
  static const char* const kMemoryReasons[] = {"memory:malloc", "memory:realloc", "memory:strdup",
                                               "memory:wcsdup"};
  for (const char* memoryReason : kMemoryReasons) {
    if (strcmp(reason, memoryReason) == 0) return true;
  }
  return false;
}

// "0x" and 16 zero-padded lower-case hexadecimal digits, whatever the runtime's %p writes.
void WriteAddress(uint64_t address, char* text) {
  static const char kDigits[] = "0123456789abcdef";
  text[0] = '0';
  text[1] = 'x';
  for (int i = 0; i < 16; ++i) text[2 + i] = kDigits[(address >> (60 - 4 * i)) & 0xF];
  text[18] = '\0';
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Leading white space and one '+' are skipped; "0x"/"0X" before a hexadecimal digit selects
// base 16, anything else base 10. Unlike strtoull, a text with no digits, with trailing
// characters other than white space, or beyond 64 bits fails: a misread address would be
// called.
bool ParseAddress(const char* text, uint64_t* address) {
  while (isspace(static_cast<unsigned char>(*text))) ++text;
  if (*text == '+') ++text;
  int base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && DigitValue(text[2]) < 16) {
    base = 16;
    text += 2;
  }
  uint64_t value = 0;
  const char* digits = text;
  for (int digit; (digit = DigitValue(*text)) < base; ++text) {
    if (value > (UINT64_MAX - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
      return false;
    }
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (text == digits) return false;
  while (isspace(static_cast<unsigned char>(*text))) ++text;
  if (*text != '\0') return false;
  *address = value;
  return true;
}

hvFatalErrorCallback RegisteredCallback() {
  char text[kAddressTextSize];
  uint64_t address = 0;
  if (!hvEnvironment_Get(HV_FATAL_ERROR_CALLBACK_VARIABLE, text, sizeof(text))) return nullptr;
  if (!ParseAddress(text, &address)) return nullptr;
  return reinterpret_cast<hvFatalErrorCallback>(static_cast<uintptr_t>(address));
}

// Writes the detail both to standard output and as the second log record.
void ReportDetail(const char* format, ...) HV_PRINTF_FORMAT(1, 2);
void ReportDetail(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vprintf(format, arguments);
  va_end(arguments);
  va_start(arguments, format);
  hvLog_ReportV(khvLogCategory_Fatal, kLogSource, __LINE__, format, arguments);
  va_end(arguments);
}

}  // namespace

void hvFatalError(const char* reason, ...) {
  // The callback and the log receive the same text as standard output, never a null.
  const char* shown = reason ? reason : "unknown reason";
  printf("hvFatalError\n");
  printf("hvFatalError: %s", shown);
  hvLog_Report(khvLogCategory_Fatal, kLogSource, __LINE__, "Fatal Error '%s'", shown);

  va_list arguments;
  va_start(arguments, reason);
  if (reason && IsMemoryReason(reason)) {
    // The size is reported by its low 32 bits, as the maker's reporter writes it.
    const size_t size = va_arg(arguments, size_t);
    ReportDetail(" (size=%lu)\n", static_cast<unsigned long>(static_cast<uint32_t>(size)));
  } else if (reason && strcmp(reason, "assert") == 0) {
    const char* text = va_arg(arguments, const char*);
    ReportDetail(" (reason='%s')\n", text ? text : "");
  } else {
    ReportDetail("\n");
  }
  va_end(arguments);

  if (hvFatalErrorCallback callback = RegisteredCallback()) callback(shown);

  // _Exit (the portable spelling of the runtime's _exit) runs no exit handlers and does not
  // flush stdio: flush so the lines above are not lost when standard output is a pipe.
  fflush(stdout);
  std::_Exit(-1);
}

void hvFatalError_SetCallback(hvFatalErrorCallback callback) {
  char text[kAddressTextSize];
  WriteAddress(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(callback)), text);
  if (!hvEnvironment_Set(HV_FATAL_ERROR_CALLBACK_VARIABLE, text)) {
    HV_LOG(khvLogCategory_Fatal, kLogSource,
           "hvFatalError: Cannot store callback address (fatal error callback will not be "
           "called)\n");
  }
}
