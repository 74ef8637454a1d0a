// The DLNA.ORG_ parameters a record decodes, as one table that drives both the parser and the
// builder: the parser looks a piece's name up in it, the builder walks it in order. Internal.
#ifndef HV_DLNA_HVPROTOCOLINFOFIELDS_H
#define HV_DLNA_HVPROTOCOLINFOFIELDS_H

#include <cstddef>

#include "hulvoStreaming/hvProtocolInfo.h"

struct hvStringBuilder;

struct hvProtocolInfoField {
  const char* name;  // as written, e.g. "DLNA.ORG_PN"; read ignoring case
  size_t nameLength;
  // Read only from a piece with exactly one '='; a piece with more is an other parameter.
  bool singleEquals;
  // Written only when the builder's options ask for operation parameters.
  bool operation;
  void (*read)(hvProtocolInfo* record, const char* value, size_t length);
  // Whether the record has a value to write, and the value itself.
  bool (*present)(const hvProtocolInfo* record);
  void (*write)(const hvProtocolInfo* record, int options, hvStringBuilder* out);
};

// In the order the builder writes them.
extern const hvProtocolInfoField khvProtocolInfoFields[];
extern const size_t khvProtocolInfoFieldCount;

// The decoded field a fourth-field piece names, or null for an other parameter.
const hvProtocolInfoField* hvProtocolInfo_FindField(const char* name, size_t nameLength,
                                                    size_t equalsCount);

#endif
