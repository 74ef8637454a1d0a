// Reading and writing each decoded DLNA.ORG_ parameter, side by side so the two cannot drift.
#include "dlna/hvProtocolInfoFields.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMemory.h"
#include "support/hvNumber.h"
#include "support/hvStringBuilder.h"
#include "support/hvTextSplit.h"

namespace {

// Option bit 2: the text will stand in a ','-separated list, so play speeds escape commas.
constexpr int kEscapePlaySpeeds = 4;

void ReadProfile(hvProtocolInfo* record, const char* value, size_t length) {
  hvMemory_StrAssignN(&record->profile, value, length);
  record->thumbnail = length > 3 && memcmp(value + length - 3, "_TN", 3) == 0;
}

bool HasProfile(const hvProtocolInfo* record) { return record->profile != nullptr; }

void WriteProfile(const hvProtocolInfo* record, int, hvStringBuilder* out) {
  hvStringBuilder_AppendText(out, record->profile);
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

// Limited operations are announced by the flags instead.
bool HasOperations(const hvProtocolInfo* record) {
  if (hvProtocolInfo_IsLimitedOperation(record)) return false;
  switch (record->kind) {
    case khvProtocol_Other:
    case khvProtocol_HttpGet:
      return record->timeSeek || record->byteSeek;
    case khvProtocol_RtspRtpUdp:
      return record->timeSeek != 0;
    default:
      return false;
  }
}

void WriteOperations(const hvProtocolInfo* record, int, hvStringBuilder* out) {
  bool rtsp = record->kind == khvProtocol_RtspRtpUdp;
  char digits[2] = {record->timeSeek ? '1' : '0', !rtsp && record->byteSeek ? '1' : '0'};
  hvStringBuilder_AppendBytes(out, digits, sizeof(digits));
}

bool HasPlaySpeeds(const hvProtocolInfo* record) {
  return hvProtocolInfo_GetPlaySpeedCount(record) > 0;
}

void WritePlaySpeeds(const hvProtocolInfo* record, int options, hvStringBuilder* out) {
  hvProtocolInfo_AppendPlaySpeeds(record, options & kEscapePlaySpeeds, out);
}

void ReadConversion(hvProtocolInfo* record, const char* value, size_t length) {
  record->conversion = hvNumber_ReadUnsigned(value, length, 2);
}

bool HasConversion(const hvProtocolInfo* record) { return record->conversion != 0; }

void WriteConversion(const hvProtocolInfo*, int, hvStringBuilder* out) {
  hvStringBuilder_AppendText(out, "1");
}

// Flags mean something only from version 1.5 on.
bool HasFlags(const hvProtocolInfo* record) { return hvProtocolInfo_HasVersion15Flags(record); }

void WriteFlags(const hvProtocolInfo* record, int, hvStringBuilder* out) {
  for (uint32_t word : record->flags) hvStringBuilder_AppendHex8(out, word);
}

// The digits of a number as hvNumber_ReadUnsigned reads them (after blanks and one '+').
size_t CountDecimalDigits(const char* text, size_t length) {
  size_t p = 0;
  while (p < length && (text[p] == ' ' || (text[p] >= '\t' && text[p] <= '\r'))) ++p;
  if (p < length && text[p] == '+') ++p;
  size_t start = p;
  while (p < length && text[p] >= '0' && text[p] <= '9') ++p;
  return p - start;
}

void ReadMaximumSpeed(hvProtocolInfo* record, const char* value, size_t length) {
  hvTextCursor cursor;
  hvTextCursor_Init(&cursor, value, length);
  hvTextPiece integer;
  hvTextPiece fraction;
  hvTextPiece beyond;
  hvTextCursor_Next(&cursor, '.', &integer);
  // The record holds signed parts; a saturated reading (0xFFFFFFFF) lands as -1.
  record->maxSpeedInteger =
      static_cast<int32_t>(hvNumber_ReadUnsigned(integer.text, integer.length, 10));
  // A fraction only from exactly two parts.
  if (!hvTextCursor_Next(&cursor, '.', &fraction) || hvTextCursor_Next(&cursor, '.', &beyond))
    return;
  uint32_t number = hvNumber_ReadUnsigned(fraction.text, fraction.length, 10);
  record->maxSpeedFraction = static_cast<int32_t>(number);
  // The digit count keeps leading zeros (2.05 is not 2.5). A saturated fraction has lost
  // its digits anyway, so it is written as the number it became.
  size_t digits = CountDecimalDigits(fraction.text, fraction.length);
  record->maxSpeedFractionDigits =
      number == UINT32_MAX || digits > INT32_MAX ? 0 : static_cast<int32_t>(digits);
}

// Only RTSP announces a maximum speed. The sum is taken in 64 bits: a saturated part reads
// as -1 and two large parts would overflow 32.
bool HasMaximumSpeed(const hvProtocolInfo* record) {
  return record->kind == khvProtocol_RtspRtpUdp &&
         static_cast<int64_t>(record->maxSpeedInteger) + record->maxSpeedFraction != 0;
}

size_t NaturalDigits(uint32_t value) {
  size_t digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

// The fraction's width: the digits it was read with, or its own when it has more.
size_t FractionWidth(const hvProtocolInfo* record) {
  size_t natural = NaturalDigits(static_cast<uint32_t>(record->maxSpeedFraction));
  size_t read =
      record->maxSpeedFractionDigits > 0 ? static_cast<size_t>(record->maxSpeedFractionDigits) : 0;
  return read > natural ? read : natural;
}

// The parts were read as unsigned numbers, so they are written back as unsigned: a saturated
// part stays saturated when read again instead of turning into an unreadable "-1".
void AppendMaximumSpeed(const hvProtocolInfo* record, hvStringBuilder* out) {
  uint32_t fraction = static_cast<uint32_t>(record->maxSpeedFraction);
  hvStringBuilder_AppendDecimal(out, static_cast<uint32_t>(record->maxSpeedInteger));
  hvStringBuilder_AppendChar(out, '.');
  for (size_t zeros = FractionWidth(record) - NaturalDigits(fraction); zeros > 0; --zeros)
    hvStringBuilder_AppendChar(out, '0');
  hvStringBuilder_AppendDecimal(out, fraction);
}

void WriteMaximumSpeed(const hvProtocolInfo* record, int, hvStringBuilder* out) {
  AppendMaximumSpeed(record, out);
}

}  // namespace

const hvProtocolInfoField khvProtocolInfoFields[] = {
    {"DLNA.ORG_PN", 11, true, false, ReadProfile, HasProfile, WriteProfile},
    {"DLNA.ORG_OP", 11, true, true, ReadOperations, HasOperations, WriteOperations},
    {"DLNA.ORG_PS", 11, true, true, hvProtocolInfo_ReadPlaySpeeds, HasPlaySpeeds, WritePlaySpeeds},
    {"DLNA.ORG_CI", 11, true, true, ReadConversion, HasConversion, WriteConversion},
    {"DLNA.ORG_FLAGS", 14, false, true, hvProtocolInfo_ReadFlags, HasFlags, WriteFlags},
    {"DLNA.ORG_MAXSP", 14, false, true, ReadMaximumSpeed, HasMaximumSpeed, WriteMaximumSpeed},
};
const size_t khvProtocolInfoFieldCount =
    sizeof(khvProtocolInfoFields) / sizeof(khvProtocolInfoFields[0]);

namespace {

// Every name is at least this long, so its first and last eight bytes cover it.
constexpr size_t kShortestName = 8;

uint64_t Load8(const char* bytes) {
  uint64_t value;
  memcpy(&value, bytes, sizeof(value));
  return value;
}

// A name's first and last eight bytes with letters in lower case, and masks with 0x20 over
// the letters: a candidate's bytes OR-ed with the mask equal the folded bytes exactly when
// they are the name's bytes in either case.
struct FoldedName {
  uint64_t head;
  uint64_t headMask;
  uint64_t tail;
  uint64_t tailMask;
};

void Fold(const char* bytes, uint64_t* folded, uint64_t* mask) {
  char lower[kShortestName];
  char letters[kShortestName];
  for (size_t i = 0; i < kShortestName; ++i) {
    lower[i] = hvAscii_ToLower(bytes[i]);
    letters[i] = lower[i] != hvAscii_ToUpper(bytes[i]) ? 0x20 : 0;
  }
  *folded = Load8(lower);
  *mask = Load8(letters);
}

struct FoldedNames {
  FoldedName names[sizeof(khvProtocolInfoFields) / sizeof(khvProtocolInfoFields[0])];
  FoldedNames() {
    for (size_t i = 0; i < khvProtocolInfoFieldCount; ++i) {
      const hvProtocolInfoField& field = khvProtocolInfoFields[i];
      Fold(field.name, &names[i].head, &names[i].headMask);
      Fold(field.name + field.nameLength - kShortestName, &names[i].tail, &names[i].tailMask);
    }
  }
};

}  // namespace

const hvProtocolInfoField* hvProtocolInfo_FindField(const char* name, size_t nameLength,
                                                    size_t equalsCount) {
  static const FoldedNames kFolded;
  if (nameLength < kShortestName) return nullptr;
  uint64_t head = Load8(name);
  uint64_t tail = Load8(name + nameLength - kShortestName);
  for (size_t i = 0; i < khvProtocolInfoFieldCount; ++i) {
    const hvProtocolInfoField& field = khvProtocolInfoFields[i];
    if (field.nameLength != nameLength || (field.singleEquals && equalsCount != 1)) continue;
    const FoldedName& folded = kFolded.names[i];
    if ((head | folded.headMask) == folded.head && (tail | folded.tailMask) == folded.tail)
      return &field;
  }
  return nullptr;
}

char* hvProtocolInfo_MaxSpeedToString(const hvProtocolInfo* record) {
  hvStringBuilder out;
  hvStringBuilder_Init(&out, 0);
  AppendMaximumSpeed(record, &out);
  return hvStringBuilder_Finish(&out, 1, nullptr);
}

int hvProtocolInfo_CompareMaxSpeeds(const hvProtocolInfo* a, const hvProtocolInfo* b) {
  uint32_t aInteger = static_cast<uint32_t>(a->maxSpeedInteger);
  uint32_t bInteger = static_cast<uint32_t>(b->maxSpeedInteger);
  if (aInteger != bInteger) return aInteger < bInteger ? -1 : 1;
  // Scale the narrower fraction to the other's width: 5 of width 1 against 10 of width 2
  // compares 50 with 10. A fraction below 2^32 scaled by 10^9 still fits 64 bits, and a
  // width difference of ten or more puts any non-zero narrower fraction above the other.
  uint64_t aFraction = static_cast<uint32_t>(a->maxSpeedFraction);
  uint64_t bFraction = static_cast<uint32_t>(b->maxSpeedFraction);
  size_t aWidth = FractionWidth(a);
  size_t bWidth = FractionWidth(b);
  uint64_t* narrower = aWidth < bWidth ? &aFraction : &bFraction;
  size_t difference = aWidth < bWidth ? bWidth - aWidth : aWidth - bWidth;
  if (difference >= 10) {
    if (*narrower != 0) *narrower = UINT64_MAX;
  } else {
    for (; difference > 0; --difference) *narrower *= 10;
  }
  if (aFraction != bFraction) return aFraction < bFraction ? -1 : 1;
  return 0;
}
