// hvstream demo: a self-contained tour of the library on built-in data. It works in a fresh
// temporary folder and removes it afterwards; the exit status is 1 when any check fails.
#include "hvstreamDemo.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "hulvoStreaming/hvOSThread.h"
#include "hulvoStreaming/hvVersion.h"
#include "hvstreamArgs.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream demo\n"
    "\n"
    "A short tour of the library on built-in data, no arguments needed. It writes a sample\n"
    "file into a temporary folder and reads it back through the file, range, buffered,\n"
    "memory and progressive streams (an engine agent plays the downloader, so the reader\n"
    "first meets 'pending' and then the data), checking every byte; parses and decodes\n"
    "realistic protocolInfo texts; merges two device lists; wraps a record for DTCP link\n"
    "protection; and prints a short report. It removes its folder when done.\n"
    "Exit status 0 when every check holds, 1 otherwise.\n";

const hvToolOption kOptions[] = {{nullptr, false}};

}  // namespace

void hvDemoReport::Section(const char* title) { printf("\n%s\n", title); }

void hvDemoReport::Check(bool ok, const std::string& what) {
  ++m_checks;
  if (!ok) ++m_failures;
  printf("  %-5s %s\n", ok ? "ok" : "FAIL", what.c_str());
}

void hvDemoReport::Note(const std::string& text) { printf("        %s\n", text.c_str()); }

int hvTool_RunDemo(int argc, char** argv) {
  hvToolArgs args("demo", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(0, 0, "")) >= 0) return status;

  namespace fs = std::filesystem;
  std::error_code error;
  fs::path folder = fs::temp_directory_path(error);
  if (!error)
    folder /=
        "hvstream-demo-" + std::to_string(static_cast<unsigned long>(hvOSThread_GetProcessId()));
  if (!error) fs::remove_all(folder, error);  // a folder left by an earlier, killed run
  if (!error) fs::create_directories(folder, error);
  if (error) {
    hvTool_Error("demo", "cannot create a temporary folder: %s", error.message().c_str());
    return khvToolExit_BadInput;
  }

  printf("hulvoStreaming %s: a tour on built-in data\n", hvStreaming_GetVersion());
  printf("working in %s\n", folder.u8string().c_str());
  hvDemoReport report;
  hvDemo_RunStreams(report, folder.u8string());
  hvDemo_RunProtocol(report);

  fs::remove_all(folder, error);
  printf("\n");
  if (error)
    printf("could not remove %s: %s\n", folder.u8string().c_str(), error.message().c_str());
  if (report.Failures()) {
    printf("%d of %d checks FAILED\n", report.Failures(), report.Checks());
    return khvToolExit_BadInput;
  }
  printf("all %d checks passed; temporary folder removed\n", report.Checks());
  return khvToolExit_OK;
}
