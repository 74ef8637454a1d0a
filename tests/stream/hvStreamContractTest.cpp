// One read-and-seek script run over every stream kind: whole file, byte range, memory,
// buffered file and progressive. Every byte and position is checked against the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "hulvoStreaming/hvStream.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

// A download that is complete from the start: the progressive stream only forwards.
class CompleteDownload : public hvProgressiveStreamDownloaderMgr {
 public:
  explicit CompleteDownload(int64_t size) : m_size(size) {}
  int64_t GetDownloadedSize(const hvCString&) override { return m_size; }
  int64_t GetFullSize(const hvCString&) override { return m_size; }
  bool RequestDownloadAt(const hvCString&, uint64_t) override { return false; }
  bool IsDownloadFailed(const hvCString&) override { return false; }
  bool AddStream(const hvCString&, hvProgressiveStream*) override { return true; }
  bool RemoveStream(const hvCString&, hvProgressiveStream*) override { return true; }

 private:
  int64_t m_size;
};

struct StreamKind {
  const char* name;
  // Makes a stream whose bytes are `source`.
  std::function<hvStream*(const std::string& source)> make;
};

const size_t kRangeStart = 333;
CompleteDownload* g_download = nullptr;

class StreamContract : public ::testing::TestWithParam<StreamKind> {};

// Reads from `from` to the end in PullGets of `block` bytes and returns the first breach of
// the contract, or "" when there is none: every read before the end delivers bytes, the
// bytes are the source's, and the end of stream comes exactly at the size, not before and
// not after.
std::string ReadToEnd(hvStream* stream, const std::string& source, uint64_t from, size_t block) {
  if (stream->SeekBytes(from) != khvStreamingStatus_OK) return "seek refused";
  std::string buffer(block, '\0');
  uint64_t position = from;
  // Every read but the last delivers at least a byte, so this many reads reach the end.
  const size_t reads = source.size() - from + 1;
  for (size_t read = 0; read < reads; ++read) {
    size_t length = block;
    hvStreamingStatus status =
        stream->PullGet(reinterpret_cast<unsigned char*>(&buffer[0]), &length, false);
    std::string at = " at " + std::to_string(position);
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream)
      return "status " + std::to_string(status) + at;
    if (position + length > source.size()) return "bytes past the end" + at;
    if (buffer.compare(0, length, source, position, length) != 0) return "wrong bytes" + at;
    position += length;
    if (status == khvStreamingStatus_EndOfStream)
      return position == source.size() ? "" : "end of stream before the end" + at;
    if (length == 0) return "OK with nothing" + at;
  }
  return "no end of stream after " + std::to_string(position) + " bytes";
}

TEST_P(StreamContract, ReadsAndSeeksMatchSource) {
  const std::string source = hvPatternBytes(300000, 29);
  CompleteDownload download(static_cast<int64_t>(source.size()));
  g_download = &download;
  hvStreamPtr<hvStream> stream(GetParam().make(source));
  ASSERT_TRUE(stream->IsValid());
  EXPECT_EQ(stream->GetStreamSize(), source.size());

  std::mt19937 random(3);
  uint64_t position = 0;
  for (int step = 0; step < 300; ++step) {
    if (random() % 3 == 0) {
      position = random() % source.size();
      ASSERT_EQ(stream->SeekBytes(position), khvStreamingStatus_OK);
    }
    ASSERT_EQ(stream->GetStreamPosition(), position);
    std::string buffer(1 + random() % 70000, '\0');
    size_t length = buffer.size();
    hvStreamingStatus status =
        stream->PullGet(reinterpret_cast<unsigned char*>(&buffer[0]), &length, false);
    ASSERT_TRUE(status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream)
        << GetParam().name << " status " << status << " at " << position;
    ASSERT_LE(position + length, source.size());
    ASSERT_TRUE(buffer.compare(0, length, source, position, length) == 0)
        << GetParam().name << " at " << position;
    if (position < source.size()) {
      ASSERT_FALSE(status == khvStreamingStatus_OK && length == 0) << "stalled at " << position;
    }
    if (status == khvStreamingStatus_EndOfStream) {
      ASSERT_EQ(position + length, source.size()) << "ended early at " << position;
    }
    position += length;
  }
}

