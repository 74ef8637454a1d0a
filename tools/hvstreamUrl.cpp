// hvstream url: the URL component: split, resolve, escape, unescape, and convert between file
// paths and "file" URLs.
#include <cstdio>
#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvUrl.h"
#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream url ACTION [OPTIONS] TEXT...\n"
    "\n"
    "actions:\n"
    "  parse [--raw] URL...            split URLs into scheme, user info, host, port, path,\n"
    "                                  query and fragment (unescaped unless --raw)\n"
    "  resolve BASE REFERENCE...       resolve references against an http, https or file base\n"
    "  escape [--part P] TEXT...       escape a whole URL part by part, or one part P (userinfo,\n"
    "                                  path, query, fragment)\n"
    "  unescape [--form] TEXT...       undo %XX escapes ('+' as a space too with --form)\n"
    "  from-path PATH...               the \"file\" URL of a file path\n"
    "  to-path URL...                  the file path of a \"file\" URL\n"
    "\n"
    "Every action takes --json (one JSON object per input) and '-' to read one input per\n"
    "line from standard input. to-path exits with 1 when an input is no \"file\" URL.\n";

struct Action {
  const char* name;
  const hvToolOption* options;
  int (*run)(const hvToolArgs& args, const std::vector<std::string>& inputs);
};

const hvToolOption kJsonOnly[] = {{"json", false}, {nullptr, false}};
const hvToolOption kParseOptions[] = {{"raw", false}, {"json", false}, {nullptr, false}};
const hvToolOption kEscapeOptions[] = {{"part", true}, {"json", false}, {nullptr, false}};
const hvToolOption kUnescapeOptions[] = {{"form", false}, {"json", false}, {nullptr, false}};

// One output per input: a line, or {"input": ..., "output": ...}. A null output is reported
// with `failure` and makes the result 1.
int Emit(const hvToolArgs& args, const std::string& input, char* owned, const char* failure) {
  bool present;
  std::string output = hvTool_TakeText(owned, &present);
  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("input", input);
    json.Key("output");
    if (present)
      json.String(output);
    else
      json.Null();
    json.EndObject();
    json.Flush();
  } else if (present) {
    printf("%s\n", hvTool_Printable(output).c_str());
  }
  if (present) return khvToolExit_OK;
  hvTool_Error(args.Command(), "'%s': %s", hvTool_Printable(input).c_str(), failure);
  return khvToolExit_BadInput;
}

void PrintMember(const char* name, const char* value) {
  hvTool_PrintField(name, value ? hvTool_Printable(value) : "(none)");
}

int RunParse(const hvToolArgs& args, const std::vector<std::string>& inputs) {
  bool first = true;
  for (const std::string& input : inputs) {
    hvUrl* url = hvUrl_Parse(input.c_str(), !args.Has("raw"));
    std::string formatted = hvTool_TakeText(hvUrl_Format(url));
    const char* extension = hvUrl_GetExtension(url);
    if (args.Has("json")) {
      hvJsonWriter json;
      json.BeginObject();
      json.Field("input", input);
      json.Field("scheme", url->scheme);
      json.Field("userInfo", url->userInfo);
      json.Field("host", url->host);
      json.Key("port");
      if (url->port)
        json.UInt(url->port);
      else
        json.Null();
      json.Field("path", url->path);
      json.Field("extension", extension);
      json.Field("query", url->query);
      json.Field("fragment", url->fragment);
      json.Field("formatted", formatted);
      json.EndObject();
      json.Flush();
    } else {
      if (!first) printf("\n");
      printf("%s\n", hvTool_Printable(input).c_str());
      PrintMember("scheme", url->scheme);
      PrintMember("user info", url->userInfo);
      PrintMember("host", url->host);
      hvTool_PrintField("port", url->port ? std::to_string(url->port) : "(none)");
      PrintMember("path", url->path);
      PrintMember("extension", *extension ? extension : nullptr);
      PrintMember("query", url->query);
      PrintMember("fragment", url->fragment);
      hvTool_PrintField("formatted", hvTool_Printable(formatted));
    }
    first = false;
    hvUrl_Free(url);
  }
  return khvToolExit_OK;
}

