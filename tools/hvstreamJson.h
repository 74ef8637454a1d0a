// hvJsonWriter builds one JSON text in a string. Texts are byte strings: valid UTF-8 is
// written as \u escapes, any other byte above 0x7F as the code point of the same number, so
// the output is plain ASCII and always well-formed whatever the input held. Numbers that are
// not finite become null. The caller keeps the calls balanced (Begin/End, Key before values
// inside objects).
#ifndef HVSTREAM_JSON_H
#define HVSTREAM_JSON_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class hvJsonWriter {
 public:
  hvJsonWriter() = default;

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  void Key(const char* key);

  // A null text writes null.
  void String(const char* text);
  void String(const std::string& text);
  void Bool(bool value);
  void Int(int64_t value);
  void UInt(uint64_t value);
  void Double(double value);
  void Null();

  // Key and value in one call.
  template <typename T>
  void Field(const char* key, const T& value) {
    Key(key);
    Put(value);
  }

  const std::string& Text() const { return m_out; }
  // Writes the text and a line end to standard output and starts over.
  void Flush();

 private:
  void Put(const char* value) { String(value); }
  void Put(char* value) { String(value); }
  void Put(const std::string& value) { String(value); }
  void Put(bool value) { Bool(value); }
  void Put(int value) { Int(value); }
  void Put(long value) { Int(value); }
  void Put(long long value) { Int(value); }
  void Put(unsigned value) { UInt(value); }
  void Put(unsigned long value) { UInt(value); }
  void Put(unsigned long long value) { UInt(value); }
  void Put(double value) { Double(value); }

  // Before a value or a key: the comma that separates it from the previous one.
  void Separate();
  void Escape(const unsigned char* text, size_t length);

  std::string m_out;
  // One entry per open object or array: whether it has an element yet.
  std::vector<bool> m_hasElement;
  bool m_afterKey = false;
};

#endif
