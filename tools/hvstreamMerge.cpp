// hvstream merge: merge two protocolInfo lists as a device's capabilities are joined.
#include <cstdio>

#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamProtocol.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream merge [--json] LIST LIST\n"
    "\n"
    "Merges the second ','-separated protocolInfo list into the first: entries that describe\n"
    "the same content (profile, protocol, content format) join their seek, speed and flag\n"
    "capabilities; the others are added (with a profile at the front, without at the end).\n"
    "Prints the merged entries and the merged list text. Entries that are not valid\n"
    "protocolInfos are reported and left out; the exit status is then 1.\n"
    "\n"
    "  --json    one JSON object on standard output\n";

const hvToolOption kOptions[] = {{"json", false}, {nullptr, false}};

}  // namespace

int hvTool_RunMerge(int argc, char** argv) {
  hvToolArgs args("merge", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(2, 2, "two protocolInfo LISTs")) >= 0) return status;
  bool firstValid, secondValid;
  hvProtocolInfoList* target = hvTool_ParseList("merge", args.Operands()[0], &firstValid);
  hvProtocolInfoList* source = hvTool_ParseList("merge", args.Operands()[1], &secondValid);
  size_t given[2] = {hvProtocolInfoList_GetCount(target), hvProtocolInfoList_GetCount(source)};
  hvProtocolInfoList_Merge(target, source);
  std::vector<std::string> entries = hvTool_ListEntries(target);
  // A list text: play speeds written "\," so that they stay inside their entry.
  std::string text =
      hvTool_TakeText(hvProtocolInfoList_ToString(target, khvProtocolInfo_WriteForList));
  hvProtocolInfoList_Free(source);
  hvProtocolInfoList_Free(target);

  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("first", args.Operands()[0]);
    json.Field("second", args.Operands()[1]);
    json.Field("count", static_cast<unsigned long>(entries.size()));
    json.Key("entries");
    json.BeginArray();
    for (const std::string& entry : entries) json.String(entry);
    json.EndArray();
    json.Field("text", text);
    json.Field("valid", firstValid && secondValid);
    json.EndObject();
    json.Flush();
  } else {
    printf("merged list: %zu entr%s from %zu + %zu\n", entries.size(),
           entries.size() == 1 ? "y" : "ies", given[0], given[1]);
    for (size_t i = 0; i < entries.size(); ++i)
      printf("  [%zu] %s\n", i, hvTool_Printable(entries[i]).c_str());
    printf("list text:\n%s\n", hvTool_Printable(text).c_str());
  }
  return firstValid && secondValid ? khvToolExit_OK : khvToolExit_BadInput;
}
