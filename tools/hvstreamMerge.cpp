// hvstream merge: merge two protocolInfo lists as a device's capabilities are joined.
#include "hvstreamArgs.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream merge [--json] LIST LIST\n"
    "\n"
    "Merges the second ','-separated protocolInfo list into the first: entries that describe\n"
    "the same content (profile, protocol, content format) join their seek, speed and flag\n"
    "capabilities; the others are added (with a profile at the front, without at the end).\n"
    "Prints the merged list.\n"
    "\n"
    "  --json    one JSON object on standard output\n";

const hvToolOption kOptions[] = {{"json", false}, {nullptr, false}};

}  // namespace

int hvTool_RunMerge(int argc, char** argv) {
  hvToolArgs args("merge", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(2, 2, "two protocolInfo LISTs")) >= 0) return status;
  return hvTool_NotAvailable("merge");
}
