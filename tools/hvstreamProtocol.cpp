// protocolInfo helpers shared by the hvstream commands.
#include "hvstreamProtocol.h"

#include <cstdio>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvStream.h"
#include "hvstreamJson.h"
#include "hvstreamTool.h"

const char* const khvTool_InvalidReason = "fewer than two ':'-separated fields";

namespace {

// The named flags of DLNA.ORG_FLAGS word 0, in bit order. The version marker (bit 20) has no
// boolean of its own: the record's flags version tells it.
struct FlagName {
  const char* json;
  const char* label;
  int bit;
  int32_t hvProtocolInfo::*field;
};

const FlagName kFlags[] = {
    {"senderPaced", "sender paced", 31, &hvProtocolInfo::senderPaced},
    {"limitedTimeRange", "limited time range", 30, &hvProtocolInfo::limitedTimeRange},
    {"limitedByteRange", "limited byte range", 29, &hvProtocolInfo::limitedByteRange},
    {"playContainer", "play container", 28, &hvProtocolInfo::playContainer},
    {"startIncreasing", "start increasing", 27, &hvProtocolInfo::startIncreasing},
    {"endIncreasing", "end increasing", 26, &hvProtocolInfo::endIncreasing},
    {"rtspPause", "RTSP pause", 25, &hvProtocolInfo::rtspPause},
    {"streamingMode", "streaming mode", 24, &hvProtocolInfo::streamingMode},
    {"interactiveMode", "interactive mode", 23, &hvProtocolInfo::interactiveMode},
    {"backgroundMode", "background mode", 22, &hvProtocolInfo::backgroundMode},
    {"connectionStalling", "connection stalling", 21, &hvProtocolInfo::connectionStalling},
    {"linkProtected", "link protected", 16, &hvProtocolInfo::linkProtected},
    {"clearTextByteSeekFull", "clear-text byte seek", 15, &hvProtocolInfo::clearTextByteSeekFull},
    {"clearTextLimitedBytes", "clear-text limited bytes", 14,
     &hvProtocolInfo::clearTextLimitedBytes},
};

// Any version from 1.5 on carries the 1.5 flags, as the library writes them.
bool IsVersion15(const hvProtocolInfo* record) {
  return record->flagsMajor > 1 || (record->flagsMajor == 1 && record->flagsMinor >= 5);
}

std::string FlagWords(const hvProtocolInfo* record, const char* separator) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char word[9];
    snprintf(word, sizeof word, "%08lX", static_cast<unsigned long>(record->flags[i]));
    if (i) text += separator;
    text += word;
  }
  return text;
}

std::string PlaySpeeds(const hvProtocolInfo* record) {
  std::string text;
  for (size_t i = 0; i < hvProtocolInfo_GetPlaySpeedCount(record); ++i) {
    if (i) text += ", ";
    text += hvProtocolInfo_GetPlaySpeedAt(record, i)->text;
  }
  return text.empty() ? "none" : text;
}

std::string Parameters(const hvProtocolInfo* record) {
  std::string text;
  for (size_t i = 0; i < hvProtocolInfo_GetParamCount(record); ++i) {
    const char* name;
    size_t nameLength;
    const char* value;
    if (!hvProtocolInfo_GetParamAt(record, i, &name, &nameLength, &value)) break;
    if (i) text += "; ";
    text += hvTool_Printable(std::string(name, nameLength)) + "=" + hvTool_Printable(value);
  }
  return text.empty() ? "none" : text;
}

std::string OrNone(const char* text) { return text ? hvTool_Printable(text) : "(none)"; }

}  // namespace

hvToolRecord::hvToolRecord(const std::string& text, bool shortForm) {
  if (shortForm) {
    m_record = hvProtocolInfo_ParseShort(text.data(), text.size());
    m_fullText = "http-get:*:" + (text.empty() ? std::string("*") : text);
  } else {
    m_record = hvProtocolInfo_Parse(text.data(), text.size());
    m_fullText = text;
  }
}

hvToolRecord::~hvToolRecord() { hvProtocolInfo_Free(m_record); }