TEST_P(StreamContract, EndOfStreamComesExactlyAtTheSize) {
  const std::string source = hvPatternBytes(300000, 31);
  CompleteDownload download(static_cast<int64_t>(source.size()));
  g_download = &download;
  hvStreamPtr<hvStream> stream(GetParam().make(source));
  const struct {
    uint64_t from;
    size_t block;
  } runs[] = {{0, 4096}, {0, 300000}, {0, 100000}, {299999, 1}, {290000, 7000}, {1, 65536}};
  for (const auto& run : runs)
    EXPECT_EQ(ReadToEnd(stream.get(), source, run.from, run.block), "")
        << GetParam().name << " from " << run.from << " in blocks of " << run.block;
}

// The checks above must fail for a stream that stalls or ends early; these streams used to
// pass the whole contract suite.
class FaultyStream : public hvStream {
 public:
  FaultyStream(std::string bytes, uint64_t faultAt, hvStreamingStatus fault)
      : m_bytes(std::move(bytes)), m_faultAt(faultAt), m_fault(fault) {}
  hvStreamingStatus SeekBytes(const hvuint64& position) override {
    m_position = position;
    return khvStreamingStatus_OK;
  }
  hvStreamingStatus PullGet(unsigned char* destination, size_t* length, bool) override {
    if (m_position >= m_faultAt) {
      *length = 0;
      return m_fault;
    }
    *length = static_cast<size_t>(std::min<uint64_t>(*length, m_faultAt - m_position));
    memcpy(destination, m_bytes.data() + m_position, *length);
    m_position += *length;
    return khvStreamingStatus_OK;
  }

 private:
  std::string m_bytes;
  uint64_t m_position = 0;
  uint64_t m_faultAt;
  hvStreamingStatus m_fault;
};

TEST(StreamContractCheck, CatchesStallsAndEarlyEnds) {
  const std::string source = hvPatternBytes(300000, 31);
  hvStreamPtr<hvStream> stalling(new FaultyStream(source, 100000, khvStreamingStatus_OK));
  EXPECT_EQ(ReadToEnd(stalling.get(), source, 0, 4096), "OK with nothing at 100000");
  hvStreamPtr<hvStream> ending(new FaultyStream(source, 100000, khvStreamingStatus_EndOfStream));
  EXPECT_EQ(ReadToEnd(ending.get(), source, 0, 4096), "end of stream before the end at 100000");
  hvStreamPtr<hvStream> endless(new FaultyStream(source, 300000, khvStreamingStatus_OK));
  EXPECT_EQ(ReadToEnd(endless.get(), source, 0, 4096), "OK with nothing at 300000");
}

hvFile* FileHolding(const std::string& bytes) { return new hvFileDouble(bytes); }

INSTANTIATE_TEST_SUITE_P(
    AllKinds, StreamContract,
    ::testing::Values(StreamKind{"whole file",
                                 [](const std::string& s) {
                                   return new hvFileGetStream(FileHolding(s), "", "a");
                                 }},
                      StreamKind{"range",
                                 [](const std::string& s) {
                                   std::string around = hvPatternBytes(kRangeStart, 1) + s + "tail";
                                   return new hvFilePartGetStream(FileHolding(around), "", "a",
                                                                  static_cast<int64_t>(kRangeStart),
                                                                  static_cast<int64_t>(s.size()));
                                 }},
                      StreamKind{"memory",
                                 [](const std::string& s) {
                                   auto* stream = new hvMemoryStream(64, "");
                                   stream->WriteBytes(
                                       reinterpret_cast<const unsigned char*>(s.data()), s.size());
                                   stream->SeekBytes(0);
                                   return stream;
                                 }},
                      StreamKind{"buffered file",
                                 [](const std::string& s) {
                                   return new hvFileStream(nullptr, FileHolding(s), "", "a");
                                 }},
                      StreamKind{"progressive",
                                 [](const std::string& s) {
                                   return new hvProgressiveStream(
                                       new hvFileStream(nullptr, FileHolding(s), "", "a"),
                                       g_download, "a");
                                 }}),
    [](const ::testing::TestParamInfo<StreamKind>& info) {
      std::string name = info.param.name;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

}  // namespace
