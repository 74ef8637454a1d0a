// hvstream match: whether a candidate protocolInfo fits what a record describes.
#include "hvstreamArgs.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream match [--short] [--json] RECORD CANDIDATE\n"
    "\n"
    "Tells whether CANDIDATE fits what RECORD describes: same protocol (or '*'), equal\n"
    "profiles, and a content format that matches (MIME parameters of RECORD must be found\n"
    "in CANDIDATE; AAC in MP4 and 3GPP containers count as the same content).\n"
    "Exit status 0 whether or not they match; 1 for an invalid protocolInfo.\n"
    "\n"
    "  --short   both texts are in the short form \"contentFormat:additional\"\n"
    "  --json    one JSON object on standard output\n";

const hvToolOption kOptions[] = {{"short", false}, {"json", false}, {nullptr, false}};

}  // namespace

int hvTool_RunMatch(int argc, char** argv) {
  hvToolArgs args("match", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(2, 2, "RECORD and CANDIDATE")) >= 0) return status;
  return hvTool_NotAvailable("match");
}