hvToolDecisions hvTool_Decide(const hvToolRecord& record) {
  const hvProtocolInfo* info = record.Get();
  hvToolDecisions decisions{};
  // The stream parses the text itself, as a player's stream would be given it.
  hvMemoryStream* stream = new hvMemoryStream(16, "application/octet-stream");
  stream->SetProtocolInfo(hvCString(record.FullText().data(), 0, record.FullText().size()));
  decisions.byteSeek = stream->Support(khvStreamSupport_ByteSeek);
  decisions.timeSeek = stream->Support(khvStreamSupport_TimeSeek);
  decisions.connectionStalling = stream->Support(khvStreamSupport_ConnectionStalling);
  bool pauseAllowed = stream->IsPauseAllowed();
  stream->Delete();

  decisions.limitedOperation = hvProtocolInfo_IsLimitedOperation(info);
  decisions.transferMode = hvProtocolInfo_GetTransferModeName(info);
  decisions.transferModeCode = hvProtocolInfo_GetTransferModeCode(info);
  // Pausing must not lose the place: RTSP servers pause on request when they announce it;
  // over HTTP the connection may be left to stall, or the player reconnects with a seek.
  decisions.pause = false;
  if (!pauseAllowed) {
    decisions.pauseReason = "live source";
  } else if (info->kind == khvProtocol_RtspRtpUdp) {
    decisions.pause = info->rtspPause != 0;
    decisions.pauseReason = decisions.pause ? "RTSP pause" : "no RTSP pause announced";
  } else if (decisions.connectionStalling) {
    decisions.pause = true;
    decisions.pauseReason = "the connection may stall";
  } else if (decisions.byteSeek || decisions.timeSeek) {
    decisions.pause = true;
    decisions.pauseReason = "resume with a seek";
  } else {
    decisions.pauseReason = "no stalling and no seek to resume with";
  }
  return decisions;
}

std::vector<std::string> hvTool_SplitList(const std::string& text) {
  std::vector<std::string> pieces;
  std::string piece;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ',' && (i == 0 || text[i - 1] != '\\')) {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
    } else {
      piece += text[i];
    }
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

const char* hvTool_KindName(hvProtocolKind kind) {
  switch (kind) {
    case khvProtocol_Other:
      return "Other";
    case khvProtocol_Any:
      return "Any";
    case khvProtocol_RtspRtpUdp:
      return "RtspRtpUdp";
    case khvProtocol_HttpGet:
      return "HttpGet";
    case khvProtocol_File:
      return "File";
  }
  return "Unknown";
}

std::string hvTool_FlagList(const hvProtocolInfo* record) {
  std::string text;
  for (const FlagName& flag : kFlags) {
    if (!(record->*flag.field)) continue;
    if (!text.empty()) text += ", ";
    text += flag.label;
  }
  if (IsVersion15(record)) text += text.empty() ? "version 1.5" : ", version 1.5";
  return text.empty() ? "none" : text;
}

std::string hvTool_Protection(const hvProtocolInfo* record) {
  std::string text;
  if (hvProtocolInfo_IsDtcp(record)) text = "DTCP link protection";
  if (hvProtocolInfo_IsWmdrm(record))
    text += text.empty() ? "Windows Media DRM" : ", Windows Media DRM";
  return text.empty() ? "none" : text;
}

void hvTool_PrintRecord(const hvToolRecord& record) {
  const hvProtocolInfo* info = record.Get();
  hvToolDecisions decisions = hvTool_Decide(record);
  const char* protocol = hvProtocolInfo_GetProtocolName(info);
  hvTool_PrintField("protocol", OrNone(protocol) + (info->playSingle ? " (play single)" : ""));
  hvTool_PrintField("network", OrNone(info->network));
  hvTool_PrintField("content format", OrNone(info->contentFormat));
  std::string profile = OrNone(info->profile);
  if (info->thumbnail) profile += " (thumbnail)";
  hvTool_PrintField("profile", profile);
  hvTool_PrintField("operations", std::string("time seek ") + hvTool_YesNo(info->timeSeek) +
                                      ", byte seek " + hvTool_YesNo(info->byteSeek));
  hvTool_PrintField("play speeds", PlaySpeeds(info));
  hvTool_PrintField("conversion", info->conversion ? "converted content" : "original content");
  if (info->maxSpeedInteger || info->maxSpeedFraction) {
    char* speed = hvProtocolInfo_MaxSpeedToString(info);
    hvTool_PrintField("maximum speed", speed);
    hvMemory_Free(speed);
  }
  hvTool_PrintField("flags", FlagWords(info, " ") + (IsVersion15(info) ? "" : " (version 1.0)"));
  hvTool_PrintField("flags set", hvTool_FlagList(info));
  hvTool_PrintField("other parameters", Parameters(info));
  hvTool_PrintField("byte seek", std::string(hvTool_YesNo(decisions.byteSeek)) + " (Support 5)");
  hvTool_PrintField("time seek", std::string(hvTool_YesNo(decisions.timeSeek)) + " (Support 6)");
  hvTool_PrintField("connection stalling",
                    std::string(hvTool_YesNo(decisions.connectionStalling)) + " (Support 7)");
  hvTool_PrintField("limited operation", hvTool_YesNo(decisions.limitedOperation));
  // Version 1.0 flags announce no mode: the library's answer is then its default.
  hvTool_PrintField("transfer mode", std::string(decisions.transferMode) + " (code " +
                                         std::to_string(decisions.transferModeCode) +
                                         (IsVersion15(info) ? ")" : ", none announced)"));
  hvTool_PrintField("pause",
                    std::string(hvTool_YesNo(decisions.pause)) + ": " + decisions.pauseReason);
  hvTool_PrintField("protection", hvTool_Protection(info));
}