int RunResolve(const hvToolArgs& args, const std::vector<std::string>& inputs) {
  if (inputs.size() < 2) return hvTool_UsageError(args.Command(), "missing BASE and REFERENCE");
  int result = khvToolExit_OK;
  for (size_t i = 1; i < inputs.size(); ++i) {
    int status = Emit(args, inputs[i], hvUrl_Resolve(inputs[0].c_str(), inputs[i].c_str()),
                      "does not resolve against the base");
    if (status != khvToolExit_OK) result = status;
  }
  return result;
}

int RunEscape(const hvToolArgs& args, const std::vector<std::string>& inputs) {
  static const struct {
    const char* name;
    unsigned bits;
  } kParts[] = {{"userinfo", khvUrlClass_UserInfo},
                {"path", khvUrlClass_Path},
                {"query", khvUrlClass_Query},
                {"fragment", khvUrlClass_Fragment}};
  const char* part = args.Value("part");
  unsigned bits = 0;
  for (const auto& known : kParts)
    if (part && strcmp(part, known.name) == 0) bits = known.bits;
  if (part && !bits)
    return hvTool_UsageError(args.Command(),
                             "--part: '%s' is none of userinfo, path, query, "
                             "fragment",
                             part);
  for (const std::string& input : inputs) {
    char* escaped =
        bits ? hvUrl_EscapeText(input.c_str(), bits, false) : hvUrl_EscapeString(input.c_str());
    Emit(args, input, escaped, "cannot be escaped");
  }
  return khvToolExit_OK;
}

int RunUnescape(const hvToolArgs& args, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    char* text = hvMemory_Strdup(input.c_str());
    if (args.Has("form"))
      hvUrl_UnescapeFormText(text);
    else
      hvUrl_UnescapeText(text);
    Emit(args, input, text, "cannot be unescaped");
  }
  return khvToolExit_OK;
}

int RunFromPath(const hvToolArgs& args, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs)
    Emit(args, input, hvUrl_FromFilePath(input.c_str()), "has no file URL");
  return khvToolExit_OK;
}

int RunToPath(const hvToolArgs& args, const std::vector<std::string>& inputs) {
  int result = khvToolExit_OK;
  for (const std::string& input : inputs) {
    if (Emit(args, input, hvUrl_ToFilePath(input.c_str()),
             "not a \"file\" URL with an absolute path") != khvToolExit_OK)
      result = khvToolExit_BadInput;
  }
  return result;
}

const Action kActions[] = {
    {"parse", kParseOptions, RunParse},    {"resolve", kJsonOnly, RunResolve},
    {"escape", kEscapeOptions, RunEscape}, {"unescape", kUnescapeOptions, RunUnescape},
    {"from-path", kJsonOnly, RunFromPath}, {"to-path", kJsonOnly, RunToPath},
};

}  // namespace

int hvTool_RunUrl(int argc, char** argv) {
  if (argc < 2) return hvTool_UsageError("url", "missing ACTION");
  const char* name = argv[1];
  if (strcmp(name, "--help") == 0 || strcmp(name, "-h") == 0) {
    fputs(kHelp, stdout);
    return khvToolExit_OK;
  }
  for (const Action& action : kActions) {
    if (strcmp(name, action.name) != 0) continue;
    std::string command = std::string("url ") + action.name;
    hvToolArgs args(command.c_str(), action.options);
    int status = args.Start(argc - 1, argv + 1, kHelp);
    if (status >= 0) return status;
    if ((status = args.CheckOperands(1, -1, "TEXT")) >= 0) return status;
    return action.run(args, hvTool_ExpandInputs(args.Operands()));
  }
  return hvTool_UsageError("url", "unknown action '%s'", name);
}
