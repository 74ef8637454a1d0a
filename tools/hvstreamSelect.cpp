// hvstream select: the entry of a protocolInfo list to use for a set of URL schemes.
#include "hvstreamArgs.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream select [--json] LIST --schemes S [--protocols P]\n"
    "\n"
    "Picks the entry of a ','-separated protocolInfo list to use: the first whose protocol is\n"
    "accepted and whose URL scheme comes earliest in the preference list; without a fitting\n"
    "scheme, the first accepted one. Exit status 1 when no entry is accepted.\n"
    "\n"
    "  --schemes S     URL schemes in order of preference, ';'-separated (http;rtsp)\n"
    "  --protocols P   accepted protocol names, ';'-separated (default http-get)\n"
    "  --json          one JSON object on standard output\n";

const hvToolOption kOptions[] = {
    {"schemes", true}, {"protocols", true}, {"json", false}, {nullptr, false}};

}  // namespace

int hvTool_RunSelect(int argc, char** argv) {
  hvToolArgs args("select", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, 1, "protocolInfo LIST")) >= 0) return status;
  if (!args.Has("schemes")) return hvTool_UsageError("select", "missing --schemes");
  return hvTool_NotAvailable("select");
}
