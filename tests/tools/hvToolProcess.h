// Runs the hvstream tool as a child process with files for its standard streams, so tests see
// exactly what a shell user would: exit status, output bytes and messages. Every run is
// bounded: a child that does not finish in time is killed and reported.
#ifndef HV_TESTS_TOOLS_HVTOOLPROCESS_H
#define HV_TESTS_TOOLS_HVTOOLPROCESS_H

#include <string>
#include <vector>

struct hvToolRunOptions {
  // Where standard output goes instead of a file of the run (e.g. a device that refuses
  // writes); out stays empty then.
  std::string outputPath;
  // Standard input is a pipe kept open for the whole run instead of a file, so a child
  // that reads it waits for ever.
  bool inputHeldOpen = false;
  // Generous for sanitizer and Wine runs, yet a hang fails in about a minute, not at the
  // test driver's limit.
  int timeoutSeconds = 60;
};

struct hvToolRun {
  int exitCode;     // -1 when the process could not be started or did not exit normally
  bool timedOut;    // killed after options.timeoutSeconds
  long peakKiB;     // the child's peak resident memory, or -1 where the system does not say
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error
};

// Runs HV_TOOL_PATH with `arguments` and `input` on its standard input; `folder` holds the
// files that carry the standard streams.
hvToolRun hvTool_RunProcess(const std::vector<std::string>& arguments, const std::string& input,
                            const std::string& folder, const hvToolRunOptions& options = {});

#endif
