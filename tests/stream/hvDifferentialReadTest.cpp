// Every read path against the bytes of the file itself: random block sizes, seeks into and
// out of the retained window, exact block boundaries, the file's end and beyond, files that
// answer in short pieces. A seeded short run; HV_DIFFERENTIAL_ROUNDS or HV_SOAK_SECONDS in
// the environment asks for a longer one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

const size_t kRingBlock = 4096;

// One stream under test and the bytes it must deliver.
struct Subject {
  hvStreamPtr<hvStream> stream;
  std::string expected;
  bool takes;           // offers PullTake/PullRelease
  bool pendingPastEnd;  // a progressive stream asks for data past its end instead of seeking
};

class DifferentialReads : public ::testing::Test {
 protected:
  // The file comes from the system (a real hvFile) or, to get short reads, from a double.
  hvFile* OpenFile(std::mt19937& random) {
    if (random() % 2 == 0) {
      auto* file = new hvFile;
      EXPECT_TRUE(file->Open(path.c_str()));
      return file;
    }
    auto* file = new hvFileDouble(bytes);
    file->readLimit = 1 + random() % (3 * kRingBlock);
    return file;
  }

  Subject Make(int kind, std::mt19937& random) {
    switch (kind) {
      case 0:
        return {hvStreamPtr<hvStream>(new hvFileGetStream(OpenFile(random), "", "f")), bytes, false,
                false};
      case 1: {
        size_t start = random() % bytes.size();
        size_t length = random() % (bytes.size() - start + 1);
        return {hvStreamPtr<hvStream>(new hvFilePartGetStream(OpenFile(random), "", "f",
                                                              static_cast<int64_t>(start),
                                                              static_cast<int64_t>(length))),
                bytes.substr(start, length), false, false};
      }
      case 2:
        return {
            hvStreamPtr<hvStream>(new hvFileStream(
                new hvStreamMultiBuffer(kRingBlock, 2 + random() % 3), OpenFile(random), "", "f")),
            bytes, true, false};
      case 3:
        return {
            hvStreamPtr<hvStream>(new hvProgressiveStream(
                new hvFileStream(new hvStreamMultiBuffer(kRingBlock, 2), OpenFile(random), "", "f"),
                download.get(), "f")),
            bytes, true, true};
      default: {
        auto* memory = new hvMemoryStream(1 + random() % 5000, "");
        memory->WriteBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        memory->SeekBytes(0);
        return {hvStreamPtr<hvStream>(memory), bytes, true, false};
      }
    }
  }

  // A target near the current position (inside the window), on a block boundary, at or past
  // the end, or anywhere.
  static uint64_t Target(std::mt19937& random, uint64_t position, uint64_t size) {
    switch (random() % 5) {
      case 0:
        return position - std::min<uint64_t>(position, random() % (3 * kRingBlock));
      case 1:
        return std::min<uint64_t>(size, position + random() % (2 * kRingBlock));
      case 2:
        return (random() % (size / kRingBlock + 2)) * kRingBlock;
      case 3:
        return size + random() % 3 - std::min<uint64_t>(size, 1);
      default:
        return random() % (size + 1);
    }
  }

