#include "hv/hvCString.h"

#include <cstdlib>
#include <cstring>

// Header-only, so the base library stays free of the product.
#include "../support/hvAscii.h"

hvCString::hvCString() : m_text(nullptr), m_length(0) {}

hvCString::hvCString(const char* text, size_t start, size_t length) : m_text(nullptr), m_length(0) {
  if (!text) return;
  if (length == kToEnd) {
    size_t total = strlen(text);
    if (start >= total) return;
    Assign(text + start, total - start);
  } else {
    // An explicit length may cover embedded NUL bytes, so the text is not measured.
    Assign(text + start, length);
  }
}

hvCString::hvCString(const hvCString& other) : m_text(nullptr), m_length(0) {
  Assign(other.m_text, other.m_length);
}

hvCString::hvCString(hvCString&& other) noexcept : m_text(other.m_text), m_length(other.m_length) {
  other.m_text = nullptr;
  other.m_length = 0;
}

hvCString& hvCString::operator=(const hvCString& other) {
  if (this != &other) Assign(other.m_text, other.m_length);
  return *this;
}

hvCString& hvCString::operator=(hvCString&& other) noexcept {
  if (this != &other) {
    free(m_text);
    m_text = other.m_text;
    m_length = other.m_length;
    other.m_text = nullptr;
    other.m_length = 0;
  }
  return *this;
}

hvCString& hvCString::operator=(const char* text) {
  if (!text) {
    Assign(nullptr, 0);
  } else if (text >= m_text && m_text && text <= m_text + m_length) {
    *this = hvCString(text);  // assigning a piece of ourselves: copy first
  } else {
    Assign(text, strlen(text));
  }
  return *this;
}

hvCString::~hvCString() { free(m_text); }

void hvCString::Assign(const char* text, size_t length) {
  char* copy = nullptr;
  if (text && length > 0) {
    // A failed copy leaves the empty string: the base types never throw.
    copy = static_cast<char*>(malloc(length + 1));
    if (copy) {
      memcpy(copy, text, length);
      copy[length] = '\0';
    }
  }
  free(m_text);
  m_text = copy;
  m_length = copy ? length : 0;
}

const char* hvCString::c_str() const { return m_text ? m_text : ""; }
size_t hvCString::Length() const { return m_length; }
bool hvCString::IsEmpty() const { return m_length == 0; }

hvCString hvCString::Lower() const {
  hvCString lower(*this);
  // ASCII only: MIME types and extensions must not fold differently under another locale.
  hvAscii_LowerInPlace(lower.m_text, lower.m_length);
  return lower;
}

long hvCString::Find(char character) const {
  for (size_t i = 0; i < m_length; ++i)
    if (m_text[i] == character) return static_cast<long>(i);
  return -1;
}

long hvCString::FindLast(char character) const {
  for (size_t i = m_length; i > 0; --i)
    if (m_text[i - 1] == character) return static_cast<long>(i - 1);
  return -1;
}

hvCString hvCString::AfterFirst(char separator) const {
  long at = Find(separator);
  if (at < 0) return hvCString();
  return Mid(static_cast<size_t>(at) + 1);
}

hvCString hvCString::Mid(size_t start, size_t length) const {
  if (start >= m_length) return hvCString();
  size_t available = m_length - start;
  return hvCString(m_text, start, length < available ? length : available);
}

hvCString& hvCString::operator+=(const hvCString& other) {
  if (other.m_length == 0) return *this;
  char* joined = static_cast<char*>(malloc(m_length + other.m_length + 1));
  if (!joined) return *this;
  if (m_length) memcpy(joined, m_text, m_length);
  memcpy(joined + m_length, other.m_text, other.m_length);
  joined[m_length + other.m_length] = '\0';
  free(m_text);
  m_text = joined;
  m_length += other.m_length;
  return *this;
}

bool hvCString::operator==(const hvCString& other) const {
  return m_length == other.m_length &&
         (m_length == 0 || memcmp(m_text, other.m_text, m_length) == 0);
}

bool hvCString::operator==(const char* text) const {
  if (!text) return m_length == 0;
  size_t length = strlen(text);
  return length == m_length && (m_length == 0 || memcmp(m_text, text, m_length) == 0);
}

const hvCString& hvCString::Empty() {
  static const hvCString empty;
  return empty;
}
