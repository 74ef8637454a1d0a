// Build-wide basics shared by the base library stand-in and the product: the export macro,
// the wide character and the 64-bit value type. This is the one public header that looks at
// the target system.
#ifndef HV_HVPLATFORM_H
#define HV_HVPLATFORM_H

#include <cstdint>

// HV_EXPORT marks what the shared library exports. Everything else stays hidden.
#if defined(_WIN32)
#if defined(HULVOSTREAMING_BUILD)
#define HV_EXPORT __declspec(dllexport)
#else
#define HV_EXPORT __declspec(dllimport)
#endif
#else
#define HV_EXPORT __attribute__((visibility("default")))
#endif

// printf-style format checking for the log and fatal-error entry points.
#if defined(__GNUC__)
#define HV_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define HV_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// hvWideChar is the 16-bit unit of the library's wide texts. On Windows it is wchar_t, so
// texts from Win32 calls go in and come out without casts; elsewhere wchar_t is 32-bit and
// char16_t is the 16-bit unit. HV_WIDE("text") writes a literal of that type.
#if defined(_WIN32)
typedef wchar_t hvWideChar;
#define HV_WIDE(text) L##text
#else
typedef char16_t hvWideChar;
#define HV_WIDE(text) u##text
#endif
static_assert(sizeof(hvWideChar) == 2, "wide texts are made of 16-bit units");

// hvuint64 is a plain 64-bit unsigned value; its maximum means "unknown" (size, position).
class hvuint64 {
 public:
  constexpr hvuint64(uint64_t value = 0) : m_value(value) {}
  constexpr operator uint64_t() const { return m_value; }

  // The value as a signed file offset; values above INT64_MAX come out negative, which
  // every file call refuses.
  constexpr int64_t ToFileOffset() const { return static_cast<int64_t>(m_value); }
  constexpr uint32_t ToUInt32() const { return static_cast<uint32_t>(m_value); }

 private:
  uint64_t m_value;
};

constexpr uint64_t khvuint64_Max = UINT64_MAX;

#endif
