// hvstream mime: parse MIME type texts into type and parameters.
#include "hvstreamArgs.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream mime [--json] TEXT...\n"
    "\n"
    "Parses MIME type texts (\"type/subtype;name=value;...\") as the third field of a\n"
    "protocolInfo is read: the type, each parameter, and the text written back.\n"
    "\n"
    "  TEXT      a MIME type text; '-' reads one text per line from standard input\n"
    "  --json    one JSON object per TEXT on standard output\n";

const hvToolOption kOptions[] = {{"json", false}, {nullptr, false}};

}  // namespace

int hvTool_RunMime(int argc, char** argv) {
  hvToolArgs args("mime", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, -1, "MIME TEXT")) >= 0) return status;
  return hvTool_NotAvailable("mime");
}
