// The base seeker: its refusals, its profile list and the stream size it reads from the
// stream's media description.
#include <gtest/gtest.h>

#include <memory>

#include "hulvoStreaming/hvSeeker.h"
#include "hulvoStreaming/hvStream.h"

namespace {

class PlainStream : public hvStream {};

class hvSeekerTest : public testing::Test {
 protected:
  ~hvSeekerTest() override { stream->Delete(); }

  // Gives the stream a media description; `size` 0 leaves out the "fs" entry.
  void Describe(uint64_t size) {
    hvMediaInfo* info = new hvMediaInfo;
    if (size) info->Set("fs", hvuint64(size), true);
    stream->SetInfo(info);
  }

  hvSeeker seeker{"A\\B"};
  hvStream* stream = new PlainStream;
};

TEST_F(hvSeekerTest, BaseConvertsNothingAndLeavesPositionAlone) {
  hvuint64 bytePos = 1234;
  EXPECT_FALSE(seeker.TimeSpecToBytePos(stream, 10, bytePos));
  EXPECT_FALSE(seeker.ByteSpecToBytePos(stream, 10, bytePos));
  EXPECT_EQ(bytePos, 1234u);
}

TEST_F(hvSeekerTest, ByteSizeComesFromTheDescriptionElseUnknown) {
  EXPECT_EQ(seeker.GetByteSize(stream), khvuint64_Max);
  Describe(0);
  EXPECT_EQ(seeker.GetByteSize(stream), khvuint64_Max);
  Describe(5000000000ull);
  EXPECT_EQ(seeker.GetByteSize(stream), 5000000000ull);
  EXPECT_EQ(seeker.GetByteSize(nullptr), khvuint64_Max);
}

TEST_F(hvSeekerTest, CopiesCarryTheirOwnProfileList) {
  hvSeeker copy(seeker);
  hvSeeker assigned("C");
  assigned = copy;
  copy = hvSeeker("D");
  EXPECT_EQ(seeker.GetProfileNameList(), "A\\B");
  EXPECT_EQ(assigned.GetProfileNameList(), "A\\B");
  EXPECT_EQ(copy.GetProfileNameList(), "D");
}

}  // namespace
