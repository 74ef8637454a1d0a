// hvProtocolInfo: one parsed DLNA protocolInfo ("protocol:network:contentFormat:additional"),
// the parser that fills it, the DLNA.ORG_FLAGS decoding and encoding, and the decisions read
// from it (seek by time or bytes, limited operations, transfer mode, content protection).
// A record owns all its strings, its play-speed list and its parameter map; it has no lock,
// so one thread uses it at a time. Nothing throws; allocation failure is fatal.
#ifndef HULVOSTREAMING_HVPROTOCOLINFO_H
#define HULVOSTREAMING_HVPROTOCOLINFO_H

#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvDList.h"
#include "hulvoStreaming/hvMimeType.h"
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
  // How many digits the DLNA.ORG_MAXSP fraction was written with, leading zeros included,
  // so that 2.05 (fraction 5, 2 digits) is written back as read and compares below 2.5.
  // 0 (a record filled by hand) means as many digits as the fraction has.
  int32_t maxSpeedFractionDigits;
};

// Parses exactly `length` bytes of `text` (no terminator is needed). Never fails and never
// returns null: a text with fewer than two ':'-separated fields gives a record with valid 0,
// unreadable parameters are dropped. A NUL byte among the `length` bytes makes the whole text
// invalid: cutting a field there would hand out a shorter text than the one received.
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
// Writes the flag booleans into *word: from version 1.5 on, bits 31 to 22, 20 (the 1.5 marker)
// and 16 to 14 (others kept); for an earlier version the word becomes 0. Bit 21 always
// follows connectionStalling.
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

// Writing. Texts returned are owned by the caller (hvMemory_Free). The builders normalize the
// record first (see hvProtocolInfo_Normalize), so they change its flags; building twice gives
// the same text. A record that is not valid gives "".
//
// Option bits: 1 writes the operation parameters (everything after DLNA.ORG_PN), 2 writes
// none whatever the other bits say, 4 writes them with play speeds separated by "\," for a
// text that will stand in a ','-separated list.
constexpr int khvProtocolInfo_WriteOperations = 1;
constexpr int khvProtocolInfo_WriteNoOperations = 2;
constexpr int khvProtocolInfo_WriteForList = 4;

// "protocol:network:contentFormat:fourthField". The first entry uses options 1.
HV_EXPORT char* hvProtocolInfo_ToString(hvProtocolInfo* record);
HV_EXPORT char* hvProtocolInfo_ToString(hvProtocolInfo* record, int options);
// The fourth field alone: "*" when there is nothing to write.
HV_EXPORT char* hvProtocolInfo_FourthFieldToString(hvProtocolInfo* record, int options);
// DLNA.ORG_MAXSP as it is written back ("2.05"), whatever the protocol. Owned by the caller.
HV_EXPORT char* hvProtocolInfo_MaxSpeedToString(const hvProtocolInfo* record);
// The play-speed texts in list order joined by "," (by "\," when `escaped` is not 0); null
// when the list is empty.
HV_EXPORT char* hvProtocolInfo_PlaySpeedsToString(const hvProtocolInfo* record, int escaped);
// The other parameters as name=value joined by ";" in map order; "" when there are none.
HV_EXPORT char* hvProtocolInfo_ParamsToString(const hvProtocolInfo* record);

// A protocol-only record for a URL, from its scheme: http, rtp/rtsp/udp and file are known,
// any other scheme is kept as the protocol name ("*" without a scheme). Not valid: it has no
// fields to write, no play-speed list and no parameter map.
HV_EXPORT hvProtocolInfo* hvProtocolInfo_FromUrl(const char* url);

// Serving: what a server announces about its own content.
// Version 1.5 flags and one transfer mode from the content format: image/ and text/
// Interactive, audio/ and video/ Streaming, anything else Background.
HV_EXPORT void hvProtocolInfo_SetTransferModeFromContentFormat(hvProtocolInfo* record);
// The transfer mode as above; over HTTP, stalling as allowed unless sender-paced; no time
// seek; byte seek over HTTP, file and unknown protocols unless the start keeps increasing.
HV_EXPORT void hvProtocolInfo_SetServingDefaults(hvProtocolInfo* record);
// WMDRM_ profiles allow time seek only.
HV_EXPORT void hvProtocolInfo_ApplyWmdrmRules(hvProtocolInfo* record);
// Content protection. The profile prefix and the wrapping are separate steps; a server that
// protects content does both. The prefix "DTCP_" is added once, never to "*" or "".
HV_EXPORT void hvProtocolInfo_AddDtcpPrefix(hvProtocolInfo* record);
// Wraps the content format as application/x-dtcp1 naming the host, the port (taken as 16 bits)
// and the old format, and marks the record link-protected with full clear-text byte seek.
HV_EXPORT void hvProtocolInfo_WrapDtcp(hvProtocolInfo* record, const char* host, uint32_t port);

