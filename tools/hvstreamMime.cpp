// hvstream mime: parse MIME type texts into type and parameters.
#include <cstdio>
#include <cstring>

#include "hulvoStreaming/hvMimeType.h"
#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream mime [--json] TEXT...\n"
    "\n"
    "Parses MIME type texts (\"type/subtype;name=value;...\") as the third field of a\n"
    "protocolInfo is read: the type, each parameter, and the text written back. Segments\n"
    "without a name or a value are dropped; audio/L16 without channels gains channels=1.\n"
    "A text whose type has no '/' is reported as not a MIME type (exit status 1).\n"
    "\n"
    "  TEXT      a MIME type text; '-' reads one text per line from standard input\n"
    "  --json    one JSON object per TEXT on standard output\n";

const hvToolOption kOptions[] = {{"json", false}, {nullptr, false}};

const char kNotMime[] = "not a MIME type (no '/' in the type)";

}  // namespace

int hvTool_RunMime(int argc, char** argv) {
  hvToolArgs args("mime", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, -1, "MIME TEXT")) >= 0) return status;
  bool allValid = true;
  bool first = true;
  for (const std::string& text : hvTool_ExpandInputs(args.Operands())) {
    hvMimeType* mime = hvMimeType_Parse(text.c_str());
    const char* type = hvMimeType_GetType(mime);
    bool valid = strchr(type, '/') != nullptr;
    if (!valid) {
      hvTool_Error("mime", "'%s': %s", hvTool_Printable(text).c_str(), kNotMime);
      allValid = false;
    }
    std::string written = hvTool_TakeText(hvMimeType_ToString(mime));
    size_t count = hvMimeType_GetParameterCount(mime);
    if (args.Has("json")) {
      hvJsonWriter json;
      json.BeginObject();
      json.Field("input", text);
      json.Field("valid", valid);
      json.Field("type", type);
      json.Key("parameters");
      json.BeginArray();
      for (size_t i = 0; i < count; ++i) {
        json.BeginObject();
        json.Field("name", hvMimeType_GetParameterName(mime, i));
        json.Field("value", hvMimeType_GetParameterValue(mime, i));
        json.EndObject();
      }
      json.EndArray();
      json.Field("text", written);
      json.EndObject();
      json.Flush();
    } else if (valid) {
      if (!first) printf("\n");
      first = false;
      printf("%s\n", hvTool_Printable(text).c_str());
      hvTool_PrintField("type", hvTool_Printable(type));
      for (size_t i = 0; i < count; ++i) {
        const char* value = hvMimeType_GetParameterValue(mime, i);
        hvTool_PrintField("parameter", hvTool_Printable(hvMimeType_GetParameterName(mime, i)) +
                                           (value ? "=" + hvTool_Printable(value) : ""));
      }
      hvTool_PrintField("written back", hvTool_Printable(written));
    }
    hvMimeType_Free(mime);
  }
  return allValid ? khvToolExit_OK : khvToolExit_BadInput;
}
