// hvstream info: what a stream over a file answers a player: size, MIME type, extension, the
// media-description keys it fills, and the seek and pause answers, with or without a
// protocolInfo.
#include <cstdio>
#include <cstring>

#include "hulvoStreaming/hvStream.h"
#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamProtocol.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream info FILE [--protocol-info TEXT] [--mime TYPE] [--json]\n"
    "\n"
    "Opens FILE as a player would (hvFileStream) and shows the stream's answers: its kind,\n"
    "size, MIME type and extension, the media-description keys it fills (mt, fs, fe), and\n"
    "whether it allows byte seek, time seek and connection stalling (Support 5, 6, 7) and\n"
    "pausing.\n"
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

}  // namespace

int hvTool_RunInfo(int argc, char** argv) {
  hvToolArgs args("info", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, 1, "FILE")) >= 0) return status;
  const std::string& path = args.Operands()[0];
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
  bool protocolValid = true;
  if (protocolInfo) {
    stream->SetProtocolInfo(protocolInfo);
    hvToolRecord record(protocolInfo, false);
    protocolValid = record.IsValid();
    if (!protocolValid)
      hvTool_Error("info", "invalid protocolInfo '%s': %s", hvTool_Printable(protocolInfo).c_str(),
                   khvTool_InvalidReason);
  }

  hvMediaInfo description;
  stream->GetInfo(&description);
  uint64_t size = stream->GetStreamSize();
  bool byteSeek = stream->Support(khvStreamSupport_ByteSeek);
  bool timeSeek = stream->Support(khvStreamSupport_TimeSeek);
  bool stalling = stream->Support(khvStreamSupport_ConnectionStalling);
  bool live = stream->IsLive();
  bool pause = stream->IsPauseAllowed();
  std::string id = stream->GetID();
  std::string extension = stream->GetExtension().c_str();
  std::string mimeType = stream->GetMimeType().c_str();
  stream->Delete();

  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("file", path);
    json.Field("stream", id);
    // A pipe or a file whose length the system cannot tell has no size: null, not 2^64 - 1.
    json.Key("size");
    if (size == khvuint64_Max) {
      json.Null();
    } else {
      json.UInt(size);
    }
    json.Field("mimeType", mimeType);
    json.Field("extension", extension);
    json.Key("mediaDescription");
    json.BeginObject();
    json.Field("fileName", description.fileName.c_str());
    if (description.Has("mt")) json.Field("mt", description.GetCString("mt").c_str());
    if (description.Has("fs"))
      json.Field("fs", static_cast<unsigned long long>(description.GetUInt64("fs", 0)));
    if (description.Has("fe")) json.Field("fe", description.GetCString("fe").c_str());
    json.EndObject();
    json.Field("byteSeek", byteSeek);
    json.Field("timeSeek", timeSeek);
    json.Field("connectionStalling", stalling);
    json.Field("live", live);
    json.Field("pauseAllowed", pause);
    json.Key("protocolInfo");
    if (protocolInfo) {
      json.BeginObject();
      json.Field("input", protocolInfo);
      json.Field("valid", protocolValid);
      json.EndObject();
    } else {
      json.Null();
    }
    json.EndObject();
    json.Flush();
  } else {
    printf("%s\n", hvTool_Printable(path).c_str());
    hvTool_PrintField("stream", "hvFileStream (ID \"" + id + "\")");
    hvTool_PrintField("size", size == khvuint64_Max ? std::string("unknown")
                                                    : std::to_string(size) + " bytes (" +
                                                          hvTool_ByteCount(size) + ")");
    hvTool_PrintField("MIME type", hvTool_Printable(mimeType) +
                                       (args.Has("mime") ? "" : " (by the file's extension)"));
    hvTool_PrintField("extension", extension.empty() ? "(none)" : hvTool_Printable(extension));
    std::string keys = "file name=" + hvTool_Printable(description.fileName.c_str());
    if (description.Has("mt"))
      keys += ", mt=" + hvTool_Printable(description.GetCString("mt").c_str());
    if (description.Has("fs"))
      keys += ", fs=" + std::to_string(static_cast<uint64_t>(description.GetUInt64("fs", 0)));
    if (description.Has("fe"))
      keys += ", fe=" + hvTool_Printable(description.GetCString("fe").c_str());
    hvTool_PrintField("media description", keys);
    hvTool_PrintField("protocolInfo", !protocolInfo ? "(none: a local file seeks by bytes)"
                                      : protocolValid
                                          ? hvTool_Printable(protocolInfo)
                                          : "invalid: " + hvTool_Printable(protocolInfo));
    hvTool_PrintField("byte seek", std::string(hvTool_YesNo(byteSeek)) + " (Support 5)");
    hvTool_PrintField("time seek", std::string(hvTool_YesNo(timeSeek)) + " (Support 6)");
    hvTool_PrintField("connection stalling", std::string(hvTool_YesNo(stalling)) + " (Support 7)");
    hvTool_PrintField("live", hvTool_YesNo(live));
    hvTool_PrintField("pause", hvTool_YesNo(pause));
  }
  return protocolValid ? khvToolExit_OK : khvToolExit_BadInput;
}