// Comparing records (no lock; the caller owns them).
// Same content: profile (exact, or both null), protocol name for two unknown protocols, kind,
// play-single, and the content formats (hvMimeType_Match of a's and b's).
HV_EXPORT bool hvProtocolInfo_Equals(const hvProtocolInfo* a, const hvProtocolInfo* b);
// Whether `candidate` fits what `record` describes: kinds agree ("*" fits any), profiles agree
// ignoring case, and the content formats match, also through the AAC/3GPP audio groups.
HV_EXPORT bool hvProtocolInfo_Matches(const hvProtocolInfo* record,
                                      const hvProtocolInfo* candidate);
// Two MIME types that one audio group treats as the same content; with a profile, it must
// belong to that group too. Null profile: any.
HV_EXPORT bool hvProtocolInfo_AreEquivalentAudioTypes(const char* type1, const char* type2,
                                                      const char* profile);
// Joins source's capabilities into target: conversion, flags (OR), seeks, the larger maximum
// speed and the play speeds target lacks. Normalizes both records.
HV_EXPORT void hvProtocolInfo_Merge(hvProtocolInfo* target, hvProtocolInfo* source);
// Copies seeks, thumbnail, flags version, maximum speed, source's flag booleans into target's
// flags word 0, and replaces target's play speeds by copies of source's.
HV_EXPORT void hvProtocolInfo_CopyCapabilities(hvProtocolInfo* target,
                                               const hvProtocolInfo* source);

// hvProtocolInfoList: an ordered list of owned records behind an OS mutex. Every operation
// holds the mutex for its whole run, so lists may be shared between threads; records taken
// out of a list (Get, Find...) stay owned by it and are used by one thread at a time.
struct hvProtocolInfoList;

HV_EXPORT hvProtocolInfoList* hvProtocolInfoList_Create();
// Filled from a ','-separated list text (a "\," stays inside its entry); entries that are not
// valid are dropped. A null or empty text gives an empty list.
HV_EXPORT hvProtocolInfoList* hvProtocolInfoList_CreateFromText(const char* text);
// The same with short-form entries ("contentFormat:fourthField").
HV_EXPORT hvProtocolInfoList* hvProtocolInfoList_CreateFromShortText(const char* text);
// Replaces the contents with the full-form entries of `text`.
HV_EXPORT void hvProtocolInfoList_SetFromText(hvProtocolInfoList* list, const char* text);
// Destroys every record, the mutex and the list. Null is accepted.
HV_EXPORT void hvProtocolInfoList_Free(hvProtocolInfoList* list);

HV_EXPORT size_t hvProtocolInfoList_GetCount(hvProtocolInfoList* list);
// Borrowed; null when index >= count.
HV_EXPORT hvProtocolInfo* hvProtocolInfoList_Get(hvProtocolInfoList* list, size_t index);
// Takes ownership; the record ends at `index`, or at the end for a negative or too large one.
HV_EXPORT void hvProtocolInfoList_Insert(hvProtocolInfoList* list, hvProtocolInfo* record,
                                         ptrdiff_t index);
// Destroys the record at `index`; nothing when out of range.
HV_EXPORT void hvProtocolInfoList_RemoveAt(hvProtocolInfoList* list, size_t index);

// First record with exactly this profile; null for a null or empty profile.
HV_EXPORT hvProtocolInfo* hvProtocolInfoList_FindByProfile(hvProtocolInfoList* list,
                                                           const char* profile);
// First record without a profile whose content format matches `mimeType`.
HV_EXPORT hvProtocolInfo* hvProtocolInfoList_FindByContentFormat(hvProtocolInfoList* list,
                                                                 const char* mimeType);
