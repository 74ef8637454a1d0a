// hvAscii: case folding and comparison of protocol texts (MIME types, protocolInfo names,
// extensions). Only 'A' to 'Z' fold: the C library's tolower follows the process locale and
// would fold other bytes differently on each machine. Header-only, so the base-library
// stand-in can use it without linking the product. No state.
#ifndef HV_SUPPORT_HVASCII_H
#define HV_SUPPORT_HVASCII_H

#include <cstddef>
#include <cstring>

inline char hvAscii_ToLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char hvAscii_ToUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Lower-cases `length` bytes in place.
inline void hvAscii_LowerInPlace(char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) text[i] = hvAscii_ToLower(text[i]);
}

inline bool hvAscii_EqualsIgnoreCase(const char* a, size_t aLength, const char* b, size_t bLength) {
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i) {
    if (hvAscii_ToLower(a[i]) != hvAscii_ToLower(b[i])) return false;
  }
  return true;
}

// Orders two NUL-terminated texts as their lower-cased bytes, unsigned: <0, 0 or >0.
inline int hvAscii_CompareIgnoreCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char left = static_cast<unsigned char>(hvAscii_ToLower(*a));
    unsigned char right = static_cast<unsigned char>(hvAscii_ToLower(*b));
    if (left != right) return left < right ? -1 : 1;
    if (left == 0) return 0;
  }
}

// `text` (`length` bytes) equals the NUL-terminated `literal` exactly.
inline bool hvAscii_Equals(const char* text, size_t length, const char* literal) {
  return strlen(literal) == length && memcmp(text, literal, length) == 0;
}

#endif
