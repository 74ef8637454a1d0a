// hvFileGetStream and hvFilePartGetStream over real temporary files and over a file double
// whose reads fail and whose seeks land elsewhere.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hulvoStreaming/hvStream.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

class FileStreamsTest : public ::testing::Test {
 protected:
  void SetUp() override { path = dir.File("media file.MP3"); }
  // Writes the bytes to `path` and opens it.
  hvFile* OpenReal(const std::string& bytes) {
    dir.WriteFile("media file.MP3", bytes);
    auto* file = new hvFile;
    EXPECT_TRUE(file->Open(path.c_str()));
    return file;
  }
  static hvStreamingStatus Get(hvStream* stream, size_t wanted, std::string* got) {
    std::string buffer(wanted, '\0');
    size_t length = wanted;
    hvStreamingStatus status =
        stream->PullGet(reinterpret_cast<unsigned char*>(&buffer[0]), &length, false);
    got->assign(buffer.data(), status == khvStreamingStatus_Error ? 0 : length);
    return status;
  }
  hvTempDir dir;
  std::string path;
  const std::string bytes = hvPatternBytes(1000, 7);
};

TEST_F(FileStreamsTest, WholeFileIsReadInPiecesThenEnds) {
  hvStreamPtr<hvFileGetStream> stream(
      new hvFileGetStream(OpenReal(bytes.substr(0, 10)), "audio/mpeg", path.c_str()));
  std::string got;
  EXPECT_EQ(Get(stream.get(), 4, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(0, 4));
  EXPECT_EQ(Get(stream.get(), 4, &got), khvStreamingStatus_OK);
  EXPECT_EQ(Get(stream.get(), 4, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(8, 2));
  EXPECT_EQ(Get(stream.get(), 4, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got.empty());
}

TEST_F(FileStreamsTest, WholeFileDescribesItself) {
  hvStreamPtr<hvFileGetStream> stream(
      new hvFileGetStream(OpenReal(bytes), "Audio/MPEG", path.c_str()));
  EXPECT_STREQ(stream->GetID(), "hvFile");
  EXPECT_EQ(stream->GetAvailableReadSize(), 0u);
  EXPECT_FALSE(stream->Support(3));
  EXPECT_TRUE(stream->Support(1));
  EXPECT_TRUE(stream->Support(khvStreamSupport_ByteSeek));
  EXPECT_EQ(stream->GetStreamSize(), 1000u);
  EXPECT_EQ(stream->GetFileName(), path.c_str());
  EXPECT_EQ(stream->GetExtension(), "MP3");
  hvMediaInfo info;
  EXPECT_TRUE(stream->GetInfo(&info));
  EXPECT_EQ(info.GetCString("mt"), "audio/mpeg");
  EXPECT_EQ(info.GetCString("fe"), "mp3");
  EXPECT_EQ(info.GetUInt64("fs", 0), 1000u);
  EXPECT_EQ(info.fileName, path.c_str());
}

TEST_F(FileStreamsTest, WholeFileSeeksAnywhere) {
  hvStreamPtr<hvFileGetStream> stream(new hvFileGetStream(OpenReal(bytes), "", path.c_str()));
  EXPECT_EQ(stream->SeekBytes(990), khvStreamingStatus_OK);
  EXPECT_EQ(stream->GetStreamPosition(), 990u);
  std::string got;
  EXPECT_EQ(Get(stream.get(), 100, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(990));
  EXPECT_EQ(stream->SeekBytes(5000), khvStreamingStatus_OK);  // not compared with the length
  EXPECT_EQ(Get(stream.get(), 1, &got), khvStreamingStatus_EndOfStream);
}

TEST_F(FileStreamsTest, InPlaceTakeAndReleaseAreRefused) {
  hvStreamPtr<hvFileGetStream> stream(new hvFileGetStream(OpenReal(bytes), "", path.c_str()));
  unsigned char* data = reinterpret_cast<unsigned char*>(1);
  size_t length = 5;
  EXPECT_EQ(stream->PullTake(&data, &length, false), khvStreamingStatus_InvalidOperation);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(stream->PullRelease(nullptr, 5), khvStreamingStatus_InvalidOperation);
}

TEST_F(FileStreamsTest, RangeIsAStreamOfItsOwn) {
  hvStreamPtr<hvFilePartGetStream> stream(
      new hvFilePartGetStream(OpenReal(bytes), "", path.c_str(), 100, 50));
  EXPECT_EQ(stream->GetStreamSize(), 50u);
  EXPECT_EQ(stream->GetStreamPosition(), 0u);
  std::string got;
  EXPECT_EQ(Get(stream.get(), 80, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(100, 50));
  EXPECT_EQ(stream->GetStreamPosition(), 50u);
  EXPECT_EQ(Get(stream.get(), 80, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got.empty());
}

TEST_F(FileStreamsTest, RangeSeeksRelativeToItsStart) {
  hvStreamPtr<hvFilePartGetStream> stream(
      new hvFilePartGetStream(OpenReal(bytes), "", path.c_str(), 100, 50));
  std::string got;
  EXPECT_EQ(stream->SeekBytes(20), khvStreamingStatus_OK);
  EXPECT_EQ(Get(stream.get(), 10, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(120, 10));
  EXPECT_EQ(stream->GetStreamPosition(), 30u);
  EXPECT_EQ(stream->SeekBytes(0), khvStreamingStatus_OK);
  EXPECT_EQ(Get(stream.get(), 1, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(100, 1));
  EXPECT_EQ(stream->SeekBytes(60), khvStreamingStatus_OK);  // past the range: accepted
  EXPECT_EQ(Get(stream.get(), 1, &got), khvStreamingStatus_EndOfStream);
}

// ---- Oversized requests: the request is cut to the range end, whatever its size.

TEST_F(FileStreamsTest, RangeRequestOfAllBitsIsCutToRangeEnd) {
  std::string destination(60, '\0');
  hvStreamPtr<hvFilePartGetStream> stream(
      new hvFilePartGetStream(new hvFileDouble(bytes), "", "x", 100, 50));
  stream->SeekBytes(10);
  size_t length = static_cast<size_t>(-1);  // used to overflow current + requested
  EXPECT_EQ(stream->PullGet(reinterpret_cast<unsigned char*>(&destination[0]), &length, false),
            khvStreamingStatus_OK);
  EXPECT_EQ(length, 40u);
  EXPECT_EQ(destination.substr(0, 40), bytes.substr(110, 40));
}

TEST_F(FileStreamsTest, WholeFileRequestBeyondOneReadIsServedInPart) {
  auto* file = new hvFileDouble(bytes);
  hvStreamPtr<hvFileGetStream> stream(new hvFileGetStream(file, "", "x"));
  std::string destination(1000, '\0');
  size_t length = static_cast<size_t>(-1);
  EXPECT_EQ(stream->PullGet(reinterpret_cast<unsigned char*>(&destination[0]), &length, false),
            khvStreamingStatus_OK);
  EXPECT_EQ(length, 1000u);
  EXPECT_EQ(file->largestRead, static_cast<size_t>(INT32_MAX));
}

// ---- Error paths.

TEST_F(FileStreamsTest, NullFileGivesInvalidStreamThatLogs) {
  hvStreamPtr<hvFileGetStream> stream(new hvFileGetStream(nullptr, "", "x"));
  hvLogCapture log;
  EXPECT_EQ(stream->GetStreamSize(), khvuint64_Max);
  EXPECT_EQ(stream->GetStreamPosition(), 0u);
  EXPECT_EQ(stream->SeekBytes(0), khvStreamingStatus_Error);
  std::string got;
  EXPECT_EQ(Get(stream.get(), 4, &got), khvStreamingStatus_Error);
  EXPECT_EQ(log.Count(), 4u);
  EXPECT_EQ(log.Records()[0].message.rfind("hvStream: Invalid (stream=0x", 0), 0u);
}

TEST_F(FileStreamsTest, UnopenedFileGivesInvalidStream) {
  hvStreamPtr<hvFileGetStream> stream(new hvFileGetStream(new hvFile, "", "x"));
  EXPECT_FALSE(stream->IsValid());
}

TEST_F(FileStreamsTest, RangeWhoseStartCannotBeReachedIsInvalid) {
  auto* file = new hvFileDouble(bytes);
  file->seekSkew = 1;
  hvStreamPtr<hvFilePartGetStream> stream(new hvFilePartGetStream(file, "", "x", 100, 50));
  EXPECT_FALSE(stream->IsValid());
  EXPECT_EQ(stream->GetStreamSize(), khvuint64_Max);
}

TEST_F(FileStreamsTest, SeekLandingElsewhereFailsAndReadsGoOnWhereTheyWere) {
  auto* file = new hvFileDouble(bytes);
  hvStreamPtr<hvFilePartGetStream> part(new hvFilePartGetStream(file, "", "x", 100, 50));
  part->SeekBytes(10);
  file->seekSkew = 3;
  file->skewOnce = true;
  EXPECT_EQ(part->SeekBytes(20), khvStreamingStatus_Error);
  EXPECT_EQ(part->GetStreamPosition(), 10u);
  std::string got;
  EXPECT_EQ(Get(part.get(), 5, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(110, 5));  // used to come from the offset the seek landed on

  auto* wholeFile = new hvFileDouble(bytes);
  hvStreamPtr<hvFileGetStream> whole(new hvFileGetStream(wholeFile, "", "x"));
  ASSERT_EQ(Get(whole.get(), 10, &got), khvStreamingStatus_OK);
  wholeFile->seekSkew = 3;
  wholeFile->skewOnce = true;
  EXPECT_EQ(whole->SeekBytes(500), khvStreamingStatus_Error);
  EXPECT_EQ(Get(whole.get(), 5, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(10, 5));
}

TEST_F(FileStreamsTest, PipeOffersNoByteSeek) {
  auto* pipe = new hvFileDouble(bytes);
  pipe->pipe = true;
  hvStreamPtr<hvFileGetStream> whole(new hvFileGetStream(pipe, "", "x"));
  EXPECT_FALSE(whole->Support(khvStreamSupport_ByteSeek));
  EXPECT_EQ(whole->SeekBytes(0), khvStreamingStatus_SeekNotSupported);
  std::string got;
  EXPECT_EQ(Get(whole.get(), 4, &got), khvStreamingStatus_OK);
  EXPECT_EQ(got, bytes.substr(0, 4));
}

// A failed seek's -1 equalled the start, so the range counted as valid and then served
// bytes from offset 0 through a signed overflow.
TEST_F(FileStreamsTest, RangeWithNegativeStartOrLengthIsInvalid) {
  for (int64_t start : {int64_t(-1), INT64_MIN}) {
    hvStreamPtr<hvFilePartGetStream> stream(
        new hvFilePartGetStream(new hvFileDouble(bytes), "", "x", start, 10));
    hvLogCapture log;
    EXPECT_FALSE(stream->IsValid()) << start;
    std::string got;
    EXPECT_EQ(Get(stream.get(), 16, &got), khvStreamingStatus_Error) << start;
    EXPECT_EQ(stream->GetStreamPosition(), 0u);
  }
  hvStreamPtr<hvFilePartGetStream> negativeLength(
      new hvFilePartGetStream(new hvFileDouble(bytes), "", "x", 10, -5));
  hvLogCapture log;
  EXPECT_FALSE(negativeLength->IsValid());
}

TEST_F(FileStreamsTest, ZeroByteReadInTheMiddleIsNotTheEnd) {
  hvStreamPtr<hvFileGetStream> whole(new hvFileGetStream(new hvFileDouble(bytes), "", "x"));
  hvStreamPtr<hvFilePartGetStream> part(
      new hvFilePartGetStream(new hvFileDouble(bytes), "", "x", 100, 50));
  for (hvStream* stream :
       {static_cast<hvStream*>(whole.get()), static_cast<hvStream*>(part.get())}) {
    unsigned char byte = 0;
    size_t length = 0;
    EXPECT_EQ(stream->PullGet(&byte, &length, false), khvStreamingStatus_OK) << stream;
    EXPECT_EQ(length, 0u);
    std::string got;
    EXPECT_EQ(Get(stream, 3, &got), khvStreamingStatus_OK);
  }
}

TEST_F(FileStreamsTest, ShortReadsAreOnlyFewerBytes) {
  auto* file = new hvFileDouble(bytes);
  file->readLimit = 3;
  hvStreamPtr<hvFilePartGetStream> part(new hvFilePartGetStream(file, "", "x", 100, 50));
  std::string got, all;
  hvStreamingStatus status;
  while ((status = Get(part.get(), 20, &got)) == khvStreamingStatus_OK && !got.empty()) all += got;
  EXPECT_EQ(status, khvStreamingStatus_EndOfStream);
  EXPECT_EQ(all, bytes.substr(100, 50));
}

TEST_F(FileStreamsTest, SeekBeyondSignedOffsetsFails) {
  hvStreamPtr<hvFileGetStream> whole(new hvFileGetStream(new hvFileDouble(bytes), "", "x"));
  // All bits set converts to offset -1, which a failed seek also returns.
  EXPECT_EQ(whole->SeekBytes(khvuint64_Max), khvStreamingStatus_Error);
  hvStreamPtr<hvFilePartGetStream> part(
      new hvFilePartGetStream(new hvFileDouble(bytes), "", "x", 100, 50));
  EXPECT_EQ(part->SeekBytes(INT64_MAX), khvStreamingStatus_Error);
}

TEST_F(FileStreamsTest, FailedReadIsAnErrorWithNothingCopied) {
  auto* file = new hvFileDouble(bytes);
  file->failReads = true;
  hvStreamPtr<hvFileGetStream> whole(new hvFileGetStream(file, "", "x"));
  auto* partFile = new hvFileDouble(bytes);
  partFile->failReads = true;
  hvStreamPtr<hvFilePartGetStream> part(new hvFilePartGetStream(partFile, "", "x", 0, 10));
  for (hvStream* stream :
       {static_cast<hvStream*>(whole.get()), static_cast<hvStream*>(part.get())}) {
    unsigned char destination[4];
    size_t length = sizeof destination;
    EXPECT_EQ(stream->PullGet(destination, &length, false), khvStreamingStatus_Error);
    EXPECT_EQ(length, 0u);  // used to stay at the requested count
  }
  EXPECT_EQ(part->GetStreamPosition(), 0u);
}

}  // namespace
