// hvstream pinfo: parse protocolInfo texts (or lists of them) and show every field, the
// decoded flags, the decisions a player takes and the text written back.
#include <cstdio>
#include <memory>

#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamProtocol.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream pinfo [--short] [--list] [--json] TEXT...\n"
    "\n"
    "Parses DLNA protocolInfo texts (\"protocol:network:contentFormat:additional\") and shows\n"
    "every field, the DLNA.ORG_FLAGS word decoded into named flags, the decisions a player\n"
    "takes (byte seek, time seek and connection stalling as a stream answers Support 5, 6\n"
    "and 7, limited operation, transfer mode, pause), DTCP and WMDRM protection, and the\n"
    "normalized text the library writes back.\n"
    "\n"
    "  TEXT      a protocolInfo text; '-' reads one text per line from standard input\n"
    "  --short   texts are in the short form \"contentFormat:additional\"\n"
    "  --list    each TEXT is a ','-separated list of protocolInfos (as devices announce\n"
    "            them; a ',' written \"\\,\" stays inside its entry)\n"
    "  --json    one JSON object per TEXT on standard output\n"
    "\n"
    "A text with fewer than two ':'-separated fields, or holding a NUL byte, is reported as\n"
    "invalid; the exit status is then 1 (after every other text has been shown).\n";

const hvToolOption kOptions[] = {
    {"short", false}, {"list", false}, {"json", false}, {nullptr, false}};

struct Settings {
  bool shortForm;
  bool list;
  bool json;
};

// Describes one entry; false when it is not a valid protocolInfo.
bool ShowEntry(const std::string& text, const Settings& settings, hvJsonWriter& json,
               const char* heading) {
  hvToolRecord record(text, settings.shortForm);
  if (!record.IsValid()) {
    hvTool_Error("pinfo", "invalid protocolInfo '%s': %s", hvTool_Printable(text).c_str(),
                 hvTool_InvalidReasonOf(text));
    if (settings.json) {
      json.BeginObject();
      json.Field("input", text);
      json.Field("valid", false);
      json.Field("error", hvTool_InvalidReasonOf(text));
      json.EndObject();
    }
    return false;
  }
  if (settings.json) {
    json.BeginObject();
    json.Field("input", text);
    json.Field("valid", true);
    hvTool_JsonRecord(json, record);
    json.Field("normalized", hvTool_WriteBack(record.Get()));
    json.EndObject();
    return true;
  }
  printf("%s%s\n", heading, hvTool_Printable(text).c_str());
  hvTool_PrintRecord(record);
  hvTool_PrintField("written back", hvTool_Printable(hvTool_WriteBack(record.Get())));
  return true;
}

// A list input: every entry described; false when one of them is invalid.
bool ShowList(const std::string& text, const Settings& settings, hvJsonWriter& json) {
  std::vector<std::string> entries = hvTool_SplitList(text);
  bool allValid = true;
  if (settings.json) {
    json.BeginObject();
    json.Field("input", text);
    json.Field("count", static_cast<unsigned long>(entries.size()));
    json.Key("entries");
    json.BeginArray();
  } else {
    printf("list of %zu entr%s: %s\n", entries.size(), entries.size() == 1 ? "y" : "ies",
           hvTool_Printable(text).c_str());
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    std::string heading = "[" + std::to_string(i) + "] ";
    allValid = ShowEntry(entries[i], settings, json, heading.c_str()) && allValid;
  }
  if (settings.json) {
    json.EndArray();
    json.Field("valid", allValid);
    json.EndObject();
  }
  return allValid;
}

}  // namespace

int hvTool_RunPinfo(int argc, char** argv) {
  hvToolArgs args("pinfo", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, -1, "protocolInfo TEXT")) >= 0) return status;
  Settings settings{args.Has("short"), args.Has("list"), args.Has("json")};

  bool allValid = true;
  bool first = true;
  for (const std::string& text : hvTool_ExpandInputs(args.Operands())) {
    if (!settings.json && !first) printf("\n");
    first = false;
    hvJsonWriter json;
    bool valid =
        settings.list ? ShowList(text, settings, json) : ShowEntry(text, settings, json, "");
    if (settings.json) json.Flush();
    allValid = allValid && valid;
  }
  return allValid ? khvToolExit_OK : khvToolExit_BadInput;
}
