#include "support/hvNumber.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "hulvoStreaming/hvMemory.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Digit value in any radix up to 36, or 36 for a byte that is no digit at all.
unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a') + 10;
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A') + 10;
  return 36;
}

size_t SkipBlanks(const char* text, size_t length, size_t at) {
  while (at < length && IsBlank(text[at])) ++at;
  return at;
}

// A signed 32-bit integer after optional white space, as the rational forms write D, A, B.
bool ReadInt32(const char* text, size_t length, size_t* at, int32_t* value) {
  size_t p = SkipBlanks(text, length, *at);
  bool negative = false;
  if (p < length && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  size_t digitsStart = p;
  int64_t magnitude = 0;
  while (p < length && IsDecimalDigit(text[p])) {
    magnitude = magnitude * 10 + (text[p] - '0');
    // Beyond 32 bits the piece does not read; stopping here keeps magnitude bounded.
    if (magnitude > static_cast<int64_t>(INT32_MAX) + 1) return false;
    ++p;
  }
  if (p == digitsStart) return false;
  int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT32_MAX) return false;
  *value = static_cast<int32_t>(signedValue);
  *at = p;
  return true;
}

// A decimal floating-point number: [sign] digits [. digits] [exponent], or [sign] . digits.
// An exponent counts only with at least one digit, as the C runtime reads it.
bool ReadDouble(const char* text, size_t length, size_t* at, double* value) {
  size_t p = *at;
  bool negative = false;
  if (p < length && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  size_t mantissaStart = p;
  size_t digits = 0;
  while (p < length && IsDecimalDigit(text[p])) ++p, ++digits;
  if (p < length && text[p] == '.') {
    ++p;
    while (p < length && IsDecimalDigit(text[p])) ++p, ++digits;
  }
  if (digits == 0) return false;
  if (p < length && (text[p] == 'e' || text[p] == 'E')) {
    size_t q = p + 1;
    if (q < length && (text[q] == '+' || text[q] == '-')) ++q;
    if (q < length && IsDecimalDigit(text[q])) {
      while (q < length && IsDecimalDigit(text[q])) ++q;
      p = q;
    }
  }
  // from_chars takes no leading '+' and ignores the locale, unlike strtod.
  double magnitude = 0;
  std::from_chars_result result =
      std::from_chars(text + mantissaStart, text + p, magnitude, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != text + p || !std::isfinite(magnitude)) return false;
  *value = negative ? -magnitude : magnitude;
  *at = p;
  return true;
}

bool IsWhole(double value) { return std::trunc(value) == value; }

}  // namespace

uint32_t hvNumber_ReadUnsigned(const char* text, size_t length, unsigned radix) {
  if (radix < 2 || radix > 36) return 0;
  size_t p = SkipBlanks(text, length, 0);
  if (p < length && text[p] == '+') ++p;
  if (radix == 16 && p + 1 < length && text[p] == '0' && (text[p + 1] == 'x' || text[p + 1] == 'X'))
    p += 2;
  uint64_t value = 0;
  bool saturated = false;
  for (; p < length; ++p) {
    unsigned digit = DigitValue(text[p]);
    if (digit >= radix) break;
    if (!saturated) {
      value = value * radix + digit;
      if (value > UINT32_MAX) saturated = true;
    }
  }
  return saturated ? UINT32_MAX : static_cast<uint32_t>(value);
}

bool hvNumber_ReadRational(const char* text, size_t length, double* value) {
  size_t firstNonBlank = SkipBlanks(text, length, 0);
  size_t p = firstNonBlank;
  double whole = 0;
  if (!ReadDouble(text, length, &p, &whole)) return false;
  if (p == length) {
    *value = whole;
    return true;
  }
  char after = text[p++];
  if (!IsWhole(whole)) return false;
  if (after == '/') {
    int32_t denominator = 0;
    if (!ReadInt32(text, length, &p, &denominator) || denominator <= 0) return false;
    if (SkipBlanks(text, length, p) != length) return false;
    *value = whole / denominator;
    return true;
  }
  if (after != ' ' && after != '-') return false;
  int32_t numerator = 0;
  int32_t denominator = 0;
  if (!ReadInt32(text, length, &p, &numerator)) return false;
  p = SkipBlanks(text, length, p);
  if (p == length || text[p] != '/') return false;
  ++p;
  if (!ReadInt32(text, length, &p, &denominator)) return false;
  if (SkipBlanks(text, length, p) != length) return false;
  if (numerator < 0 || numerator >= denominator) return false;
  double fraction = static_cast<double>(numerator) / denominator;
  // The sign of "-1 1/2" belongs to the whole mixed number, and "-0 1/2" must stay negative.
  *value = text[firstNonBlank] == '-' ? whole - fraction : whole + fraction;
  return true;
}

size_t hvNumber_AddSizes(size_t a, size_t b) {
  if (a > SIZE_MAX - b) hvFatalError("memory:malloc", static_cast<size_t>(SIZE_MAX));
  return a + b;
}

size_t hvNumber_MultiplySizes(size_t a, size_t b) {
  if (b != 0 && a > SIZE_MAX / b) hvFatalError("memory:malloc", static_cast<size_t>(SIZE_MAX));
  return a * b;
}
