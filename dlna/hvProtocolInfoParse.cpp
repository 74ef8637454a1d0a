// Parsing a protocolInfo text into a record. The text is taken as exactly `length` bytes:
// every step works on pieces (pointer and length) of the caller's bytes and copies only what
// the record keeps, so embedded NUL bytes or a missing terminator cannot make it read further.
#include <cstring>

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

void ReadProfile(hvProtocolInfo* record, const char* value, size_t length) {
  hvMemory_StrAssignN(&record->profile, value, length);
  record->thumbnail = length > 3 && memcmp(value + length - 3, "_TN", 3) == 0;
}

// DLNA.ORG_OP is two digits, time seek then byte range; RTSP has no byte ranges and other
// protocols have no defined operations.
void ReadOperations(hvProtocolInfo* record, const char* value, size_t length) {
  char timeDigit = length > 0 ? value[0] : '0';
  char byteDigit = length > 1 ? value[1] : '0';
  if (record->kind == khvProtocol_HttpGet) {
    record->timeSeek = timeDigit != '0';
    record->byteSeek = byteDigit != '0';
  } else if (record->kind == khvProtocol_RtspRtpUdp) {
    record->timeSeek = timeDigit != '0';
  }
}

void ReadMaximumSpeed(hvProtocolInfo* record, const char* value, size_t length) {
  hvTextSplit parts;
  hvTextSplit_SplitAt(&parts, value, length, '.');
  // The record holds signed parts; a saturated reading (0xFFFFFFFF) lands as -1.
  record->maxSpeedInteger =
      static_cast<int32_t>(hvNumber_ReadUnsigned(parts.pieces[0].text, parts.pieces[0].length, 10));
  if (parts.count == 2) {
    record->maxSpeedFraction = static_cast<int32_t>(
        hvNumber_ReadUnsigned(parts.pieces[1].text, parts.pieces[1].length, 10));
  }
  hvTextSplit_Release(&parts);
}

void ReadOtherParam(hvProtocolInfo* record, const char* name, size_t nameLength, const char* value,
                    size_t valueLength) {
  if (hvProtocolInfoParams_IsAcceptable(name, nameLength, value, valueLength))
    hvProtocolInfoParams_Set(record->params, name, nameLength, value, valueLength);
}

// One name[=...=value] piece of the fourth field. The decoded DLNA.ORG_ names are matched by
// length first, as the grammar fixes them; the 11-character ones need exactly one '='.
void ReadParam(hvProtocolInfo* record, const hvTextPiece& piece) {
  hvProtocolInfoPair pair = hvProtocolInfo_SplitPair(piece.text, piece.length);
  const char* name = pair.name;
  size_t nameLength = pair.nameLength;
  const char* value = pair.value;
  size_t valueLength = pair.valueLength;
  record->hasParams = 1;

  if (nameLength == 11 && pair.equalsCount == 1) {
    if (hvAscii_EqualsIgnoreCase(name, nameLength, "DLNA.ORG_PN", 11)) {
      ReadProfile(record, value, valueLength);
    } else if (hvAscii_EqualsIgnoreCase(name, nameLength, "DLNA.ORG_OP", 11)) {
      ReadOperations(record, value, valueLength);
    } else if (hvAscii_EqualsIgnoreCase(name, nameLength, "DLNA.ORG_PS", 11)) {
      hvProtocolInfo_ReadPlaySpeeds(record, value, valueLength);
    } else if (hvAscii_EqualsIgnoreCase(name, nameLength, "DLNA.ORG_CI", 11)) {
      record->conversion = hvNumber_ReadUnsigned(value, valueLength, 2);
    } else {
      ReadOtherParam(record, name, nameLength, value, valueLength);
    }
  } else if (nameLength == 14) {
    if (hvAscii_EqualsIgnoreCase(name, nameLength, "DLNA.ORG_FLAGS", 14)) {
      hvProtocolInfo_ReadFlags(record, value, valueLength);
    } else if (hvAscii_EqualsIgnoreCase(name, nameLength, "DLNA.ORG_MAXSP", 14)) {
      ReadMaximumSpeed(record, value, valueLength);
    } else {
      ReadOtherParam(record, name, nameLength, value, valueLength);
    }
  } else {
    ReadOtherParam(record, name, nameLength, value, valueLength);
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
