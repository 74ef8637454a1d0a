#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "hulvoStreaming/hvMemory.h"
#include "hv/hvLog.h"

// The allocation-failure cases ask for sizes no heap can serve; AddressSanitizer must then
// return null as the runtime heap does instead of stopping the program. Weak, so another
// test file of this program may define the same options; visible, so the runtime finds it.
extern "C" __attribute__((weak, visibility("default"))) const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}

namespace {

// Owns a text returned by the guarded functions.
struct Owned {
  char* text;
  explicit Owned(char* t) : text(t) {}
  ~Owned() { hvMemory_Free(text); }
  std::string Bytes(size_t length) const { return std::string(text, length); }
};

// The fatal path writes its log records to standard error once the gate is open.
void OpenLogGate() { hvLog_SetLevel(2); }

bool ExitedAsFatal(int status) {
  // -1 reads as -1 on Windows and as 255 on POSIX.
  return testing::ExitedWithCode(-1)(status) || testing::ExitedWithCode(255)(status);
}

}  // namespace

TEST(hvMemory, ReallocOfNothingToNothingAllocatesNothing) {
  EXPECT_EQ(hvMemory_Realloc(nullptr, 0), nullptr);
}

TEST(hvMemory, ReallocKeepsContentsAndSizeZeroReleases) {
  char* block = static_cast<char*>(hvMemory_Realloc(nullptr, 4));
  memcpy(block, "abcd", 4);
  block = static_cast<char*>(hvMemory_Realloc(block, 1 << 16));
  EXPECT_EQ(std::string(block, 4), "abcd");
  // The block is released here; the leak checker reports it otherwise.
  EXPECT_EQ(hvMemory_Realloc(block, 0), nullptr);
}

TEST(hvMemory, CallocClearsEveryByte) {
  unsigned char* block = static_cast<unsigned char*>(hvMemory_Calloc(257));
  size_t nonZero = 0;
  for (size_t i = 0; i < 257; ++i) nonZero += block[i] != 0;
  EXPECT_EQ(nonZero, 0u);
  hvMemory_Free(block);
}

TEST(hvMemory, NullTextsGiveNullWithoutAllocating) {
  EXPECT_EQ(hvMemory_Strdup(nullptr), nullptr);
  EXPECT_EQ(hvMemory_StrdupUpper(nullptr), nullptr);
  EXPECT_EQ(hvMemory_Strndup(nullptr, 5), nullptr);
  EXPECT_EQ(hvMemory_Wcsdup(nullptr), nullptr);
  EXPECT_EQ(hvMemory_Wcsndup(nullptr, 5), nullptr);
}

TEST(hvMemory, StrdupCopiesAndUpperCasesOnlyLetters) {
  Owned copy(hvMemory_Strdup("Mixed 1-a"));
  Owned upper(hvMemory_StrdupUpper("Mixed 1-a\xE9"));
  EXPECT_STREQ(copy.text, "Mixed 1-a");
  EXPECT_STREQ(upper.text, "MIXED 1-A\xE9");
}

TEST(hvMemory, StrndupCopiesEmbeddedZerosAndTerminates) {
  Owned withZeros(hvMemory_Strndup("a\0b\0c", 5));
  Owned empty(hvMemory_Strndup("abc", 0));
  EXPECT_EQ(withZeros.Bytes(6), std::string("a\0b\0c\0", 6));
  EXPECT_STREQ(empty.text, "");
}

TEST(hvMemory, WideCopiesAreSixteenBitAndTerminated) {
  using WideText = std::basic_string<hvWideChar>;
  hvWideChar* empty = hvMemory_Wcsdup(HV_WIDE(""));
  hvWideChar* word = hvMemory_Wcsdup(HV_WIDE("h\u00e9llo"));
  hvWideChar* cut = hvMemory_Wcsndup(HV_WIDE("a\0bcd"), 3);
  EXPECT_EQ(empty[0], 0);
  EXPECT_EQ(WideText(word), HV_WIDE("h\u00e9llo"));
  EXPECT_EQ(WideText(cut, 4), WideText(HV_WIDE("a\0b\0"), 4));
  hvMemory_Free(empty);
  hvMemory_Free(word);
  hvMemory_Free(cut);
}