// hvProtocolInfo_Matches(record, entry) for some entry.
HV_EXPORT bool hvProtocolInfoList_ContainsMatch(hvProtocolInfoList* list,
                                                const hvProtocolInfo* record);
// Some entry's profile equals `profile` ignoring case.
HV_EXPORT bool hvProtocolInfoList_ContainsProfile(hvProtocolInfoList* list, const char* profile);

// Moves source's records into target: a record describing the same content as one of target's
// (hvProtocolInfo_Equals) joins its capabilities and is destroyed; any other record moves,
// to the head of target when it has a profile, else to the tail. Source ends empty. Merging a
// list into itself changes nothing. Locks both lists in a fixed order, so two threads merging
// two lists into each other cannot deadlock.
HV_EXPORT void hvProtocolInfoList_Merge(hvProtocolInfoList* target, hvProtocolInfoList* source);
// Merges the entries of a list text.
HV_EXPORT void hvProtocolInfoList_MergeText(hvProtocolInfoList* target, const char* text);

// The distinct protocol names in list order, without "*", joined by ";"; "" for none or a null
// list. Owned by the caller.
HV_EXPORT char* hvProtocolInfoList_GetProtocols(hvProtocolInfoList* list);
// The record to use for a URL: `schemes` are the URL schemes in order of preference and
// `protocols` the accepted protocol names ("http-get" when null or empty), both ';'-separated.
// Gives the first accepted record whose scheme comes earliest, else the first accepted
// record, else -1.
HV_EXPORT int hvProtocolInfoList_SelectBest(hvProtocolInfoList* list, const char* schemes,
                                            const char* protocols);
// Every record written with `options` (empty texts skipped), joined by ",". The first entry
// uses options 1. Owned by the caller.
HV_EXPORT char* hvProtocolInfoList_ToString(hvProtocolInfoList* list);
HV_EXPORT char* hvProtocolInfoList_ToString(hvProtocolInfoList* list, int options);

// The records as an hvDList of hvProtocolInfo*, with the mutex held until Unlock; for walking.
HV_EXPORT hvDList* hvProtocolInfoList_Lock(hvProtocolInfoList* list);
HV_EXPORT void hvProtocolInfoList_Unlock(hvProtocolInfoList* list);

// hvStringSet: owned strings compared ignoring ASCII case, for profile and MIME-type lists.
// Ordered only after hvStringSet_SortUnique. No lock.
struct hvStringSet;

// Adds the non-empty profiles of a short-form list text to `set`, then sorts and
// de-duplicates it; returns its size.
HV_EXPORT size_t hvProtocolInfoList_GetProfiles(hvStringSet* set, const char* text);

HV_EXPORT hvStringSet* hvStringSet_Create();
// Null is accepted.
HV_EXPORT void hvStringSet_Free(hvStringSet* set);
HV_EXPORT size_t hvStringSet_GetCount(const hvStringSet* set);
// Borrowed; null when out of range.
HV_EXPORT const char* hvStringSet_Get(const hvStringSet* set, size_t index);
// Appends a copy (a null item is ignored); the set is unordered until the next SortUnique.
HV_EXPORT void hvStringSet_Add(hvStringSet* set, const char* item);
// Sorts ignoring case and keeps one entry of each run of equal ones (the spelling that sorts
// first byte-wise, capitals before small letters). Returns the size.
HV_EXPORT size_t hvStringSet_SortUnique(hvStringSet* set);
// Adds the ','-separated items of `text`, trimmed of spaces and tabs (empty ones skipped),
// then sorts and de-duplicates. Returns the size.
HV_EXPORT size_t hvStringSet_AddList(hvStringSet* set, const char* text);
// Removes the first entry equal to `item` ignoring case.
HV_EXPORT void hvStringSet_Remove(hvStringSet* set, const char* item);
// The entries joined by ","; "" when empty. Owned by the caller.
HV_EXPORT char* hvStringSet_Join(const hvStringSet* set);
HV_EXPORT bool hvStringSet_Contains(const hvStringSet* set, const char* item);
// The items of `text` (as hvStringSet_AddList reads them) that the set holds, joined by ",";
// the set is not changed. Owned by the caller.
HV_EXPORT char* hvStringSet_Filter(const hvStringSet* set, const char* text);

#endif
