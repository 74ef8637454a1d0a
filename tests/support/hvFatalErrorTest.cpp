#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hv/hvLog.h"

#if defined(HV_COVERAGE_FLUSH)
#include <unistd.h>

// The coverage build only: hvFatalError ends the death-test child with _Exit, which skips
// gcov's exit handler, so none of its lines would count. This program's own _Exit takes the
// library's call, writes the counts of every module, then ends as the real one does.
extern "C" void __gcov_dump(void);
extern "C" void _Exit(int status) noexcept {
  __gcov_dump();
  _exit(status);
}
#endif

namespace {

// The death-test child runs the test body from the start, in the same working folder, so
// both sides find the child's standard output under the same name.
std::string ChildOutputPath() {
  return std::string("hvFatalErrorTest-") +
         testing::UnitTest::GetInstance()->current_test_info()->name() + ".out";
}

// Child side: standard output goes to the file, log records and the callback's marker to
// standard error, where the parent matches them.
void PrintRecord(const hvLogRecord* record, void*) {
  fprintf(stderr, "<record %d %d %s|%s>\n", record->severity, record->category, record->file,
          record->message);
}

void CaptureChildOutput() {
  if (!freopen(ChildOutputPath().c_str(), "w", stdout)) abort();
  hvLog_SetSink(PrintRecord, nullptr);
  hvLog_SetLevel(2);
}

void MarkingCallback(const char* reason) { fprintf(stderr, "<callback %s>\n", reason); }

// putenv keeps the text, so each one is a static string. An empty value reads as absent.
void ClearCallbackVariable() {
  static char text[] = HV_FATAL_ERROR_CALLBACK_VARIABLE "=";
  putenv(text);
}

void SetCallbackVariable(const std::string& value) {
  static std::string text;
  text = HV_FATAL_ERROR_CALLBACK_VARIABLE "=" + value;
  putenv(&text[0]);
}

std::string CallbackAddress() {
  return std::to_string(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&MarkingCallback)));
}

bool ExitedAsFatal(int status) {
  // -1 reads as -1 on Windows and as 255 on POSIX.
  return testing::ExitedWithCode(-1)(status) || testing::ExitedWithCode(255)(status);
}

// Matches a text holding each part, in this order.
testing::Matcher<const std::string&> InOrder(std::vector<std::string> parts) {
  return testing::Truly([parts](const std::string& text) {
    size_t at = 0;
    for (const std::string& part : parts) {
      at = text.find(part, at);
      if (at == std::string::npos) return false;
      at += part.size();
    }
    return true;
  });
}

// "<stored 0x" and 16 lower-case hexadecimal digits.
testing::Matcher<const std::string&> HasStoredAddressText() {
  return testing::Truly([](const std::string& text) {
    const size_t at = text.find("<stored 0x");
    if (at == std::string::npos || text.size() < at + 27 || text[at + 26] != '>') return false;
    return text.substr(at + 10, 16).find_first_not_of("0123456789abcdef") == std::string::npos;
  });
}

const auto kNoCallback = testing::Not(testing::HasSubstr("<callback"));

class hvFatalErrorDeathTest : public testing::Test {
 protected:
  // Children inherit the environment: a parent's registration must not outlive its test.
  ~hvFatalErrorDeathTest() override {
    ClearCallbackVariable();
    std::remove(ChildOutputPath().c_str());
  }

