// hvstream seek: where a time lies in a media file or behind an http(s) URL, found the way a
// player on a byte-seek-only source finds it: by the seeker of the DLNA profile, or of the
// format the content shows, reading only what the seek needs.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvSeeker.h"
#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamTool.h"
#include "hvstreamUrlSource.h"

namespace {

const char kHelp[] =
    "usage: hvstream seek FILE|URL --time T [--profile PN] [--mime TYPE] [--json]\n"
    "\n"
    "Finds the byte position at which the media of FILE reaches time T, as a player does on a\n"
    "source that allows byte seeks only, and shows it with the format found and the bytes\n"
    "read to find it. Formats: LPCM/WAV, MP3, AAC in ADTS, MPEG transport and program\n"
    "streams, MP4. An http or https URL is read through hvHttpStream with byte ranges, each\n"
    "read waiting for the server's answer.\n"
    "\n"
    "  --time T      seconds (83.5) or npt h:mm:ss.sss (0:01:23.5), from the media's start\n"
    "  --profile PN  the DLNA profile (DLNA.ORG_PN value) that names the seeker; without it\n"
    "                the format is recognised from the content\n"
    "  --mime TYPE   the MIME type, for raw audio/L16 (rate and channels come from it); a\n"
    "                URL's defaults to the server's\n"
    "  --json        one JSON object: position, format, bytesRead, timeMs, status\n";

const size_t kUrlBlock = 32 * 1024;
const size_t kUrlBlocks = 4;
// How long one read of the seek may wait for the server's bytes.
const uint32_t kUrlPatience = 30000;

const hvToolOption kOptions[] = {
    {"time", true}, {"profile", true}, {"mime", true}, {"json", false}, {nullptr, false}};

// Digits with an optional fraction, in milliseconds; false for anything else.
bool ReadSeconds(const char* text, uint64_t limit, uint64_t* ms) {
  uint64_t whole = 0;
  const char* at = text;
  if (*at < '0' || *at > '9') return false;
  for (; *at >= '0' && *at <= '9'; ++at) {
    whole = whole * 10 + static_cast<uint64_t>(*at - '0');
    if (whole > limit) return false;
  }
  uint64_t fraction = 0, scale = 1000;
  if (*at == '.') {
    for (++at; *at >= '0' && *at <= '9'; ++at) {
      if (scale > 1) fraction += static_cast<uint64_t>(*at - '0') * (scale /= 10);
    }
  }
  if (*at != '\0') return false;
  *ms = whole * 1000 + fraction;
  return true;
}

// "83.5" or the npt form "h:mm:ss.sss" (minutes and seconds below 60).
bool ReadTime(const std::string& text, uint64_t* ms) {
  const size_t first = text.find(':');
  if (first == std::string::npos) return ReadSeconds(text.c_str(), 1000000000, ms);
  const size_t second = text.find(':', first + 1);
  if (second == std::string::npos || second - first != 3) return false;
  uint64_t hours, minutes, seconds;
  if (!ReadSeconds(text.substr(0, first).c_str(), 1000000, &hours) ||
      !ReadSeconds(text.substr(first + 1, 2).c_str(), 59, &minutes) ||
      !ReadSeconds(text.substr(second + 1).c_str(), 59, &seconds) || text.size() < second + 3 ||
      text[second + 1] == '.')
    return false;
  *ms = hours / 1000 * 3600000 + minutes / 1000 * 60000 + seconds;
  return true;
}

const char* StatusText(hvStreamingStatus status) {
  switch (status) {
    case khvStreamingStatus_OK:
      return "ok";
    case khvStreamingStatus_EndOfStream:
      return "past the end";
    case khvStreamingStatus_Pending:
      return "not yet available";
    case khvStreamingStatus_TooLarge:
      return "would read more than the seek's bound";
    case khvStreamingStatus_InvalidOperation:
      return "no seeker for this profile or content";
    case khvStreamingStatus_SeekNotSupported:
      return "the source does not allow byte seeks";
    default:
      return "not of a known format, or too damaged to seek";
  }
}

hvStream* OpenFile(const std::string& path, const char* mime) {
  hvFile* file = new hvFile;
  if (!file->Open(path.c_str())) {
    hvTool_Error("seek", "cannot open '%s'", hvTool_Printable(path).c_str());
    delete file;
    return nullptr;
  }
  return new hvFileGetStream(file, mime ? mime : "application/octet-stream", path.c_str());
}

// The seekers read small windows here and there: a small ring keeps each new request from
// fetching far more than the window.
hvStream* OpenUrl(const std::string& url, hvToolWaiter* waiter) {
  return hvTool_OpenUrl("seek", url, kUrlBlock, kUrlBlocks, nullptr, waiter);
}

}  // namespace

