// Parsing a MIME text. Spaces and tabs around ';' and '=' and at the ends of the type are
// optional white space, as in HTTP's Content-Type: "text/html; charset=utf-8" has the parameter
// "charset". Inside double quotes they are kept, and a backslash takes the next character
// literally. The parameters are counted before they are stored, so the arrays are allocated
// once at their size.
#include <cstring>

#include "dlna/hvMimeTypeChars.h"
#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "support/hvAscii.h"
#include "support/hvNumber.h"

namespace {

struct Span {
  const char* begin;
  const char* end;
  size_t Length() const { return static_cast<size_t>(end - begin); }
};

Span Trim(const char* begin, const char* end) {
  while (begin < end && hvMimeChars_IsSpace(*begin)) ++begin;
  while (end > begin && hvMimeChars_IsSpace(end[-1])) --end;
  return {begin, end};
}

// One parameter segment. A '=' outside quotes after a non-empty name ends the name (a later one
// replaces it: "a=1=2" is named "1"); a double quote after the name opens or closes quotes; ';'
// or the end outside quotes ends the segment. A segment is kept when it has a name and a
// non-empty value; a quote left open runs to the end of the text and drops its segment.
struct Segment {
  Span name;
  Span value;
  bool kept;
  const char* next;  // after the ';' that ended the segment; null at the end of the text
};

// Fills `segment` in place: the parser reads straight into the slot that remembers it.
void ReadSegment(const char* p, Segment* segment) {
  const char* tokenStart = p;
  bool named = false;
  bool inQuotes = false;
  for (;; ++p) {
    while (!(hvMimeChars_Class(*p) & khvMimeChar_Stop)) ++p;
    const char c = *p;
    if (inQuotes && c == '\\' && p[1] != '\0') {
      ++p;
    } else if (c == '=' && !inQuotes) {
      Span name = Trim(tokenStart, p);
      if (name.Length() > 0) {
        segment->name = name;
        named = true;
      }
      tokenStart = p + 1;
    } else if (c == '"' && named) {
      inQuotes = !inQuotes;
    } else if ((c == ';' || c == '\0') && !inQuotes) {
      segment->value = Trim(tokenStart, p);
      segment->kept = named && segment->value.Length() > 0;
      segment->next = c == ';' ? p + 1 : nullptr;
      return;
    } else if (c == '\0') {
      segment->kept = false;
      segment->next = nullptr;
      return;
    }
  }
}

// As many kept segments as a text usually has, and more.
constexpr size_t kRememberedSegments = 8;

// Whether `text` is written in quotes: it opens with a double quote and the quote that closes
// it is its last byte.
bool IsQuoted(const char* text, size_t length) {
  if (length < 2 || text[0] != '"') return false;
  bool inQuotes = true;
  for (size_t i = 1; i < length; ++i) {
    if (inQuotes && text[i] == '\\' && i + 1 < length) {
      ++i;
    } else if (text[i] == '"') {
      inQuotes = !inQuotes;
      if (!inQuotes && i + 1 == length) return true;
    }
  }
  return false;
}

// The value of a quoted text: the outer quotes left out, and each backslash inside quotes
// replaced by the character it protects. Quotes between the outer ones stay, as written.
char* Unquote(const char* text, size_t length) {
  char* value = static_cast<char*>(hvMemory_Malloc(length - 1));
  char* out = value;
  bool inQuotes = true;
  // The closing quote is not escaped (IsQuoted), so an escape never takes it.
  for (size_t i = 1; i + 1 < length; ++i) {
    if (inQuotes && text[i] == '\\') {
      *out++ = text[++i];
    } else {
      if (text[i] == '"') inQuotes = !inQuotes;
      *out++ = text[i];
    }
  }
  *out = '\0';
  return value;
}

char* CopyValue(const char* text, size_t length) {
  return IsQuoted(text, length) ? Unquote(text, length) : hvMemory_Strndup(text, length);
}

// Fills the fresh slot `index` of both arrays: the segment holds no NUL and nothing is there
// to release, which hvMimeType_SetParameterText would check.
void Store(hvMimeType* mime, size_t index, const Segment& segment) {
  mime->names[index] = hvMemory_Strndup(segment.name.begin, segment.name.Length());
  mime->values[index] = CopyValue(segment.value.begin, segment.value.Length());
}

}  // namespace

hvMimeType* hvMimeType_Parse(const char* text) {
  // Every field is set below, so the record needs no zeroing pass.
  hvMimeType* mime = static_cast<hvMimeType*>(hvMemory_Malloc(sizeof(hvMimeType)));
  mime->parameterCount = 0;
  mime->names = nullptr;
  mime->values = nullptr;
  if (!text) {
    mime->type = hvMemory_Strndup("", 0);
    return mime;
  }
  const char* semicolon = strchr(text, ';');
  Span type = Trim(text, semicolon ? semicolon : text + strlen(text));
  mime->type = hvMemory_Strndup(type.begin, type.Length());
  if (!semicolon) return mime;

  // The kept segments of a usual text are remembered on the first pass, so only a text with
  // more of them is read twice, and then only past the remembered ones. The last slot takes
  // the segments that are not remembered.
  Segment kept[kRememberedSegments + 1];
  size_t count = 0;
  for (const char* p = semicolon + 1; p;) {
    Segment* segment = &kept[count < kRememberedSegments ? count : kRememberedSegments];
    ReadSegment(p, segment);
    if (segment->kept) ++count;
    p = segment->next;
  }
  if (count > 0) {
    size_t bytes = hvNumber_MultiplySizes(count, sizeof(char*));
    mime->names = static_cast<char**>(hvMemory_Malloc(bytes));
    mime->values = static_cast<char**>(hvMemory_Malloc(bytes));
    mime->parameterCount = count;
    const size_t remembered = count < kRememberedSegments ? count : kRememberedSegments;
    for (size_t index = 0; index < remembered; ++index) Store(mime, index, kept[index]);
    size_t index = remembered;
    Segment* segment = &kept[kRememberedSegments];
    for (const char* p = kept[remembered - 1].next; p && index < count; p = segment->next) {
      ReadSegment(p, segment);
      if (segment->kept) Store(mime, index++, *segment);
    }
  }
  // Only audio/L16 can gain a default; the type is tested here, where its length is known.
  static const char kL16[] = "audio/L16";
  if (hvAscii_EqualsIgnoreCase(type.begin, type.Length(), kL16, sizeof(kL16) - 1))
    hvMimeType_ApplyL16Default(mime);
  return mime;
}

void hvMimeType_SetParameterText(hvMimeType* mime, size_t index, int isValue, const char* text,
                                 size_t length) {
  if (index >= mime->parameterCount) return;
  // A NUL inside the given length would silently cut the stored text, and a null text has
  // no bytes to store.
  if (text ? memchr(text, '\0', length) != nullptr : length != 0) return;
  char** slot = isValue ? &mime->values[index] : &mime->names[index];
  char* copy = isValue ? CopyValue(text, length) : hvMemory_Strndup(text, length);
  hvMemory_Free(*slot);
  *slot = copy;
}
