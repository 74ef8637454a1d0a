// Comparing and joining records: same content, fitting a wanted format, and merging one
// record's capabilities into another's.
#include <cstring>

#include "dlna/hvProtocolInfoInternal.h"
#include "hulvoStreaming/hvMimeType.h"
#include "support/hvPtrVector.h"

namespace {

// MPEG-4 audio travels under several MIME types; a profile says which family it belongs to.
struct AudioGroup {
  const char* const* types;
  const char* const* profiles;
};
const char* const kGroup1Types[] = {"audio/mp4", "audio/3gpp", nullptr};
const char* const kGroup1Profiles[] = {"AAC_ISO",         "AAC_ISO_320",      "AAC_MULT5_ISO",
                                       "HEAAC_L2_ISO",    "HEAAC_L2_ISO_320", "HEAAC_L3_ISO",
                                       "HEAAC_MULT5_ISO", "AMR_3GPP",         nullptr};
const char* const kGroup2Types[] = {"audio/mp4", "audio/3gpp", "audio/vnd.dlna.adts", nullptr};
const char* const kGroup2Profiles[] = {
    "AAC_LTP_ISO",    "AAC_LTP_MULT5_ISO", "AAC_LTP_MULT7_ISO", "MPEG2_AAC_MPS", "AAC_MPS",
    "HEAAC_L4",       "HEAAC_MULT7",       "HEAAC_MPS",         "HEAACv2_L4",    "HEAACv2_MULT7",
    "HEAACv2_L2_320", "HEAACv2_L2",        "HEAACv2_L3",        "HEAACv2_MULT5", nullptr};
const AudioGroup kAudioGroups[] = {{kGroup1Types, kGroup1Profiles},
                                   {kGroup2Types, kGroup2Profiles}};

bool EqualsIgnoreCase(const char* a, const char* b) {
  return hvAscii_EqualsIgnoreCase(a, strlen(a), b, strlen(b));
}

bool InList(const char* const* list, const char* text) {
  for (; *list; ++list) {
    if (EqualsIgnoreCase(*list, text)) return true;
  }
  return false;
}

// Both null, or both set and equal byte for byte.
bool SameText(const char* a, const char* b) { return a == b || (a && b && strcmp(a, b) == 0); }

}  // namespace

bool hvProtocolInfo_AreEquivalentAudioTypes(const char* type1, const char* type2,
                                            const char* profile) {
  if (!type1 || !type2) return false;
  for (const AudioGroup& group : kAudioGroups) {
    if (InList(group.types, type1) && InList(group.types, type2) &&
        (!profile || InList(group.profiles, profile)))
      return true;
  }
  return false;
}

bool hvProtocolInfo_Equals(const hvProtocolInfo* a, const hvProtocolInfo* b) {
  if (!SameText(a->profile, b->profile)) return false;
  if (a->kind == khvProtocol_Other && b->kind == khvProtocol_Other &&
      !SameText(a->protocolName, b->protocolName))
    return false;
  return a->kind == b->kind && a->playSingle == b->playSingle &&
         hvMimeType_Match(a->contentFormat, b->contentFormat);
}

bool hvProtocolInfo_Matches(const hvProtocolInfo* record, const hvProtocolInfo* candidate) {
  if (record->kind != candidate->kind && record->kind != khvProtocol_Any &&
      candidate->kind != khvProtocol_Any)
    return false;
  bool profilesMatched = record->profile && candidate->profile;
  bool answer;
  if (profilesMatched) {
    if (!EqualsIgnoreCase(record->profile, candidate->profile)) return false;
    answer = true;
  } else {
    if (candidate->kind == khvProtocol_Other &&
        (!record->protocolName || !candidate->protocolName ||
         strcmp(record->protocolName, candidate->protocolName) != 0))
      return false;
    // One side names a profile, the other does not: only a concrete format can still fit.
    answer = !record->profile && !candidate->profile;
  }
  const char* wanted = record->contentFormat;
  const char* offered = candidate->contentFormat;
  if (!wanted || !offered) return false;
  if (strcmp(wanted, "*") == 0 || strcmp(offered, "*") == 0) return answer;
  if (hvMimeType_Match(offered, wanted)) return true;
  return hvProtocolInfo_AreEquivalentAudioTypes(wanted, offered,
                                                profilesMatched ? record->profile : nullptr);
}

void hvProtocolInfo_Merge(hvProtocolInfo* target, hvProtocolInfo* source) {
  if (source->conversion != 0) target->conversion = 1;
  hvProtocolInfo_Normalize(target);
  hvProtocolInfo_Normalize(source);
  for (int i = 0; i < 4; ++i) target->flags[i] |= source->flags[i];
  hvProtocolInfo_DecodeFlags(target);
  if (source->timeSeek) target->timeSeek = 1;
  if (source->byteSeek) target->byteSeek = 1;
  // Decimal values: 2.10 is below 2.5, and the larger keeps the digits it was written with.
  if (hvProtocolInfo_CompareMaxSpeeds(source, target) > 0) {
    target->maxSpeedInteger = source->maxSpeedInteger;
    target->maxSpeedFraction = source->maxSpeedFraction;
    target->maxSpeedFractionDigits = source->maxSpeedFractionDigits;
  }
  // Counted before adding: merging a record into itself must not walk its own new entries.
  size_t count = hvProtocolInfo_GetPlaySpeedCount(source);
  for (size_t i = 0; i < count; ++i) {
    const hvPlaySpeed* speed = hvProtocolInfo_GetPlaySpeedAt(source, i);
    if (!hvProtocolInfo_HasPlaySpeedValue(target, speed->value))
      hvProtocolInfo_AddPlaySpeed(target, speed->text, strlen(speed->text));
  }
}

void hvProtocolInfo_CopyCapabilities(hvProtocolInfo* target, const hvProtocolInfo* source) {
  if (target == source) return;
  target->timeSeek = source->timeSeek;
  target->byteSeek = source->byteSeek;
  target->thumbnail = source->thumbnail;
  target->flagsMajor = source->flagsMajor;
  target->flagsMinor = source->flagsMinor;
  target->maxSpeedInteger = source->maxSpeedInteger;
  target->maxSpeedFraction = source->maxSpeedFraction;
  target->maxSpeedFractionDigits = source->maxSpeedFractionDigits;
  hvProtocolInfo_EncodeFlags(source, &target->flags[0]);
  hvProtocolInfo_ClearPlaySpeeds(target);
  size_t count = hvProtocolInfo_GetPlaySpeedCount(source);
  for (size_t i = 0; i < count; ++i) {
    const hvPlaySpeed* speed = hvProtocolInfo_GetPlaySpeedAt(source, i);
    hvProtocolInfo_AddPlaySpeed(target, speed->text, strlen(speed->text));
  }
}
