// DLNA.ORG_FLAGS: reading the 32-digit value, decoding word 0 into the flag booleans,
// encoding them back, and the protocol rules that keep them consistent.
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "support/hvNumber.h"

namespace {

constexpr uint32_t kVersion15Bit = 1u << 20;
constexpr uint32_t kConnectionStallingBit = 1u << 21;

// The booleans that exist only in version 1.5, with their bit in word 0.
struct FlagBit {
  int32_t hvProtocolInfo::*field;
  int bit;
};
const FlagBit kVersion15Flags[] = {
    {&hvProtocolInfo::senderPaced, 31},
    {&hvProtocolInfo::limitedTimeRange, 30},
    {&hvProtocolInfo::limitedByteRange, 29},
    {&hvProtocolInfo::playContainer, 28},
    {&hvProtocolInfo::startIncreasing, 27},
    {&hvProtocolInfo::endIncreasing, 26},
    {&hvProtocolInfo::rtspPause, 25},
    {&hvProtocolInfo::streamingMode, 24},
    {&hvProtocolInfo::interactiveMode, 23},
    {&hvProtocolInfo::backgroundMode, 22},
    {&hvProtocolInfo::linkProtected, 16},
    {&hvProtocolInfo::clearTextByteSeekFull, 15},
    {&hvProtocolInfo::clearTextLimitedBytes, 14},
};

// Eight plain hexadecimal digits, by far the common case, are read directly: the general
// reader's blanks, sign and "0x" rules cannot apply to them. Anything else goes to it.
uint32_t ReadWord(const char (&digits)[8]) {
  uint32_t word = 0;
  for (char c : digits) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (hvAscii_ToLower(c) >= 'a' && hvAscii_ToLower(c) <= 'f') {
      digit = static_cast<unsigned>(hvAscii_ToLower(c) - 'a' + 10);
    } else {
      return hvNumber_ReadUnsigned(digits, sizeof(digits), 16);
    }
    word = word << 4 | digit;
  }
  return word;
}

}  // namespace

void hvProtocolInfo_ReadFlags(hvProtocolInfo* record, const char* value, size_t length) {
  size_t remaining = length;
  size_t offset = 0;
  for (int word = 0; word < 4; ++word) {
    // A short group counts from the left: "0170" is 0x01700000, not 0x170.
    char digits[8];
    size_t taken = remaining < 8 ? remaining : 8;
    memset(digits, '0', sizeof(digits));
    memcpy(digits, value + offset, taken);
    record->flags[word] = ReadWord(digits);
    if (remaining <= 8) break;
    remaining -= 8;
    offset += 8;
  }
  hvProtocolInfo_DecodeFlags(record);
}

void hvProtocolInfo_DecodeFlags(hvProtocolInfo* record) {
  uint32_t word = record->flags[0];
  record->flagsMajor = 1;
  record->flagsMinor = (word & kVersion15Bit) ? 5 : 0;
  if (record->flagsMinor >= 5) {
    for (const FlagBit& flag : kVersion15Flags) record->*flag.field = (word >> flag.bit) & 1;
  }
  record->connectionStalling = (word & kConnectionStallingBit) ? 1 : 0;
}

bool hvProtocolInfo_HasVersion15Flags(const hvProtocolInfo* record) {
  return record->flagsMajor > 1 || (record->flagsMajor == 1 && record->flagsMinor >= 5);
}

// A later version (copied or set by a caller) still carries the 1.5 flags: anything else
// would announce its transfer mode and seek limits as "none".
void hvProtocolInfo_EncodeFlags(const hvProtocolInfo* record, uint32_t* word) {
  if (hvProtocolInfo_HasVersion15Flags(record)) {
    for (const FlagBit& flag : kVersion15Flags) {
      uint32_t bit = 1u << flag.bit;
      *word = record->*flag.field ? (*word | bit) : (*word & ~bit);
    }
    *word |= kVersion15Bit;
  } else {
    *word = 0;
  }
  *word = record->connectionStalling ? (*word | kConnectionStallingBit)
                                     : (*word & ~kConnectionStallingBit);
}

// Pausing the connection is an RTSP feature; background transfer and stalling are HTTP
// ones. A stalling connection is a background one and cannot be sender-paced.
void hvProtocolInfo_Normalize(hvProtocolInfo* record) {
  if (record->kind != khvProtocol_Other) {
    if (record->kind != khvProtocol_RtspRtpUdp) record->rtspPause = 0;
    if (record->kind != khvProtocol_HttpGet) {
      record->backgroundMode = 0;
      record->connectionStalling = 0;
    }
  }
  if (record->connectionStalling) {
    record->backgroundMode = 1;
    record->senderPaced = 0;
  }
  if (record->senderPaced) record->backgroundMode = 0;
  hvProtocolInfo_EncodeFlags(record, &record->flags[0]);
}
