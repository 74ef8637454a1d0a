#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/hvNumber.h"

namespace {

struct UnsignedCase {
  const char* text;
  unsigned radix;
  uint32_t wanted;
};

TEST(hvNumber, ReadUnsignedFollowsTheConversionRules) {
  const UnsignedCase cases[] = {
      {"42", 10, 42},
      {"  +42", 10, 42},
      {"\t\n\v\f\r7", 10, 7},
      {"1F", 10, 1},
      {"-5", 10, 0},
      {"++5", 10, 0},
      {"", 10, 0},
      {" ", 10, 0},
      {"0x1F", 16, 31},
      {"0X1f", 16, 31},
      {"+0x10", 16, 16},
      {" 0x10", 16, 16},
      {"0x", 16, 0},
      {"0xg", 16, 0},
      {"0x10", 10, 0},
      {"01700000", 16, 0x01700000},
      {"101", 2, 5},
      {"102", 2, 2},
      {"z", 36, 35},
      // Beyond 32 bits the value saturates, however many digits follow.
      {"4294967295", 10, 0xFFFFFFFFu},
      {"4294967296", 10, 0xFFFFFFFFu},
      {"99999999999999999999999999999", 10, 0xFFFFFFFFu},
      {"100000000", 16, 0xFFFFFFFFu},
      {"7", 1, 0},
      {"7", 37, 0},
  };
  for (const UnsignedCase& c : cases) {
    EXPECT_EQ(hvNumber_ReadUnsigned(c.text, strlen(c.text), c.radix), c.wanted)
        << "text: '" << c.text << "' radix " << c.radix;
  }
}

TEST(hvNumber, ReadUnsignedStopsAtTheLength) {
  EXPECT_EQ(hvNumber_ReadUnsigned("123", 2, 10), 12u);
  EXPECT_EQ(hvNumber_ReadUnsigned("0x", 1, 16), 0u);
  EXPECT_EQ(hvNumber_ReadUnsigned(std::string("1\0002", 3).data(), 3, 10), 1u);
}

struct RationalCase {
  std::string text;
  bool reads;
  double wanted;
};

TEST(hvNumber, ReadRationalAcceptsTheThreeForms) {
  const RationalCase cases[] = {
      {"2", true, 2},
      {"-1.5", true, -1.5},
      {" 2", true, 2},
      {"+2", true, 2},
      {".5", true, 0.5},
      {"5.", true, 5},
      {"1e1", true, 10},
      {"1/2", true, 0.5},
      {"-1/4", true, -0.25},
      {"1.0/2", true, 0.5},
      {"1/ 2", true, 0.5},
      {"1/2 ", true, 0.5},
      {"1/2147483647", true, 1.0 / 2147483647},
      {"1 1/2", true, 1.5},
      {"-1 1/2", true, -1.5},
      {"-0 1/2", true, -0.5},
      {"1-1/2", true, 1.5},
      {"1  1 / 2 ", true, 1.5},
      {"1 0/2", true, 1},
  };
  for (const RationalCase& c : cases) {
    double value = -99;
    EXPECT_TRUE(hvNumber_ReadRational(c.text.data(), c.text.size(), &value)) << c.text;
    EXPECT_DOUBLE_EQ(value, c.wanted) << c.text;
  }
}

TEST(hvNumber, ReadRationalRefusesEverythingElse) {
  const char* refused[] = {
      "",    " ",     "abc",   "2 ",     "1 /2",   "1.5/2",  "1/0",          "1/-2",
      "1/x", "1 2/2", "1 3/2", "1 -1/2", "1 1/-2", "1\t1/2", "1/2147483648", "1 1/2x",
      "1e",  "inf",   "nan",   "0x10",   "1e999",  "-",      "1//2",         "1 1/",
  };
  for (const char* text : refused) {
    double value = -99;
    EXPECT_FALSE(hvNumber_ReadRational(text, strlen(text), &value)) << "'" << text << "'";
    EXPECT_EQ(value, -99) << text;
  }
  // The end of the range is the end, not a marker byte inside it.
  double value = 0;
  EXPECT_FALSE(hvNumber_ReadRational("2\a", 2, &value));
  EXPECT_FALSE(hvNumber_ReadRational(std::string("2\0", 2).data(), 2, &value));
  EXPECT_TRUE(hvNumber_ReadRational("2/3junk", 3, &value));
  EXPECT_DOUBLE_EQ(value, 2.0 / 3);
}

bool EndedAsFatal(int status) {
  // -1 reads as 255 on POSIX and as -1 on Windows.
  return ::testing::ExitedWithCode(255)(status) || ::testing::ExitedWithCode(-1)(status);
}

TEST(hvNumberDeathTest, SizeSumsThatWouldWrapEndTheProcess) {
  EXPECT_EQ(hvNumber_AddSizes(SIZE_MAX - 1, 1), SIZE_MAX);
  EXPECT_EQ(hvNumber_MultiplySizes(SIZE_MAX / 2, 2), SIZE_MAX - 1);
  EXPECT_EQ(hvNumber_MultiplySizes(SIZE_MAX, 0), 0u);
  // The reporter writes to standard output, which death tests do not capture.
  EXPECT_EXIT(hvNumber_AddSizes(SIZE_MAX, 1), EndedAsFatal, "");
  EXPECT_EXIT(hvNumber_MultiplySizes(SIZE_MAX / 2 + 1, 2), EndedAsFatal, "");
}

}  // namespace
