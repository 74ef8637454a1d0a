#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "support/hvStringBuilder.h"

namespace {

std::string DetachToString(hvStringBuilder* builder, int shrink = 0) {
  size_t length = 0;
  char* text = hvStringBuilder_Detach(builder, shrink, &length);
  EXPECT_EQ(text[length], '\0');
  std::string copy(text, length);
  hvMemory_Free(text);
  return copy;
}

TEST(hvStringBuilder, NumbersAreWrittenLikeThePrintfConversions) {
  const uint32_t values[] = {0, 1, 9, 10, 4096, 0xABCDEF, 0x7FFFFFFF, 0xFFFFFFFF};
  for (uint32_t value : values) {
    hvStringBuilder* builder = hvStringBuilder_Create(0);
    hvStringBuilder_AppendDecimal(builder, value);
    hvStringBuilder_AppendText(builder, " ");
    hvStringBuilder_AppendHex8(builder, value);
    char wanted[32];
    snprintf(wanted, sizeof(wanted), "%lu %08lX", static_cast<unsigned long>(value),
             static_cast<unsigned long>(value));
    EXPECT_EQ(DetachToString(builder), wanted);
  }
}

TEST(hvStringBuilder, GrowsToTwiceTheNeededLengthWhenAnAppendWouldFill) {
  hvStringBuilder* builder = hvStringBuilder_Create(4);
  hvStringBuilder_AppendBytes(builder, "abc", 3);
  EXPECT_EQ(builder->capacity, 4u);
  hvStringBuilder_AppendBytes(builder, "d", 1);
  EXPECT_EQ(builder->capacity, 8u);
  hvStringBuilder_AppendBytes(builder, "efghijk", 7);
  EXPECT_EQ(builder->capacity, 22u);
  EXPECT_EQ(DetachToString(builder), "abcdefghijk");
}

TEST(hvStringBuilder, DetachTerminatesKeepsNulBytesAndShrinks) {
  hvStringBuilder* builder = hvStringBuilder_Create(128);
  hvStringBuilder_AppendBytes(builder, "a\0b", 3);
  hvStringBuilder_AppendText(builder, nullptr);
  EXPECT_EQ(DetachToString(builder, 1), std::string("a\0b", 3));

  EXPECT_EQ(DetachToString(hvStringBuilder_Create(0)), "");
  EXPECT_EQ(DetachToString(hvStringBuilder_Create(16), 1), "");
  hvStringBuilder_Free(hvStringBuilder_Create(8));
  hvStringBuilder_Free(nullptr);
}

TEST(hvStringBuilder, TruncateDropsTheTail) {
  hvStringBuilder* builder = hvStringBuilder_Create(0);
  hvStringBuilder_AppendText(builder, "a=1;");
  hvStringBuilder_Truncate(builder, 1);
  EXPECT_EQ(DetachToString(builder), "a=1");
  builder = hvStringBuilder_Create(0);
  hvStringBuilder_AppendText(builder, "ab");
  hvStringBuilder_Truncate(builder, 5);
  EXPECT_EQ(DetachToString(builder), "");
}

}  // namespace
