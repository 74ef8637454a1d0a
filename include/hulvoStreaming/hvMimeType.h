// hvMimeType: a MIME text such as "audio/L16;rate=44100" split into its type and its
// name=value parameters, written back, searched, and matched against another text.
// A record owns its type, its two arrays and every string in them; texts returned to the
// caller are released with hvMemory_Free. No shared state: one thread per record.
#ifndef HULVOSTREAMING_HVMIMETYPE_H
#define HULVOSTREAMING_HVMIMETYPE_H

#include <cstddef>

#include "hv/hvPlatform.h"

struct hvMimeType {
  size_t parameterCount;
  char** names;   // parameterCount entries, null when there are none
  char** values;  // parallel to names; an entry is null for a name-only parameter
  char* type;     // the text before the first ';'; never null in a parsed record
};

// Never returns null. Spaces and tabs around ';' and '=' and at the ends of the type are not
// part of types, names or values; in a value written in double quotes they are, and a backslash
// takes the next character literally. Segments without '=', with an empty name or with an
// empty value are dropped, and an unterminated quote drops its segment and the rest. A null
// text gives an empty type.
HV_EXPORT hvMimeType* hvMimeType_Parse(const char* text);
// Null is accepted.
HV_EXPORT void hvMimeType_Free(hvMimeType* mime);
// Values holding one of ()<>@,;:\/[]?= or a double quote, empty values and values with white
// space at their ends are written in double quotes, with '"' and '\' behind a backslash, so a
// parsed record reads back from its text unchanged.
HV_EXPORT char* hvMimeType_ToString(const hvMimeType* mime);

// Appends copies; a null or empty name is ignored, a null or empty value gives a name-only
// parameter. Duplicate names are kept.
HV_EXPORT void hvMimeType_AddParameter(hvMimeType* mime, const char* name, const char* value);
// Stores `length` bytes of `text` as the name (isValue 0) or value of parameter `index`; a
// value written in quotes is stored without them and with its backslash escapes undone. An
// index at or past the count, a text holding a NUL within `length`, or a null text with a
// length, is ignored.
HV_EXPORT void hvMimeType_SetParameterText(hvMimeType* mime, size_t index, int isValue,
                                           const char* text, size_t length);

// Borrowed texts; null for an index at or past the count.
HV_EXPORT const char* hvMimeType_GetType(const hvMimeType* mime);
HV_EXPORT size_t hvMimeType_GetParameterCount(const hvMimeType* mime);
HV_EXPORT const char* hvMimeType_GetParameterName(const hvMimeType* mime, size_t index);
HV_EXPORT const char* hvMimeType_GetParameterValue(const hvMimeType* mime, size_t index);

// Names compare ignoring ASCII case. FindParameter returns an owned copy of the first match's
// value, or null (no name, no match, or a name-only parameter).
HV_EXPORT char* hvMimeType_FindParameter(const hvMimeType* mime, const char* name);
HV_EXPORT int hvMimeType_HasParameter(const hvMimeType* mime, const char* name);
// audio/L16 without a channels parameter means mono: appends channels=1.
HV_EXPORT void hvMimeType_ApplyL16Default(hvMimeType* mime);

// 1 when `text` has the record's type and every parameter of the record (name and value,
// ignoring case); extra parameters of `text` do not matter, so the test is asymmetric.
HV_EXPORT int hvMimeType_MatchesText(const hvMimeType* mime, const char* text);
// hvMimeType_MatchesText of hvMimeType_Parse(a) and b: every parameter of a must be in b.
HV_EXPORT int hvMimeType_Match(const char* a, const char* b);

#endif
