// The tool's system calls on Windows.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "../hvstreamTool.h"

bool hvTool_StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void hvTool_SetBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }
