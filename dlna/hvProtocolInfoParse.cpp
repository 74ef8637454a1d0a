// Parsing a protocolInfo text into a record. The text is taken as exactly `length` bytes:
// every step works on pieces (pointer and length) of the caller's bytes and copies only what
// the record keeps, so a missing terminator cannot make it read further.
#include <cstring>

#include "dlna/hvProtocolInfoFields.h"
#include "dlna/hvProtocolInfoInternal.h"
#include "dlna/hvProtocolInfoParams.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "support/hvPtrVector.h"
#include "support/hvTextSplit.h"

namespace {

// A parsed record comes in one block with its play-speed list and parameter map: both are
// made for every record and mostly stay empty, and as allocations of their own they cost a
// list about a sixth of its parse. They know they are in place, so freeing them leaves the
// block to hvProtocolInfo_Free.
struct RecordBlock {
  hvProtocolInfo record;  // first: the record's address is the block's
  hvPtrVector playSpeeds;
  hvProtocolInfoParams params;
};

hvProtocolInfo* CreateRecord() {
  RecordBlock* block = static_cast<RecordBlock*>(hvMemory_Calloc(sizeof(RecordBlock)));
  hvProtocolInfo* record = &block->record;
  hvProtocolInfo_InitPlaySpeedList(&block->playSpeeds);
  record->playSpeeds = &block->playSpeeds;
  hvProtocolInfoParams_InitInPlace(&block->params);
  record->params = &block->params;
  record->flagsMajor = 1;
  record->flagsMinor = 0;
  record->valid = 1;
  record->kind = khvProtocol_Other;
  record->hasParams = 0;
  record->stallingAllowed = 1;
  return record;
}

char* CopyAny() { return hvMemory_Strndup("*", 1); }

// Missing or empty network and content-format fields stand for "any".
char* CopyOrAny(const hvTextPiece& field) {
  return field.length == 0 ? CopyAny() : hvMemory_Strndup(field.text, field.length);
}

void ReadProtocol(hvProtocolInfo* record, const hvTextPiece& field) {
  struct Known {
    const char* text;
    size_t length;
    hvProtocolKind kind;
    int32_t playSingle;
  };
  static const Known kKnown[] = {
      {"http-get", 8, khvProtocol_HttpGet, 0},
      {"playsingle-http-get", 19, khvProtocol_HttpGet, 1},
      {"rtsp-rtp-udp", 12, khvProtocol_RtspRtpUdp, 0},
      {"playsingle-rtsp-rtp-udp", 23, khvProtocol_RtspRtpUdp, 1},
      {"*", 1, khvProtocol_Any, 0},
  };
  for (const Known& known : kKnown) {
    if (field.length == known.length && memcmp(field.text, known.text, known.length) == 0) {
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
  // A lone "*" means "no additional information", not a parameter.
  if (field.length == 1 && field.text[0] == '*') return;
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, field.text, field.length);
  // An empty piece ends the list, so "A=1;;B=2" reads only A and a trailing ';' is harmless.
  hvTextPiece piece;
  while (hvTextCursor_Next(&cursor, ';', &piece) && piece.length > 0) ReadParam(record, piece);
}

// Five fields are as many as matter: a fifth only says that the fourth has no known end.
constexpr size_t kMostFields = 5;

// Cuts `text` into the fields that follow the `count` already in `fields`, then reads them.
// The record's texts are NUL-terminated: a NUL inside a field would cut it silently (a
// profile or a format check would then pass on a text the peer never sent), so the caller
// refuses such a text as a whole.
hvProtocolInfo* ParseFields(hvTextPiece (&fields)[kMostFields], size_t count, const char* text,
                            size_t length) {
  hvProtocolInfo* record = CreateRecord();
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, text, length);
  while (count < kMostFields && hvTextCursor_Next(&cursor, ':', &fields[count])) ++count;
  if (count < 2) {
    record->valid = 0;
  } else {
    ReadProtocol(record, fields[0]);
    // Two fields leave it open whether the second is a network or a format, so it is not
    // kept and both read as "*".
    bool hasContentFormat = count >= 3;
    record->network = hasContentFormat ? CopyOrAny(fields[1]) : CopyAny();
    record->contentFormat = hasContentFormat ? CopyOrAny(fields[2]) : CopyAny();
    // A ':' inside the fourth field makes its extent unknown, so no parameter is trusted.
    if (count == 4) ReadFourthField(record, fields[3]);
  }
  if (record->kind == khvProtocol_Other && !record->protocolName) record->protocolName = CopyAny();
  return record;
}

}  // namespace

hvProtocolInfo* hvProtocolInfo_Parse(const char* text, size_t length) {
  if (!text || memchr(text, 0, length)) length = 0;
  hvTextPiece fields[kMostFields];
  return ParseFields(fields, 0, text ? text : "", length);
}

// Read as if written after "http-get:*:", without building that text.
hvProtocolInfo* hvProtocolInfo_ParseShort(const char* text, size_t length) {
  if (!text || length == 0) {
    text = "*";
    length = 1;
  }
  hvTextPiece fields[kMostFields];
  if (memchr(text, 0, length)) return ParseFields(fields, 0, "", 0);
  fields[0] = {"http-get", 8};
  fields[1] = {"*", 1};
  return ParseFields(fields, 2, text, length);
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
