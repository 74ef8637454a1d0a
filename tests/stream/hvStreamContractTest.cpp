// One read-and-seek script run over every stream kind: whole file, byte range, memory,
// buffered file and progressive. Every byte and position is checked against the source.
#include <gtest/gtest.h>

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
    position += length;
  }
}

hvFile* FileHolding(const std::string& bytes) { return new hvFileDouble(bytes); }

INSTANTIATE_TEST_SUITE_P(
    AllKinds, StreamContract,
    ::testing::Values(
        StreamKind{"whole file",
                   [](const std::string& s) { return new hvFileGetStream(FileHolding(s), "", "a"); }},
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
                     stream->WriteBytes(reinterpret_cast<const unsigned char*>(s.data()), s.size());
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
                         new hvFileStream(nullptr, FileHolding(s), "", "a"), g_download, "a");
                   }}),
    [](const ::testing::TestParamInfo<StreamKind>& info) {
      std::string name = info.param.name;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

}  // namespace
