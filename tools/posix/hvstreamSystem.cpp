// The tool's system calls on POSIX systems.
#include <unistd.h>

#include "../hvstreamTool.h"

bool hvTool_StandardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

// POSIX streams never translate line ends.
void hvTool_SetBinaryStandardOutput() {}
