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

// main() brackets every command with these. The end checks standard output once for all
// commands: a failed write, or the final flush, turns the exit status into 1 (unless it is
// already an error) with a message, so no command claims output that never arrived.
void hvTool_BeginCommand(const char* command);
int hvTool_EndCommand(int status);
// Flushes standard output; true when any write to it so far has failed. For commands that
// report what they wrote before they end.
bool hvTool_OutputFailed();

// "hvstream COMMAND: message" on standard error. A long message (one quoting a long input)
// keeps its start and end and leaves out the middle.
void hvTool_Error(const char* command, const char* format, ...) HV_PRINTF_FORMAT(2, 3);
// As hvTool_Error, plus a hint to --help; returns khvToolExit_Usage.
int hvTool_UsageError(const char* command, const char* format, ...) HV_PRINTF_FORMAT(2, 3);
// For commands whose library functions this build lacks; returns khvToolExit_BadInput.
int hvTool_NotAvailable(const char* command);

// The operands, with each "-" replaced by the lines of standard input (line ends dropped).
// A line holding a NUL byte ends the tool with a message and status 1, before any input has
// been handled.
std::vector<std::string> hvTool_ExpandInputs(const std::vector<std::string>& operands);
// Control and non-ASCII bytes written \xNN, so a readable line stays one line.
std::string hvTool_Printable(const std::string& text);
// "  name              value" lines of the readable output.
void hvTool_PrintField(const char* name, const std::string& value);
const char* hvTool_YesNo(bool value);
// 1536 gives "1.5 KiB"; below 1024, "N bytes".
std::string hvTool_ByteCount(uint64_t bytes);
// Bytes per second, saturated rather than overflowing for tiny times.
uint64_t hvTool_Rate(uint64_t bytes, double seconds);
// The progress bar line for standard error, starting with '\r'. `done` may exceed `total`
// (a file that grows while it is read): the bar then stays full at 100 %.
std::string hvTool_ProgressLine(uint64_t done, uint64_t total, double seconds);

// Takes an owned library text (hvMemory_Free) and returns it as a string; *present says
// whether the library returned a text at all (null otherwise).
std::string hvTool_TakeText(char* owned, bool* present = nullptr);

// Kernel calls, one file per system.
bool hvTool_StandardErrorIsTerminal();
// Standard output carries bytes unchanged (no line-end translation).
void hvTool_SetBinaryStandardOutput();

#endif
