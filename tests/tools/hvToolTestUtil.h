// Shared by the tool tests: a fixture that runs hvstream in a fresh folder, and a strict JSON
// checker for what the tool prints.
#ifndef HV_TESTS_TOOLS_HVTOOLTESTUTIL_H
#define HV_TESTS_TOOLS_HVTOOLTESTUTIL_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hvTestSupport.h"
#include "hvToolProcess.h"

class hvToolTest : public ::testing::Test {
 protected:
  hvToolRun Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return hvTool_RunProcess(arguments, input, m_streams.Path());
  }
  hvToolRun Run(const hvToolRunOptions& options, const std::vector<std::string>& arguments,
                const std::string& input = "") {
    return hvTool_RunProcess(arguments, input, m_streams.Path(), options);
  }
  // The lines of a text, without their line ends.
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }

  hvTempDir m_files;  // inputs the tests write for the tool

 private:
  hvTempDir m_streams;  // the tool's standard streams
};

// True when `text` is exactly one JSON value (RFC 8259) made of ASCII characters only.
class hvJsonChecker {
 public:
  static bool IsWellFormed(const std::string& text) {
    hvJsonChecker checker(text);
    return checker.Value() && checker.SkipSpace() == text.size();
  }

 private:
  explicit hvJsonChecker(const std::string& text) : m_text(text) {}

  size_t SkipSpace() {
    while (m_at < m_text.size() && strchr(" \t\r\n", m_text[m_at])) ++m_at;
    return m_at;
  }
  bool Eat(char c) {
    if (SkipSpace() < m_text.size() && m_text[m_at] == c) return ++m_at, true;
    return false;
  }
  bool Literal(const char* word) {
    size_t length = strlen(word);
    if (m_text.compare(m_at, length, word) != 0) return false;
    m_at += length;
    return true;
  }
  bool Value() {
    if (++m_depth > 64) return false;
    SkipSpace();
    bool ok = false;
    if (m_at >= m_text.size())
      ok = false;
    else if (m_text[m_at] == '{')
      ok = Members('}', true);
    else if (m_text[m_at] == '[')
      ok = Members(']', false);
    else if (m_text[m_at] == '"')
      ok = String();
    else
      ok = Literal("true") || Literal("false") || Literal("null") || Number();
    --m_depth;
    return ok;
  }
  bool Members(char close, bool object) {
    ++m_at;
    if (Eat(close)) return true;
    do {
      if (object && !(SkipSpace() < m_text.size() && String() && Eat(':'))) return false;
      if (!Value()) return false;
    } while (Eat(','));
    return Eat(close);
  }
  bool String() {
    if (m_text[m_at] != '"') return false;
    for (++m_at; m_at < m_text.size(); ++m_at) {
      unsigned char c = static_cast<unsigned char>(m_text[m_at]);
      if (c < 0x20 || c >= 0x7F) return false;
      if (c == '"') return ++m_at, true;
      if (c != '\\') continue;
      char escape = m_at + 1 < m_text.size() ? m_text[++m_at] : '\0';
      if (escape == 'u') {
        for (int i = 0; i < 4; ++i)
          if (++m_at >= m_text.size() || !isxdigit(static_cast<unsigned char>(m_text[m_at])))
            return false;
      } else if (!strchr("\"\\/bfnrt", escape) || escape == '\0') {
        return false;
      }
    }
    return false;
  }
  bool Number() {
    size_t start = m_at;
    if (m_at < m_text.size() && m_text[m_at] == '-') ++m_at;
    size_t digits = m_at;
    while (m_at < m_text.size() && isdigit(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
    if (m_at == digits || (m_text[digits] == '0' && m_at - digits > 1)) return false;
    if (m_at < m_text.size() && m_text[m_at] == '.') {
      size_t fraction = ++m_at;
      while (m_at < m_text.size() && isdigit(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
      if (m_at == fraction) return false;
    }
    if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
      ++m_at;
      if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-')) ++m_at;
      size_t exponent = m_at;
      while (m_at < m_text.size() && isdigit(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
      if (m_at == exponent) return false;
    }
    return m_at > start;
  }

  const std::string& m_text;
  size_t m_at = 0;
  int m_depth = 0;
};

// Every line of `out` a well-formed JSON object; the number of lines.
inline size_t hvExpectJsonLines(const std::string& out) {
  size_t count = 0;
  for (size_t start = 0; start < out.size(); ++count) {
    size_t end = out.find('\n', start);
    EXPECT_NE(end, std::string::npos) << "last JSON line has no line end";
    if (end == std::string::npos) break;
    std::string line = out.substr(start, end - start);
    EXPECT_TRUE(hvJsonChecker::IsWellFormed(line) && line[0] == '{') << line;
    start = end + 1;
  }
  return count;
}

#endif
