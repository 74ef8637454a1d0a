// hvstream: the command-line tool over the library's public API. Each command lives in its own
// file (hvstreamPinfo.cpp, hvstreamCat.cpp, ...) and is reached through the table in
// hvstream.cpp. This header holds what the commands share: exit statuses, messages, inputs,
// owned library texts and the few system calls (tools/posix, tools/win32). Single-threaded.
#ifndef HVSTREAM_TOOL_H
#define HVSTREAM_TOOL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hv/hvPlatform.h"

enum hvToolExit {
  khvToolExit_OK = 0,
  khvToolExit_BadInput = 1,  // an input that does not read, a file that does not open
  khvToolExit_Usage = 2,     // unknown option, missing operand, malformed number
};

// The commands. argv[0] is the command's own name, the rest are its arguments.
int hvTool_RunPinfo(int argc, char** argv);
int hvTool_RunMatch(int argc, char** argv);
int hvTool_RunMerge(int argc, char** argv);
int hvTool_RunSelect(int argc, char** argv);
int hvTool_RunMime(int argc, char** argv);
int hvTool_RunUrl(int argc, char** argv);
int hvTool_RunCat(int argc, char** argv);
int hvTool_RunInfo(int argc, char** argv);
int hvTool_RunSeek(int argc, char** argv);
int hvTool_RunDemo(int argc, char** argv);

// "hvstream COMMAND: message" on standard error.
void hvTool_Error(const char* command, const char* format, ...) HV_PRINTF_FORMAT(2, 3);
// As hvTool_Error, plus a hint to --help; returns khvToolExit_Usage.
int hvTool_UsageError(const char* command, const char* format, ...) HV_PRINTF_FORMAT(2, 3);
// For commands whose library functions this build lacks; returns khvToolExit_BadInput.
int hvTool_NotAvailable(const char* command);

// The operands, with each "-" replaced by the lines of standard input (line ends dropped).
std::vector<std::string> hvTool_ExpandInputs(const std::vector<std::string>& operands);
// Control and non-ASCII bytes written \xNN, so a readable line stays one line.
std::string hvTool_Printable(const std::string& text);
// "  name              value" lines of the readable output.
void hvTool_PrintField(const char* name, const std::string& value);
const char* hvTool_YesNo(bool value);
// 1536 gives "1.5 KiB"; below 1024, "N bytes".
std::string hvTool_ByteCount(uint64_t bytes);

// Takes an owned library text (hvMemory_Free) and returns it as a string; *present says
// whether the library returned a text at all (null otherwise).
std::string hvTool_TakeText(char* owned, bool* present = nullptr);

// Kernel calls, one file per system.
bool hvTool_StandardErrorIsTerminal();
// Standard output carries bytes unchanged (no line-end translation).
void hvTool_SetBinaryStandardOutput();

#endif
