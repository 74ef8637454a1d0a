// Runs the hvstream tool as a child process with files for its standard streams, so tests see
// exactly what a shell user would: exit status, output bytes and messages.
#ifndef HV_TESTS_TOOLS_HVTOOLPROCESS_H
#define HV_TESTS_TOOLS_HVTOOLPROCESS_H

#include <string>
#include <vector>

struct hvToolRun {
  int exitCode;     // -1 when the process could not be started or did not exit normally
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error
};

// Runs HV_TOOL_PATH with `arguments` and `input` on its standard input; `folder` holds the
// files that carry the standard streams.
hvToolRun hvTool_RunProcess(const std::vector<std::string>& arguments, const std::string& input,
                            const std::string& folder);

#endif