void hvTool_JsonRecord(hvJsonWriter& json, const hvToolRecord& record) {
  const hvProtocolInfo* info = record.Get();
  hvToolDecisions decisions = hvTool_Decide(record);
  json.Field("protocol", hvProtocolInfo_GetProtocolName(info));
  json.Field("kind", hvTool_KindName(info->kind));
  json.Field("playSingle", info->playSingle != 0);
  json.Field("network", info->network);
  json.Field("contentFormat", info->contentFormat);
  json.Field("profile", info->profile);
  json.Field("thumbnail", info->thumbnail != 0);
  json.Field("timeSeek", info->timeSeek != 0);
  json.Field("byteSeek", info->byteSeek != 0);
  json.Key("playSpeeds");
  json.BeginArray();
  for (size_t i = 0; i < hvProtocolInfo_GetPlaySpeedCount(info); ++i) {
    const hvPlaySpeed* speed = hvProtocolInfo_GetPlaySpeedAt(info, i);
    json.BeginObject();
    json.Field("text", speed->text);
    json.Field("value", speed->value);
    json.EndObject();
  }
  json.EndArray();
  json.Field("conversion", static_cast<unsigned long>(info->conversion));
  json.Key("maxSpeed");
  json.BeginObject();
  json.Field("integer", static_cast<long>(info->maxSpeedInteger));
  json.Field("fraction", static_cast<long>(info->maxSpeedFraction));
  char* speed = hvProtocolInfo_MaxSpeedToString(info);
  json.Field("text", speed);
  hvMemory_Free(speed);
  json.EndObject();
  json.Field("flagsVersion", IsVersion15(info) ? "1.5" : "1.0");
  json.Field("flagWords", FlagWords(info, ""));
  json.Key("flags");
  json.BeginObject();
  for (const FlagName& flag : kFlags) json.Field(flag.json, info->*flag.field != 0);
  json.Field("version15", IsVersion15(info));
  json.EndObject();
  json.Key("params");
  json.BeginArray();
  for (size_t i = 0; i < hvProtocolInfo_GetParamCount(info); ++i) {
    const char* name;
    size_t nameLength;
    const char* value;
    if (!hvProtocolInfo_GetParamAt(info, i, &name, &nameLength, &value)) break;
    json.BeginObject();
    json.Field("name", std::string(name, nameLength));
    json.Field("value", value);
    json.EndObject();
  }
  json.EndArray();
  json.Key("decisions");
  json.BeginObject();
  json.Field("byteSeek", decisions.byteSeek);
  json.Field("timeSeek", decisions.timeSeek);
  json.Field("connectionStalling", decisions.connectionStalling);
  json.Field("limitedOperation", decisions.limitedOperation);
  json.Field("transferMode", decisions.transferMode);
  json.Field("transferModeCode", decisions.transferModeCode);
  json.Field("pause", decisions.pause);
  json.Field("pauseReason", decisions.pauseReason);
  json.EndObject();
  json.Key("protection");
  json.BeginObject();
  json.Field("dtcp", hvProtocolInfo_IsDtcp(info));
  json.Field("wmdrm", hvProtocolInfo_IsWmdrm(info));
  json.EndObject();
}

std::string hvTool_WriteBack(hvProtocolInfo* record) {
  return hvTool_TakeText(hvProtocolInfo_ToString(record, khvProtocolInfo_WriteOperations));
}

hvProtocolInfoList* hvTool_ParseList(const char* command, const std::string& text, bool* allValid) {
  *allValid = true;
  for (const std::string& entry : hvTool_SplitList(text)) {
    if (hvToolRecord(entry, false).IsValid()) continue;
    hvTool_Error(command, "invalid protocolInfo '%s' in the list: %s",
                 hvTool_Printable(entry).c_str(), khvTool_InvalidReason);
    *allValid = false;
  }
  return hvProtocolInfoList_CreateFromText(text.c_str());
}

std::vector<std::string> hvTool_ListEntries(hvProtocolInfoList* list) {
  std::vector<std::string> entries;
  for (size_t i = 0; i < hvProtocolInfoList_GetCount(list); ++i)
    entries.push_back(hvTool_WriteBack(hvProtocolInfoList_Get(list, i)));
  return entries;
}