  // Runs a random script over one subject; returns "" or the first difference.
  std::string Script(Subject& subject, std::mt19937& random, int steps) {
    hvStream* stream = subject.stream.get();
    const std::string& expected = subject.expected;
    const uint64_t size = expected.size();
    if (!stream->IsValid()) return "invalid stream";
    uint64_t position = 0;
    std::string buffer;
    for (int step = 0; step < steps; ++step) {
      std::string at = " at " + std::to_string(position) + ", step " + std::to_string(step);
      if (random() % 4 == 0) {
        uint64_t target = Target(random, position, size);
        hvStreamingStatus status = stream->SeekBytes(target);
        if (status == khvStreamingStatus_Pending && subject.pendingPastEnd && target > size) {
          // The download is asked for bytes that will never come; the position stays.
        } else if (status != khvStreamingStatus_OK) {
          return "seek to " + std::to_string(target) + " answered " + std::to_string(status) + at;
        } else {
          position = target;
        }
        if (stream->GetStreamPosition() != position) return "position after seek" + at;
        continue;
      }
      size_t wanted =
          random() % 3 == 0 ? kRingBlock * (1 + random() % 3) : 1 + random() % (3 * kRingBlock);
      const unsigned char* data = nullptr;
      size_t consumed = 0;
      hvStreamingStatus status;
      bool exact = false;
      const bool take = subject.takes && random() % 2 == 0;
      if (take) {
        exact = random() % 3 == 0;
        // An exact take must fit the smallest ring of the subjects.
        if (exact) wanted = std::min(wanted, 2 * kRingBlock);
      }
      size_t length = wanted;
      if (take) {
        unsigned char* piece = nullptr;
        status = stream->PullTake(&piece, &length, exact);
        // One top-up per take, of at least a byte: an exact take may answer "not yet" until
        // enough takes have filled the ring.
        for (size_t retry = 0;
             exact && status == khvStreamingStatus_OK && length == 0 && retry < wanted + 4;
             ++retry) {
          length = wanted;
          status = stream->PullTake(&piece, &length, exact);
        }
        data = piece;
        consumed = length == 0 ? 0 : random() % (length + 1);
      } else {
        buffer.assign(wanted, '\0');
        status = stream->PullGet(reinterpret_cast<unsigned char*>(&buffer[0]), &length, false);
        data = reinterpret_cast<const unsigned char*>(buffer.data());
        consumed = length;
      }
      if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream)
        return "read answered " + std::to_string(status) + at;
      if (length > 0 && position + length > size) return "bytes past the end" + at;
      if (length > 0 &&
          expected.compare(position, length, reinterpret_cast<const char*>(data), length) != 0)
        return "wrong bytes" + at;
      if (status == khvStreamingStatus_OK && length == 0 && position < size)
        return std::string(exact ? "exact take" : "read") + " stalled" + at;
      if (status == khvStreamingStatus_EndOfStream && position + length < size)
        return "end of stream before the end" + at;
      if (take) stream->PullRelease(const_cast<unsigned char*>(data), consumed);
      position += consumed;
      if (stream->GetStreamPosition() != position) return "position after read" + at;
    }
    return "";
  }

  void SetUp() override {
    std::mt19937 random(11);
    bytes = hvPatternBytes(5 * kRingBlock + 1 + random() % kRingBlock, 13);
    path = dir.WriteFile("subject.bin", bytes);
    download.reset(new hvCompleteDownload(static_cast<int64_t>(bytes.size())));
  }

  hvTempDir dir;
  std::string bytes;
  std::string path;
  std::unique_ptr<hvCompleteDownload> download;
};

TEST_F(DifferentialReads, EveryReadPathDeliversTheFileBytes) {
  const char* names[] = {"hvFileGetStream", "hvFilePartGetStream", "hvFileStream",
                         "hvProgressiveStream", "hvMemoryStream"};
  const char* extra = getenv("HV_DIFFERENTIAL_ROUNDS");
  const int rounds = extra ? std::max(1, atoi(extra)) : 12;
  // A soak keeps drawing new seeds until its time is up.
  hvSoak soak("differential reads");
  for (int round = 0; round < rounds || (hvSoak::Soaking() && soak.Again()); ++round) {
    for (int kind = 0; kind < 5; ++kind) {
      std::mt19937 random(static_cast<uint32_t>(round * 5 + kind + 1));
      Subject subject = Make(kind, random);
      std::string difference = Script(subject, random, 400);
      ASSERT_EQ(difference, "") << names[kind] << ", seed " << round * 5 + kind + 1;
    }
    soak.Count(5 * 400);
  }
}

}  // namespace
