// hvstream: command-line tool over the public API of hulvoStreaming. This file holds only the
// command table; each command lives in its own hvstream<Command>.cpp.
#include <cstdio>
#include <cstring>

#include "hulvoStreaming/hvVersion.h"
#include "hvstreamTool.h"

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* summary;
};

const Command kCommands[] = {
    {"pinfo", hvTool_RunPinfo, "parse protocolInfo texts and show every field and decision"},
    {"match", hvTool_RunMatch, "does a candidate protocolInfo fit what a record describes"},
    {"merge", hvTool_RunMerge, "merge two protocolInfo lists"},
    {"select", hvTool_RunSelect, "pick the protocolInfo of a list to use for URL schemes"},
    {"mime", hvTool_RunMime, "parse MIME type texts"},
    {"url", hvTool_RunUrl, "parse, resolve, escape and convert URLs and file paths"},
    {"cat", hvTool_RunCat, "copy a file or an http(s) URL, or a byte range, to standard output"},
    {"info", hvTool_RunInfo, "what a stream over a file or URL answers: size, type, seek, pause"},
    {"seek", hvTool_RunSeek, "the byte position of a time in a media file, and its cost"},
    {"demo", hvTool_RunDemo, "a short tour of the library on built-in data"},
};

void PrintHelp(FILE* out) {
  fprintf(out,
          "usage: hvstream COMMAND [ARGUMENTS]\n"
          "       hvstream --version | --help\n\ncommands:\n");
  for (const Command& command : kCommands)
    fprintf(out, "  %-8s %s\n", command.name, command.summary);
  fprintf(out,
          "\n'hvstream COMMAND --help' describes a command. Most commands take --json for one\n"
          "JSON object per input. Exit status: 0 success, 1 bad input, 2 usage error.\n");
}

}  // namespace

int main(int argc, char** argv) {
  // Output is the same bytes on every system: cat copies files, and text lines end in '\n'.
  hvTool_SetBinaryStandardOutput();
  if (argc < 2) {
    PrintHelp(stderr);
    return khvToolExit_Usage;
  }
  const char* name = argv[1];
  hvTool_BeginCommand(name);
  if (strcmp(name, "--version") == 0) {
    printf("hvstream (hulvoStreaming) %s\n", hvStreaming_GetVersion());
    return hvTool_EndCommand(khvToolExit_OK);
  }
  if (strcmp(name, "--help") == 0 || strcmp(name, "-h") == 0 || strcmp(name, "help") == 0) {
    PrintHelp(stdout);
    return hvTool_EndCommand(khvToolExit_OK);
  }
  for (const Command& command : kCommands)
    if (strcmp(name, command.name) == 0) return hvTool_EndCommand(command.run(argc - 1, argv + 1));
  // Cut, as every message quoting input is: the word may be any text at all.
  fprintf(stderr, "hvstream: unknown command '%.80s%s'\nTry 'hvstream --help'.\n", name,
          strlen(name) > 80 ? "..." : "");
  return khvToolExit_Usage;
}