  std::string ChildOutput() const {
    std::ifstream in(ChildOutputPath());  // text mode: line ends read back as '\n'
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

}  // namespace

TEST_F(hvFatalErrorDeathTest, MemoryFailureReportsEverywhereThenCallsTheCallback) {
  EXPECT_EXIT(
      {
        CaptureChildOutput();
        hvFatalError_SetCallback(MarkingCallback);
        hvFatalError("memory:malloc", size_t{100});
      },
      ExitedAsFatal,
      InOrder({"<record 1 0 hvLog/Log|Fatal Error 'memory:malloc'>",
               "<record 1 0 hvLog/Log| (size=100)\n>", "<callback memory:malloc>"}));
  EXPECT_EQ(ChildOutput(), "hvFatalError\nhvFatalError: memory:malloc (size=100)\n");
}

TEST_F(hvFatalErrorDeathTest, SizesAreReportedByTheirLow32Bits) {
  EXPECT_EXIT(
      {
        CaptureChildOutput();
        ClearCallbackVariable();
        hvFatalError("memory:wcsdup", static_cast<size_t>(uint64_t{0x1000000FF}));
      },
      ExitedAsFatal, testing::HasSubstr("| (size=255)\n>"));
  EXPECT_EQ(ChildOutput(), "hvFatalError\nhvFatalError: memory:wcsdup (size=255)\n");
}

TEST_F(hvFatalErrorDeathTest, AssertReportsItsText) {
  EXPECT_EXIT(
      {
        CaptureChildOutput();
        ClearCallbackVariable();
        hvFatalError("assert", "count > 0");
      },
      ExitedAsFatal,
      testing::AllOf(testing::HasSubstr("|Fatal Error 'assert'>"),
                     testing::HasSubstr("| (reason='count > 0')\n>"), kNoCallback));
  EXPECT_EQ(ChildOutput(), "hvFatalError\nhvFatalError: assert (reason='count > 0')\n");
}

TEST_F(hvFatalErrorDeathTest, OtherAndMissingReasonsCarryNoDetail) {
  EXPECT_EXIT(
      {
        CaptureChildOutput();
        hvFatalError_SetCallback(MarkingCallback);
        hvFatalError(nullptr);
      },
      ExitedAsFatal,
      InOrder({"|Fatal Error 'unknown reason'>", "|\n>", "<callback unknown reason>"}));
  EXPECT_EQ(ChildOutput(), "hvFatalError\nhvFatalError: unknown reason\n");
}

// The runtime's own copy of the environment does not follow the system's on every platform,
// so the stored text is read in the death-test child, which inherits it at its start.
TEST_F(hvFatalErrorDeathTest, StoredAddressIsHexWithSixteenDigits) {
  hvFatalError_SetCallback(MarkingCallback);
  EXPECT_EXIT(
      {
        const char* stored = getenv(HV_FATAL_ERROR_CALLBACK_VARIABLE);
        fprintf(stderr, "<stored %s>", stored ? stored : "nothing");
        hvFatalError("done");
      },
      ExitedAsFatal, testing::AllOf(HasStoredAddressText(), testing::HasSubstr("<callback done>")));
}

TEST_F(hvFatalErrorDeathTest, AddressTextMayCarrySpaceSignAndEitherBase) {
  EXPECT_EXIT(
      {
        SetCallbackVariable(" \t+" + CallbackAddress());
        hvFatalError("decimal");
      },
      ExitedAsFatal, testing::HasSubstr("<callback decimal>"));
  EXPECT_EXIT(
      {
        char hex[40];
        snprintf(hex, sizeof(hex), "  +0X%" PRIX64,
                 static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&MarkingCallback)));
        SetCallbackVariable(hex);
        hvFatalError("hex");
      },
      ExitedAsFatal, testing::HasSubstr("<callback hex>"));
}

// ---- Without a usable address the process ends without any call.

TEST_F(hvFatalErrorDeathTest, NoCallbackWhenNothingUsableIsStored) {
  EXPECT_EXIT(
      {
        ClearCallbackVariable();
        hvFatalError("absent");
      },
      ExitedAsFatal, kNoCallback);
  EXPECT_EXIT(
      {
        hvFatalError_SetCallback(nullptr);
        hvFatalError("null");
      },
      ExitedAsFatal, kNoCallback);
  for (const char* text : {"not a number", "0x", "+", "12abc", "99999999999999999999999"}) {
    EXPECT_EXIT(
        {
          SetCallbackVariable(text);
          hvFatalError("garbage");
        },
        ExitedAsFatal, kNoCallback)
        << text;
  }
  // Longer than the 40 characters read back: the address would be cut, so none is taken.
  EXPECT_EXIT(
      {
        SetCallbackVariable(std::string(40, ' ') + CallbackAddress());
        hvFatalError("long");
      },
      ExitedAsFatal, kNoCallback);
}
