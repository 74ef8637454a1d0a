// The byte classes the MIME parser and writer test, one table lookup per byte instead of a
// chain of comparisons or a strpbrk over the same bytes. Private to dlna/hvMimeType*.cpp.
#ifndef HV_DLNA_HVMIMETYPECHARS_H
#define HV_DLNA_HVMIMETYPECHARS_H

#include <cstddef>

enum : unsigned char {
  // Optional white space around ';' and '=' and at the ends of the type.
  khvMimeChar_Space = 1,
  // Bytes the parameter reader acts on: the end, ';', '=', '"' and '\'. Everything else is
  // part of the current token and skipped in a tight loop.
  khvMimeChar_Stop = 2,
  // A value holding one of ()<>@,;:\/[]?= or a double quote is written in quotes.
  khvMimeChar_Special = 4,
  // Inside quotes '"' and '\' are written behind a backslash.
  khvMimeChar_Escaped = 8,
};

struct hvMimeCharTable {
  unsigned char classes[256];
};

constexpr hvMimeCharTable hvMimeChars_Build() {
  hvMimeCharTable table{};
  table.classes[static_cast<unsigned char>(' ')] = khvMimeChar_Space;
  table.classes[static_cast<unsigned char>('\t')] = khvMimeChar_Space;
  const char stops[] = {'\0', ';', '=', '"', '\\'};
  for (char c : stops) table.classes[static_cast<unsigned char>(c)] |= khvMimeChar_Stop;
  for (const char* c = "()<>@,;:\\/[]?=\""; *c; ++c)
    table.classes[static_cast<unsigned char>(*c)] |= khvMimeChar_Special;
  table.classes[static_cast<unsigned char>('"')] |= khvMimeChar_Escaped;
  table.classes[static_cast<unsigned char>('\\')] |= khvMimeChar_Escaped;
  return table;
}

inline constexpr hvMimeCharTable khvMimeChars = hvMimeChars_Build();

inline unsigned char hvMimeChars_Class(char c) {
  return khvMimeChars.classes[static_cast<unsigned char>(c)];
}

inline bool hvMimeChars_IsSpace(char c) { return (hvMimeChars_Class(c) & khvMimeChar_Space) != 0; }

#endif
