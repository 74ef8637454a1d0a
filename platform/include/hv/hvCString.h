// hvCString: an owned 8-bit text value (UTF-8 by convention). Copies are deep; embedded
// NUL bytes are kept when a length is given. Not shared between threads without a lock.
#ifndef HV_HVCSTRING_H
#define HV_HVCSTRING_H

#include <cstddef>

#include "hv/hvPlatform.h"

class HV_EXPORT hvCString {
 public:
  static const size_t kToEnd = static_cast<size_t>(-1);

  hvCString();
  // Takes `length` bytes of `text` from `start`; kToEnd (all bits set) means up to the NUL.
  // A null text or a start past the end gives the empty string.
  hvCString(const char* text, size_t start = 0, size_t length = kToEnd);
  hvCString(const hvCString& other);
  hvCString(hvCString&& other) noexcept;
  hvCString& operator=(const hvCString& other);
  hvCString& operator=(hvCString&& other) noexcept;
  hvCString& operator=(const char* text);
  ~hvCString();

  // Never null: the empty string gives "".
  const char* c_str() const;
  size_t Length() const;
  bool IsEmpty() const;

  // A copy with 'A' to 'Z' lower-cased; every other byte as it is, whatever the locale.
  hvCString Lower() const;
  // The text after the first occurrence of `separator`; empty when it does not occur.
  hvCString AfterFirst(char separator) const;
  // Index of the first / last occurrence, or -1.
  long Find(char character) const;
  long FindLast(char character) const;
  hvCString Mid(size_t start, size_t length = kToEnd) const;

  hvCString& operator+=(const hvCString& other);
  bool operator==(const hvCString& other) const;
  bool operator!=(const hvCString& other) const { return !(*this == other); }
  bool operator==(const char* text) const;
  bool operator!=(const char* text) const { return !(*this == text); }

  // The shared empty string.
  static const hvCString& Empty();

 private:
  void Assign(const char* text, size_t length);

  char* m_text;     // null for the empty string, else NUL-terminated heap copy
  size_t m_length;  // bytes before the terminator
};

#endif
