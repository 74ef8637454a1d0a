// hvProtocolInfo: one parsed DLNA protocolInfo ("protocol:network:contentFormat:additional"),
// the parser that fills it, the DLNA.ORG_FLAGS decoding and encoding, and the decisions read
// from it (seek by time or bytes, limited operations, transfer mode, content protection).
// A record owns all its strings, its play-speed list and its parameter map; it has no lock,
// so one thread uses it at a time. Nothing throws; allocation failure is fatal.
#ifndef HULVOSTREAMING_HVPROTOCOLINFO_H
#define HULVOSTREAMING_HVPROTOCOLINFO_H

#include <cstddef>
#include <cstdint>

#include "hv/hvPlatform.h"

struct hvPtrVector;
struct hvProtocolInfoParams;

enum hvProtocolKind : int32_t {
  khvProtocol_Other = 0,       // unrecognised protocol text, kept in protocolName
  khvProtocol_Any = 1,         // "*"
  khvProtocol_RtspRtpUdp = 2,  // "rtsp-rtp-udp" or "playsingle-rtsp-rtp-udp"
  khvProtocol_HttpGet = 3,     // "http-get" or "playsingle-http-get"
  khvProtocol_File = 4,        // never parsed; made from a "file" URL
};

// One DLNA.ORG_PS entry: the text as written ("1/2", "-2") and its value.
struct hvPlaySpeed {
  char* text;
  double value;
};

// Booleans are 32-bit 0/1 values. The field order is part of the interface.
struct hvProtocolInfo {
  int32_t valid;            // the text had at least two ':'-separated fields
  int32_t timeSeek;         // first digit of DLNA.ORG_OP
  int32_t byteSeek;         // second digit of DLNA.ORG_OP
  char* profile;            // DLNA.ORG_PN, or null
  char* contentFormat;      // third field, "*" when missing or empty (null when not valid)
  char* network;            // second field, "*" when missing or empty (null when not valid)
  hvPtrVector* playSpeeds;  // of hvPlaySpeed*, ascending by value; null for records built
                            // without parsing, which behave as an empty list
  int32_t thumbnail;        // the profile ends with "_TN"
  uint32_t conversion;      // DLNA.ORG_CI read as a base-2 number
  hvProtocolKind kind;
  char* protocolName;  // the protocol text for khvProtocol_Other ("*" when empty), else null
  int32_t playSingle;  // the protocol was written "playsingle-..."

  // Primary flags (word 0 of DLNA.ORG_FLAGS), decoded.
  int32_t senderPaced;         // bit 31
  int32_t limitedTimeRange;    // bit 30
  int32_t limitedByteRange;    // bit 29
  int32_t playContainer;       // bit 28
  int32_t startIncreasing;     // bit 27
  int32_t endIncreasing;       // bit 26
  int32_t rtspPause;           // bit 25
  int32_t connectionStalling;  // bit 21
  int32_t streamingMode;       // bit 24
  int32_t interactiveMode;     // bit 23
  int32_t backgroundMode;      // bit 22

  int32_t maxSpeedInteger;   // DLNA.ORG_MAXSP before the '.'
  int32_t maxSpeedFraction;  // DLNA.ORG_MAXSP after the '.'
  // Flags format version: 1.0 after parsing, 1.5 once a flags word with bit 20 was decoded.
  // The flag booleans mean something only for 1.5.
  uint32_t flagsMajor;
  int32_t flagsMinor;
  hvProtocolInfoParams* params;  // other parameters in order of first appearance, or null
  uint32_t flags[4];             // DLNA.ORG_FLAGS as four words, word 0 first
  int32_t hasParams;  // a fourth field with at least one parameter (not just "*") was seen
  uint64_t userData;  // for the record's owner; never interpreted

  int32_t clearTextLimitedBytes;  // bit 14
  int32_t clearTextByteSeekFull;  // bit 15
  int32_t linkProtected;          // bit 16
  int32_t stallingAllowed;        // 1 at creation; read by the serving defaults
};

// Parses exactly `length` bytes of `text` (embedded NUL bytes included; no terminator is
// needed). Never fails and never returns null: a text with fewer than two ':'-separated
// fields gives a record with valid 0, unreadable parameters are dropped.
HV_EXPORT hvProtocolInfo* hvProtocolInfo_Parse(const char* text, size_t length);
// Parses the short form "contentFormat:additional" as "http-get:*:" followed by the text
// ("*" for a null or empty text).
HV_EXPORT hvProtocolInfo* hvProtocolInfo_ParseShort(const char* text, size_t length);
// Releases the record and everything it owns. Null is accepted.
HV_EXPORT void hvProtocolInfo_Free(hvProtocolInfo* record);

