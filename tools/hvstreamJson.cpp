// JSON output of the hvstream commands.
#include "hvstreamJson.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void hvJsonWriter::Separate() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (!m_hasElement.empty()) {
    if (m_hasElement.back()) m_out += ',';
    m_hasElement.back() = true;
  }
}

void hvJsonWriter::BeginObject() {
  Separate();
  m_out += '{';
  m_hasElement.push_back(false);
}

void hvJsonWriter::EndObject() {
  m_out += '}';
  m_hasElement.pop_back();
}

void hvJsonWriter::BeginArray() {
  Separate();
  m_out += '[';
  m_hasElement.push_back(false);
}

void hvJsonWriter::EndArray() {
  m_out += ']';
  m_hasElement.pop_back();
}

void hvJsonWriter::Key(const char* key) {
  Separate();
  Escape(reinterpret_cast<const unsigned char*>(key), strlen(key));
  m_out += ':';
  m_afterKey = true;
}

void hvJsonWriter::String(const char* text) {
  if (!text) return Null();
  Separate();
  Escape(reinterpret_cast<const unsigned char*>(text), strlen(text));
}

void hvJsonWriter::String(const std::string& text) {
  Separate();
  Escape(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

void hvJsonWriter::Bool(bool value) {
  Separate();
  m_out += value ? "true" : "false";
}

void hvJsonWriter::Int(int64_t value) {
  Separate();
  m_out += std::to_string(value);
}

void hvJsonWriter::UInt(uint64_t value) {
  Separate();
  m_out += std::to_string(value);
}

void hvJsonWriter::Double(double value) {
  if (!std::isfinite(value)) return Null();
  Separate();
  // The shortest form that reads back as the same value: 0.5, not 0.50000000000000000.
  char text[40];
  for (int precision = 1; precision <= 17; ++precision) {
    snprintf(text, sizeof text, "%.*g", precision, value);
    if (strtod(text, nullptr) == value) break;
  }
  m_out += text;
}

void hvJsonWriter::Null() {
  Separate();
  m_out += "null";
}

void hvJsonWriter::Flush() {
  m_out += '\n';
  fwrite(m_out.data(), 1, m_out.size(), stdout);
  m_out.clear();
}

namespace {

// Length of the valid UTF-8 sequence at text (1 to 4) and its code point; 0 when the bytes
// are no valid sequence (overlong forms, surrogates and values past U+10FFFF included).
size_t DecodeUtf8(const unsigned char* text, size_t length, uint32_t* codePoint) {
  unsigned char lead = text[0];
  size_t count;
  uint32_t value;
  uint32_t least;
  if (lead >= 0xC2 && lead <= 0xDF)
    count = 2, value = lead & 0x1Fu, least = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF)
    count = 3, value = lead & 0x0Fu, least = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4)
    count = 4, value = lead & 0x07u, least = 0x10000;
  else
    return 0;
  if (count > length) return 0;
  for (size_t i = 1; i < count; ++i) {
    if ((text[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (text[i] & 0x3Fu);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return count;
}

}  // namespace

void hvJsonWriter::Escape(const unsigned char* text, size_t length) {
  m_out += '"';
  char unit[16];
  for (size_t i = 0; i < length;) {
    unsigned char c = text[i];
    if (c == '"' || c == '\\') {
      m_out += '\\';
      m_out += static_cast<char>(c);
      ++i;
    } else if (c >= 0x20 && c < 0x7F) {
      m_out += static_cast<char>(c);
      ++i;
    } else {
      uint32_t codePoint = c;
      size_t used = c >= 0x80 ? DecodeUtf8(text + i, length - i, &codePoint) : 1;
      if (used == 0) used = 1;  // a stray byte: written as the code point of its value
      if (codePoint >= 0x10000) {
        uint32_t offset = codePoint - 0x10000;
        snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(0xD800 + (offset >> 10)));
        m_out += unit;
        codePoint = 0xDC00 + (offset & 0x3FF);
      }
      snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(codePoint));
      m_out += unit;
      i += used;
    }
  }
  m_out += '"';
}
