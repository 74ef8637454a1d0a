// hvstream info: what a stream over a file answers a player: size, MIME type, extension, the
// media-description keys it fills, and the seek and pause answers, with or without a
// protocolInfo; for an http(s) URL, what hvHttpStream learned from the server's answer.
#include <cstdio>
#include <cstring>
#include <memory>

#include "hulvoStreaming/hvStream.h"
#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamProtocol.h"
#include "hvstreamTool.h"
#include "hvstreamUrlSource.h"

namespace {

const char kHelp[] =
    "usage: hvstream info FILE [--protocol-info TEXT] [--mime TYPE] [--json]\n"
    "       hvstream info URL [--protocol-info TEXT] [--json]\n"
    "\n"
    "Opens FILE as a player would (hvFileStream) and shows the stream's answers: its kind,\n"
    "size, MIME type and extension, the media-description keys it fills (mt, fs, fe), and\n"
    "whether it allows byte seek, time seek and connection stalling (Support 5, 6, 7) and\n"
    "pausing.\n"
    "\n"
    "For an http or https URL the stream is hvHttpStream: size (unknown without a length),\n"
    "MIME type and extension come from the server's answer, and its contentFeatures.dlna.org\n"
    "header is decoded as 'hvstream pinfo' does. Without --protocol-info the seek answers\n"
    "follow that header, else the server's Accept-Ranges.\n"
    "\n"
    "  --protocol-info TEXT  give the stream the source's protocolInfo first; the seek\n"
    "                        answers then follow it (an invalid text is reported, exit 1)\n"
    "  --mime TYPE           the MIME type (default: from the file's extension)\n"
    "  --json                one JSON object on standard output\n";

const hvToolOption kOptions[] = {
    {"protocol-info", true}, {"mime", true}, {"json", false}, {nullptr, false}};

// A few common media extensions; anything else is application/octet-stream.
const struct {
  const char* extension;
  const char* mime;
} kMimeByExtension[] = {
    {"mp3", "audio/mpeg"},       {"m4a", "audio/mp4"},       {"aac", "audio/vnd.dlna.adts"},
    {"wav", "audio/wav"},        {"flac", "audio/flac"},     {"ogg", "audio/ogg"},
    {"wma", "audio/x-ms-wma"},   {"mp4", "video/mp4"},       {"m4v", "video/mp4"},
    {"mpg", "video/mpeg"},       {"mpeg", "video/mpeg"},     {"ts", "video/vnd.dlna.mpeg-tts"},
    {"mkv", "video/x-matroska"}, {"avi", "video/x-msvideo"}, {"wmv", "video/x-ms-wmv"},
    {"mov", "video/quicktime"},  {"3gp", "video/3gpp"},      {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},      {"png", "image/png"},       {"gif", "image/gif"},
    {"txt", "text/plain"},
};

const char* MimeFromExtension(const std::string& path) {
  size_t dot = path.find_last_of("./\\");
  if (dot == std::string::npos || path[dot] != '.') return "application/octet-stream";
  // The library's own ASCII folding, not the locale's.
  std::string extension = hvCString(path.c_str() + dot + 1).Lower().c_str();
  for (const auto& entry : kMimeByExtension)
    if (extension == entry.extension) return entry.mime;
  return "application/octet-stream";
}

// The answers a player takes from any stream.
struct Answers {
  uint64_t size;  // khvuint64_Max when unknown
  bool byteSeek, timeSeek, stalling, live, pause;
  std::string id, extension, mimeType;
};

Answers Ask(hvStream* stream) {
  Answers answers;
  answers.size = stream->GetStreamSize();
  answers.byteSeek = stream->Support(khvStreamSupport_ByteSeek);
  answers.timeSeek = stream->Support(khvStreamSupport_TimeSeek);
  answers.stalling = stream->Support(khvStreamSupport_ConnectionStalling);
  answers.live = stream->IsLive();
  answers.pause = stream->IsPauseAllowed();
  answers.id = stream->GetID();
  answers.extension = stream->GetExtension().c_str();
  answers.mimeType = stream->GetMimeType().c_str();
  return answers;
}

// Reports an invalid --protocol-info; true when it is absent or valid.
bool CheckProtocolInfo(const char* protocolInfo) {
  if (!protocolInfo || hvToolRecord(protocolInfo, false).IsValid()) return true;
  hvTool_Error("info", "invalid protocolInfo '%s': %s", hvTool_Printable(protocolInfo).c_str(),
               khvTool_InvalidReason);
  return false;
}

// id, size, MIME type and extension as JSON members. A source whose length is not known has
// no size: null, not 2^64 - 1.
void JsonStream(hvJsonWriter& json, const Answers& answers) {
  json.Field("stream", answers.id);
  json.Key("size");
  if (answers.size == khvuint64_Max) {
    json.Null();
  } else {
    json.UInt(answers.size);
  }
  json.Field("mimeType", answers.mimeType);
  json.Field("extension", answers.extension);
}

void JsonDecisions(hvJsonWriter& json, const Answers& answers, const char* protocolInfo,
                   bool protocolValid) {
  json.Field("byteSeek", answers.byteSeek);
  json.Field("timeSeek", answers.timeSeek);
  json.Field("connectionStalling", answers.stalling);
  json.Field("live", answers.live);
  json.Field("pauseAllowed", answers.pause);
  json.Key("protocolInfo");
  if (protocolInfo) {
    json.BeginObject();
    json.Field("input", protocolInfo);
    json.Field("valid", protocolValid);
    json.EndObject();
  } else {
    json.Null();
  }
}

std::string SizeText(uint64_t size) {
  if (size == khvuint64_Max) return "unknown";
  return std::to_string(size) + " bytes (" + hvTool_ByteCount(size) + ")";
}

// `none` says what decides without a protocolInfo.
void PrintDecisions(const Answers& answers, const char* protocolInfo, bool protocolValid,
                    const char* none) {
  hvTool_PrintField("protocolInfo", !protocolInfo   ? none
                                    : protocolValid ? hvTool_Printable(protocolInfo)
                                                    : "invalid: " + hvTool_Printable(protocolInfo));
  hvTool_PrintField("byte seek", std::string(hvTool_YesNo(answers.byteSeek)) + " (Support 5)");
  hvTool_PrintField("time seek", std::string(hvTool_YesNo(answers.timeSeek)) + " (Support 6)");
  hvTool_PrintField("connection stalling",
                    std::string(hvTool_YesNo(answers.stalling)) + " (Support 7)");
  hvTool_PrintField("live", hvTool_YesNo(answers.live));
  hvTool_PrintField("pause", hvTool_YesNo(answers.pause));
}

// What hvHttpStream learned from the server's first answer, and the decisions it takes.
int InfoUrl(const hvToolArgs& args, const std::string& url) {
  if (args.Has("mime"))
    return hvTool_UsageError("info", "--mime is for files: a URL's type comes from the server");
  const char* protocolInfo = args.Value("protocol-info");
  bool protocolValid = CheckProtocolInfo(protocolInfo);
  // Declared first: the stream may signal it until the stream is deleted.
  hvToolWaiter waiter;
  hvStream* stream = hvTool_OpenUrl("info", url, 131072, 8, protocolInfo, &waiter);
  if (!stream) return khvToolExit_BadInput;
  int httpStatus = hvTool_UrlHttpStatus(stream);
  std::string features = hvTool_UrlContentFeatures(stream);
  Answers answers = Ask(stream);
  stream->Delete();
  // The header carries the fourth field only; the answer's type completes the record.
  std::unique_ptr<hvToolRecord> server;
  if (!features.empty())
    server.reset(new hvToolRecord(
        (answers.mimeType.empty() ? "*" : answers.mimeType) + ":" + features, true));

  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("url", url);
    json.Field("httpStatus", static_cast<unsigned long long>(httpStatus));
    JsonStream(json, answers);
    json.Key("contentFeatures");
    if (server) {
      json.BeginObject();
      json.Field("input", features);
      json.Field("valid", server->IsValid());
      if (server->IsValid()) hvTool_JsonRecord(json, *server);
      json.EndObject();
    } else {
      json.Null();
    }
    JsonDecisions(json, answers, protocolInfo, protocolValid);
    json.EndObject();
    json.Flush();
  } else {
    printf("%s\n", hvTool_Printable(url).c_str());
    hvTool_PrintField("stream", "hvHttpStream (ID \"" + answers.id + "\")");
    hvTool_PrintField("HTTP status", std::to_string(httpStatus));
    hvTool_PrintField("size", SizeText(answers.size));
    hvTool_PrintField("MIME type",
                      answers.mimeType.empty() ? "(none)" : hvTool_Printable(answers.mimeType));
    hvTool_PrintField("extension",
                      answers.extension.empty() ? "(none)" : hvTool_Printable(answers.extension));
    hvTool_PrintField("contentFeatures", server ? hvTool_Printable(features) : "(none sent)");
    if (server && server->IsValid()) hvTool_PrintRecord(*server);
    PrintDecisions(answers, protocolInfo, protocolValid, "(none: the server's answer decides)");
  }
  return protocolValid ? khvToolExit_OK : khvToolExit_BadInput;
}

}  // namespace