int hvTool_RunSeek(int argc, char** argv) {
  hvToolArgs args("seek", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, 1, "FILE|URL")) >= 0) return status;
  if (!args.Has("time")) return hvTool_UsageError("seek", "--time is required");
  uint64_t timeMs = 0;
  if (!ReadTime(args.Value("time"), &timeMs))
    return hvTool_UsageError("seek", "malformed time '%s' (seconds, or h:mm:ss.sss)",
                             hvTool_Printable(args.Value("time")).c_str());
  const std::string& path = args.Operands()[0];
  const char* mime = args.Value("mime");
  // Declared before the stream, which signals it until it is deleted.
  hvToolWaiter waiter;
  hvStream* stream = hvTool_IsUrl(path) ? OpenUrl(path, &waiter) : OpenFile(path, mime);
  if (!stream) return khvToolExit_BadInput;
  const char* profile = args.Value("profile");
  if (profile || (mime && hvTool_IsUrl(path))) {
    hvMediaInfo* info = new hvMediaInfo;
    if (profile) info->Set("dl", (std::string("DLNA.ORG_PN=") + profile).c_str(), true);
    // The server's type unless the user knows better (raw L16 takes its layout from it).
    if (mime) info->Set("mt", mime, true);
    stream->SetInfo(info);
  }
  hvSeekerManager* manager = hvSeekerManager_Create();
  hvSeekResult result;
  // A file never makes it wait; a URL's reads wait for the server's bytes.
  hvStreamingStatus found =
      hvSeeker_SeekTimeWaiting(manager, stream, timeMs, kUrlPatience, &result);
  // A named profile no seeker serves falls back to the content; say so rather than guess.
  hvMediaInfo probe;
  if (profile) probe.Set("dl", (std::string("DLNA.ORG_PN=") + profile).c_str(), true);
  const bool profileKnown = profile && manager->GetSeeker(&probe);
  delete manager;
  stream->Delete();

  const bool placed = found == khvStreamingStatus_OK || found == khvStreamingStatus_EndOfStream;
  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("file", path);
    json.Field("timeMs", static_cast<unsigned long long>(timeMs));
    json.Key("position");
    if (placed)
      json.UInt(result.bytePos);
    else
      json.Null();
    json.Field("format", result.format);
    json.Field("profile", profile ? profile : "");
    json.Field("bytesRead", static_cast<unsigned long long>(result.bytesRead));
    json.Field("status", StatusText(found));
    json.EndObject();
    json.Flush();
  } else {
    printf("%s\n", hvTool_Printable(path).c_str());
    hvTool_PrintField("time", std::to_string(timeMs / 1000) + "." +
                                  std::to_string(1000 + timeMs % 1000).substr(1) + " s");
    if (placed)
      hvTool_PrintField("position", std::to_string(result.bytePos) + " bytes" +
                                        (found == khvStreamingStatus_EndOfStream
                                             ? " (past the end: the last position)"
                                             : ""));
    hvTool_PrintField("format", *result.format ? result.format : "(unknown)");
    hvTool_PrintField("found by", !profile       ? "the content"
                                  : profileKnown ? "the profile " + hvTool_Printable(profile)
                                                 : "the content (no seeker for " +
                                                       hvTool_Printable(profile) + ")");
    hvTool_PrintField("bytes read", std::to_string(result.bytesRead) + " (" +
                                        hvTool_ByteCount(result.bytesRead) + ")");
  }
  if (!placed) {
    hvTool_Error("seek", "'%s': %s", hvTool_Printable(path).c_str(), StatusText(found));
    return khvToolExit_BadInput;
  }
  return khvToolExit_OK;
}
