#include "engine/hvOSDebugText.h"

size_t hvOSDebugText_Build(const char* text, char16_t (&buffer)[khvOSDebugText_BufferSize]) {
  size_t length = 0;
  // Bytes from 0x80 up are taken as Latin-1, so every byte stays one visible character and
  // a cut never splits a sequence into something the debugger rejects.
  for (; text && text[length] != '\0' && length < khvOSDebugText_MaxBytes; ++length) {
    buffer[length] = static_cast<char16_t>(static_cast<unsigned char>(text[length]));
  }
  buffer[length++] = u'\n';
  buffer[length] = 0;
  return length;
}
