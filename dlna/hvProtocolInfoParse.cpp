// Parsing a protocolInfo text into a record. The text is taken as exactly `length` bytes:
// every step works on pieces (pointer and length) of the caller's bytes and copies only what
// the record keeps, so a missing terminator cannot make it read further.
#include <cstring>

#include "dlna/hvProtocolInfoFields.h"
#include "dlna/hvProtocolInfoInternal.h"
#include "dlna/hvProtocolInfoParams.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "support/hvNumber.h"
#include "support/hvPtrVector.h"
#include "support/hvStringBuilder.h"
#include "support/hvTextSplit.h"

namespace {

hvProtocolInfo* CreateRecord() {
  hvProtocolInfo* record = static_cast<hvProtocolInfo*>(hvMemory_Calloc(sizeof(hvProtocolInfo)));
  record->playSpeeds = hvProtocolInfo_CreatePlaySpeedList();
  record->params = hvProtocolInfoParams_Create();
  record->flagsMajor = 1;
  record->flagsMinor = 0;
  record->valid = 1;
  record->kind = khvProtocol_Other;
  record->hasParams = 0;
  record->stallingAllowed = 1;
  return record;
}

// Missing or empty network and content-format fields stand for "any".
char* CopyOrAny(const hvTextPiece& field) {
  return field.length == 0 ? hvMemory_Strdup("*") : hvMemory_Strndup(field.text, field.length);
}

void ReadProtocol(hvProtocolInfo* record, const hvTextPiece& field) {
  struct Known {
    const char* text;
    hvProtocolKind kind;
    int32_t playSingle;
  };
  static const Known kKnown[] = {
      {"http-get", khvProtocol_HttpGet, 0},
      {"playsingle-http-get", khvProtocol_HttpGet, 1},
      {"rtsp-rtp-udp", khvProtocol_RtspRtpUdp, 0},
      {"playsingle-rtsp-rtp-udp", khvProtocol_RtspRtpUdp, 1},
      {"*", khvProtocol_Any, 0},
  };
  for (const Known& known : kKnown) {
    if (hvAscii_Equals(field.text, field.length, known.text)) {
      record->kind = known.kind;
      record->playSingle = known.playSingle;
      return;
    }
  }
  record->kind = khvProtocol_Other;
  if (field.length > 0) record->protocolName = hvMemory_Strndup(field.text, field.length);
}

void ReadOtherParam(hvProtocolInfo* record, const char* name, size_t nameLength, const char* value,
                    size_t valueLength) {
  if (hvProtocolInfoParams_IsAcceptable(name, nameLength, value, valueLength))
    hvProtocolInfoParams_Set(record->params, name, nameLength, value, valueLength);
}

// One name[=...=value] piece of the fourth field: a decoded DLNA.ORG_ parameter or an other
// parameter.
void ReadParam(hvProtocolInfo* record, const hvTextPiece& piece) {
  hvProtocolInfoPair pair = hvProtocolInfo_SplitPair(piece.text, piece.length);
  record->hasParams = 1;
  const hvProtocolInfoField* field =
      hvProtocolInfo_FindField(pair.name, pair.nameLength, pair.equalsCount);
  if (field) {
    field->read(record, pair.value, pair.valueLength);
  } else {
    ReadOtherParam(record, pair.name, pair.nameLength, pair.value, pair.valueLength);
  }
}

void ReadFourthField(hvProtocolInfo* record, const hvTextPiece& field) {
  hvTextSplit pieces;
  hvTextSplit_SplitAt(&pieces, field.text, field.length, ';');
  // An empty piece ends the list, so "A=1;;B=2" reads only A and a trailing ';' is harmless.
  for (size_t i = 0; i < pieces.count && pieces.pieces[i].length > 0; ++i)
    ReadParam(record, pieces.pieces[i]);
  // A lone "*" means "no additional information", not a parameter.
  if (pieces.count == 1 && hvAscii_Equals(pieces.pieces[0].text, pieces.pieces[0].length, "*"))
    record->hasParams = 0;
  hvTextSplit_Release(&pieces);
}

}  // namespace

hvProtocolInfo* hvProtocolInfo_Parse(const char* text, size_t length) {
  if (!text) {
    text = "";
    length = 0;
  }
  hvProtocolInfo* record = CreateRecord();
  hvTextSplit fields;
  // The record's texts are NUL-terminated: a NUL inside a field would cut it silently (a
  // profile or a format check would then pass on a text the peer never sent), so such a
  // text is refused as a whole.
  if (memchr(text, 0, length)) length = 0;
  hvTextSplit_SplitAt(&fields, text, length, ':');
  if (fields.count < 2) {
    record->valid = 0;
  } else {
    ReadProtocol(record, fields.pieces[0]);
    // Two fields leave it open whether the second is a network or a format, so it is not
    // kept and both read as "*".
    bool hasContentFormat = fields.count >= 3;
    record->network = hasContentFormat ? CopyOrAny(fields.pieces[1]) : hvMemory_Strdup("*");
    record->contentFormat = hasContentFormat ? CopyOrAny(fields.pieces[2]) : hvMemory_Strdup("*");
    // A ':' inside the fourth field makes its extent unknown, so no parameter is trusted.
    if (fields.count == 4) ReadFourthField(record, fields.pieces[3]);
  }
  if (record->kind == khvProtocol_Other && !record->protocolName)
    record->protocolName = hvMemory_Strdup("*");
  hvTextSplit_Release(&fields);
  return record;
}

hvProtocolInfo* hvProtocolInfo_ParseShort(const char* text, size_t length) {
  static const char kPrefix[] = "http-get:*:";
  hvStringBuilder* builder = hvStringBuilder_Create(hvNumber_AddSizes(sizeof(kPrefix), length));
  hvStringBuilder_AppendText(builder, kPrefix);
  if (text && length > 0) {
    hvStringBuilder_AppendBytes(builder, text, length);
  } else {
    hvStringBuilder_AppendText(builder, "*");
  }
  size_t fullLength = 0;
  char* full = hvStringBuilder_Detach(builder, 0, &fullLength);
  hvProtocolInfo* record = hvProtocolInfo_Parse(full, fullLength);
  hvMemory_Free(full);
  return record;
}

void hvProtocolInfo_Free(hvProtocolInfo* record) {
  if (!record) return;
  hvMemory_Free(record->profile);
  hvMemory_Free(record->contentFormat);
  hvMemory_Free(record->network);
  hvPtrVector_Free(record->playSpeeds);
  hvMemory_Free(record->protocolName);
  hvProtocolInfoParams_Free(record->params);
  hvMemory_Free(record);
}