// The protocol field as text; borrowed from the record or a constant. Null for an unknown kind.
HV_EXPORT const char* hvProtocolInfo_GetProtocolName(const hvProtocolInfo* record);
// An owned copy of the above (null stays null).
HV_EXPORT char* hvProtocolInfo_CopyProtocolName(const hvProtocolInfo* record);
// The profile equals `name` ignoring case; false when either is null.
HV_EXPORT bool hvProtocolInfo_HasProfile(const hvProtocolInfo* record, const char* name);
HV_EXPORT bool hvProtocolInfo_IsLimitedOperation(const hvProtocolInfo* record);
// Windows Media DRM: the profile starts with "WMDRM_".
HV_EXPORT bool hvProtocolInfo_IsWmdrm(const hvProtocolInfo* record);
// DTCP link protection: an "application/x-dtcp1" content format naming host, port and inner
// format, with the link-protected flag set.
HV_EXPORT bool hvProtocolInfo_IsDtcp(const hvProtocolInfo* record);

// 0 Background, 1 Streaming, 2 Interactive; other codes change nothing.
HV_EXPORT void hvProtocolInfo_SetTransferMode(hvProtocolInfo* record, int code);
// "Streaming", "Interactive" or "Background" (Streaming wins over Interactive).
HV_EXPORT const char* hvProtocolInfo_GetTransferModeName(const hvProtocolInfo* record);
// 4 Streaming, 0 Interactive, 2 Background: not the codes SetTransferMode takes.
HV_EXPORT int hvProtocolInfo_GetTransferModeCode(const hvProtocolInfo* record);
// Returns the stored value (0 or 1).
HV_EXPORT int32_t hvProtocolInfo_SetStallingAllowed(hvProtocolInfo* record, int on);
// Stores `value` as clearTextByteSeekFull and clears clearTextLimitedBytes; a value of 1 also
// lifts both limited ranges.
HV_EXPORT void hvProtocolInfo_SetClearTextByteSeek(hvProtocolInfo* record, int32_t value);
HV_EXPORT uint64_t hvProtocolInfo_GetUserData(const hvProtocolInfo* record);
HV_EXPORT void hvProtocolInfo_SetUserData(hvProtocolInfo* record, uint64_t userData);

// Sets the version and the flag booleans from flags word 0. Without the version 1.5 marker
// (bit 20) only connectionStalling is read.
HV_EXPORT void hvProtocolInfo_DecodeFlags(hvProtocolInfo* record);
// Writes the flag booleans into *word: for version 1.5 bits 31 to 22, 20 and 16 to 14 (others
// kept); for any other version the word becomes 0. Bit 21 always follows connectionStalling.
HV_EXPORT void hvProtocolInfo_EncodeFlags(const hvProtocolInfo* record, uint32_t* word);
// Makes the flags consistent with the protocol (pause only for RTSP, background and stalling
// only for HTTP; stalling implies background and excludes sender pacing) and re-encodes
// flags word 0. Changes the record.
HV_EXPORT void hvProtocolInfo_Normalize(hvProtocolInfo* record);

HV_EXPORT void hvProtocolInfo_ClearPlaySpeeds(hvProtocolInfo* record);
HV_EXPORT size_t hvProtocolInfo_GetPlaySpeedCount(const hvProtocolInfo* record);
// Entry `index` in ascending order, borrowed; null when out of range.
HV_EXPORT const hvPlaySpeed* hvProtocolInfo_GetPlaySpeedAt(const hvProtocolInfo* record,
                                                           size_t index);

// Other parameters (names other than the DLNA.ORG_ ones the record decodes). Names are
// compared exactly; an empty or null name is never stored or found. Returned texts are
// borrowed from the record and live until the entry is changed or removed.
HV_EXPORT const char* hvProtocolInfo_GetParam(const hvProtocolInfo* record, const char* name);
// Replaces any entry of that name and appends the new one at the end of the order. A null
// value is stored as "".
HV_EXPORT void hvProtocolInfo_SetParam(hvProtocolInfo* record, const char* name, const char* value);
HV_EXPORT void hvProtocolInfo_RemoveParam(hvProtocolInfo* record, const char* name);
// Frees every entry and the map; params becomes null.
HV_EXPORT void hvProtocolInfo_ClearParams(hvProtocolInfo* record);
HV_EXPORT size_t hvProtocolInfo_GetParamCount(const hvProtocolInfo* record);
// Entry `index` in map order: its name (not NUL-terminated when it holds NUL bytes, hence
// the length) and value. False when out of range.
HV_EXPORT bool hvProtocolInfo_GetParamAt(const hvProtocolInfo* record, size_t index,
                                         const char** name, size_t* nameLength, const char** value);
// Looks `name` up (ignoring case) in a fourth-field text without building a record, with the
// parser's rules for other parameters. Returns an owned copy of the value, or null.
HV_EXPORT char* hvProtocolInfo_FindParamInText(const char* text, const char* name);

#endif
