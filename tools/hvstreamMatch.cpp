// hvstream match: whether a candidate protocolInfo fits what a record describes.
#include <cstdio>

#include "hulvoStreaming/hvMimeType.h"
#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamProtocol.h"
#include "hvstreamTool.h"

namespace {

const char kHelp[] =
    "usage: hvstream match [--short] [--json] RECORD CANDIDATE\n"
    "\n"
    "Tells whether CANDIDATE fits what RECORD describes: same protocol (or '*'), equal\n"
    "profiles, and a content format that matches (MIME parameters of RECORD must be found\n"
    "in CANDIDATE; AAC in MP4 and 3GPP containers count as the same content). Also shows\n"
    "whether the two describe the same content, as merging decides it.\n"
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
  const std::string& recordText = args.Operands()[0];
  const std::string& candidateText = args.Operands()[1];
  hvToolRecord record(recordText, args.Has("short"));
  hvToolRecord candidate(candidateText, args.Has("short"));
  bool valid = true;
  for (const hvToolRecord* each : {&record, &candidate}) {
    if (each->IsValid()) continue;
    hvTool_Error("match", "invalid protocolInfo '%s': %s",
                 hvTool_Printable(each == &record ? recordText : candidateText).c_str(),
                 khvTool_InvalidReason);
    valid = false;
  }
  if (!valid) return khvToolExit_BadInput;

  const hvProtocolInfo* a = record.Get();
  const hvProtocolInfo* b = candidate.Get();
  bool matches = hvProtocolInfo_Matches(a, b);
  bool sameContent = hvProtocolInfo_Equals(a, b);
  bool formatsMatch = hvMimeType_Match(b->contentFormat, a->contentFormat) != 0;
  bool equivalentAudio =
      hvProtocolInfo_AreEquivalentAudioTypes(a->contentFormat, b->contentFormat, a->profile);
  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("record", recordText);
    json.Field("candidate", candidateText);
    json.Field("matches", matches);
    json.Field("sameContent", sameContent);
    json.Field("contentFormatsMatch", formatsMatch);
    json.Field("equivalentAudio", equivalentAudio);
    json.EndObject();
    json.Flush();
  } else {
    hvTool_PrintField("record", hvTool_Printable(recordText));
    hvTool_PrintField("candidate", hvTool_Printable(candidateText));
    hvTool_PrintField("matches", hvTool_YesNo(matches));
    hvTool_PrintField("same content", hvTool_YesNo(sameContent));
    hvTool_PrintField("formats match", hvTool_YesNo(formatsMatch));
    hvTool_PrintField("equivalent audio", hvTool_YesNo(equivalentAudio));
  }
  return khvToolExit_OK;
}
