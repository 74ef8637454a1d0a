// hvstream select: the entry of a protocolInfo list to use for a set of URL schemes.
#include <cstdio>

#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamProtocol.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream select [--json] LIST --schemes S [--protocols P]\n"
    "\n"
    "Picks the entry of a ','-separated protocolInfo list to use: the first whose protocol is\n"
    "accepted and whose URL scheme comes earliest in the preference list; without a fitting\n"
    "scheme, the first accepted one. Exit status 1 when no entry is accepted (or an entry\n"
    "is not a valid protocolInfo; it is reported and left out).\n"
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
  const char* schemes = args.Value("schemes");
  const char* protocols = args.Has("protocols") ? args.Value("protocols") : "http-get";
  bool valid;
  hvProtocolInfoList* list = hvTool_ParseList("select", args.Operands()[0], &valid);
  int index = hvProtocolInfoList_SelectBest(list, schemes, protocols);
  std::vector<std::string> entries = hvTool_ListEntries(list);
  hvProtocolInfoList_Free(list);
  const std::string* chosen = index >= 0 ? &entries[static_cast<size_t>(index)] : nullptr;

  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("list", args.Operands()[0]);
    json.Field("schemes", schemes);
    json.Field("protocols", protocols);
    json.Field("index", index);
    json.Key("entry");
    if (chosen)
      json.String(*chosen);
    else
      json.Null();
    json.EndObject();
    json.Flush();
  } else if (chosen) {
    printf("[%d] %s\n", index, hvTool_Printable(*chosen).c_str());
  }
  if (!chosen) {
    hvTool_Error("select", "no entry of the list has an accepted protocol (%s)", protocols);
    return khvToolExit_BadInput;
  }
  return valid ? khvToolExit_OK : khvToolExit_BadInput;
}
