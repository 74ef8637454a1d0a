// Messages, inputs and readable output shared by the hvstream commands.
#include <cstdarg>
#include <cstdio>
#include <iostream>

#include "hulvoStreaming/hvMemory.h"
#include "hvstreamTool.h"

namespace {

void Report(const char* command, const char* format, va_list arguments) {
  fprintf(stderr, "hvstream %s: ", command);
  vfprintf(stderr, format, arguments);
  fputc('\n', stderr);
}

}  // namespace

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
  for (const std::string& operand : operands) {
    if (operand != "-") {
      inputs.push_back(operand);
      continue;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
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

std::string hvTool_TakeText(char* owned, bool* present) {
  if (present) *present = owned != nullptr;
  std::string text = owned ? owned : "";
  hvMemory_Free(owned);
  return text;
}