// Where wchar_t is 16-bit (Windows), callers pass the wchar_t texts of the system's own
// calls; elsewhere wchar_t is 32-bit and the wide functions keep 16-bit char16_t.
TEST(hvMemory, WideTextsAreWcharWhereWcharIsSixteenBit) {
  EXPECT_EQ((std::is_same<hvWideChar, wchar_t>::value), sizeof(wchar_t) == 2);
  EXPECT_EQ((std::is_same<hvWideChar, char16_t>::value), sizeof(wchar_t) != 2);
}

TEST(hvMemory, StrAppendJoinsCopiesOrStarts) {
  char* slot = hvMemory_Strdup("ab");
  EXPECT_STREQ(hvMemory_StrAppend(&slot, "cd"), "abcd");
  char* before = slot;
  EXPECT_STREQ(hvMemory_StrAppend(&slot, nullptr), "abcd");
  EXPECT_NE(slot, before);  // a fresh copy, the old text released
  EXPECT_STREQ(hvMemory_StrAppend(&slot, slot), "abcdabcd");
  hvMemory_Free(slot);

  char* empty = nullptr;
  EXPECT_STREQ(hvMemory_StrAppend(&empty, "xy"), "xy");
  hvMemory_Free(empty);
  char* stillEmpty = nullptr;
  EXPECT_EQ(hvMemory_StrAppend(&stillEmpty, nullptr), nullptr);
}

TEST(hvMemory, SlotReplacementsReleaseTheOldText) {
  char* slot = hvMemory_Strdup("old");
  EXPECT_STREQ(hvMemory_StrReplace(&slot, "new"), "new");
  EXPECT_STREQ(hvMemory_StrAssignN(&slot, "cut here", 3), "cut");
  EXPECT_EQ(hvMemory_StrAssignN(&slot, nullptr, 3), nullptr);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(hvMemory_StrReplace(&slot, nullptr), nullptr);
}

// Used to read the slot's text after releasing it when the new text came from the slot.
TEST(hvMemory, SlotReplacementsAcceptTextFromTheSlotItself) {
  char* slot = hvMemory_Strdup("prefix-tail");
  EXPECT_STREQ(hvMemory_StrReplace(&slot, slot + 7), "tail");
  EXPECT_STREQ(hvMemory_StrAssignN(&slot, slot + 1, 2), "ai");
  hvMemory_Free(slot);
}

// ---- Allocation failures end the process through the fatal-error reporter.

TEST(hvMemoryDeathTest, FailedMallocIsFatalWithItsSize) {
  EXPECT_EXIT(
      {
        OpenLogGate();
        hvMemory_Malloc(SIZE_MAX / 2);
      },
      ExitedAsFatal,
      testing::AllOf(testing::HasSubstr("Fatal Error 'memory:malloc'"),
                     testing::HasSubstr(" (size=4294967295)")));
}

TEST(hvMemoryDeathTest, FailedReallocIsFatalWithItsSize) {
  EXPECT_EXIT(
      {
        OpenLogGate();
        hvMemory_Realloc(hvMemory_Malloc(8), (SIZE_MAX / 2) & ~size_t{0xFFFFFFFF});
      },
      ExitedAsFatal,
      testing::AllOf(testing::HasSubstr("Fatal Error 'memory:realloc'"),
                     testing::HasSubstr(" (size=0)")));
}

// Lengths whose byte count wraps around must not become small allocations that the copy
// then overruns.
TEST(hvMemoryDeathTest, OverflowingLengthsAreAllocationFailures) {
  EXPECT_EXIT(
      {
        OpenLogGate();
        hvMemory_Strndup("abc", SIZE_MAX);
      },
      ExitedAsFatal, testing::HasSubstr("Fatal Error 'memory:malloc'"));
  EXPECT_EXIT(
      {
        OpenLogGate();
        hvMemory_Wcsndup(HV_WIDE("abc"), SIZE_MAX / 2 + 1);
      },
      ExitedAsFatal, testing::HasSubstr("Fatal Error 'memory:malloc'"));
}