int hvTool_RunInfo(int argc, char** argv) {
  hvToolArgs args("info", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, 1, "FILE")) >= 0) return status;
  const std::string& path = args.Operands()[0];
  if (hvTool_IsUrl(path)) return InfoUrl(args, path);
  const char* mime = args.Has("mime") ? args.Value("mime") : MimeFromExtension(path);

  hvFile* file = new hvFile;
  if (!file->Open(path.c_str())) {
    hvTool_Error("info", "cannot open '%s'", path.c_str());
    delete file;
    return khvToolExit_BadInput;
  }
  hvStream* stream = new hvFileStream(nullptr, file, mime, path.c_str());
  if (!stream->IsValid()) {
    hvTool_Error("info", "cannot read '%s'", path.c_str());
    stream->Delete();
    return khvToolExit_BadInput;
  }
  const char* protocolInfo = args.Value("protocol-info");
  bool protocolValid = CheckProtocolInfo(protocolInfo);
  if (protocolInfo) stream->SetProtocolInfo(protocolInfo);

  hvMediaInfo description;
  stream->GetInfo(&description);
  Answers answers = Ask(stream);
  stream->Delete();

  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("file", path);
    JsonStream(json, answers);
    json.Key("mediaDescription");
    json.BeginObject();
    json.Field("fileName", description.fileName.c_str());
    if (description.Has("mt")) json.Field("mt", description.GetCString("mt").c_str());
    if (description.Has("fs"))
      json.Field("fs", static_cast<unsigned long long>(description.GetUInt64("fs", 0)));
    if (description.Has("fe")) json.Field("fe", description.GetCString("fe").c_str());
    json.EndObject();
    JsonDecisions(json, answers, protocolInfo, protocolValid);
    json.EndObject();
    json.Flush();
  } else {
    printf("%s\n", hvTool_Printable(path).c_str());
    hvTool_PrintField("stream", "hvFileStream (ID \"" + answers.id + "\")");
    hvTool_PrintField("size", SizeText(answers.size));
    hvTool_PrintField("MIME type", hvTool_Printable(answers.mimeType) +
                                       (args.Has("mime") ? "" : " (by the file's extension)"));
    hvTool_PrintField("extension",
                      answers.extension.empty() ? "(none)" : hvTool_Printable(answers.extension));
    std::string keys = "file name=" + hvTool_Printable(description.fileName.c_str());
    if (description.Has("mt"))
      keys += ", mt=" + hvTool_Printable(description.GetCString("mt").c_str());
    if (description.Has("fs"))
      keys += ", fs=" + std::to_string(static_cast<uint64_t>(description.GetUInt64("fs", 0)));
    if (description.Has("fe"))
      keys += ", fe=" + hvTool_Printable(description.GetCString("fe").c_str());
    hvTool_PrintField("media description", keys);
    PrintDecisions(answers, protocolInfo, protocolValid, "(none: a local file seeks by bytes)");
  }
  return protocolValid ? khvToolExit_OK : khvToolExit_BadInput;
}
