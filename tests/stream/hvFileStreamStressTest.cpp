// hvFileStream under real threads: several streams over one file, each read by its own
// thread with random takes, exact takes, copies and seeks into and out of the ring, while
// another thread interrupts it at a random moment. Every byte must be the file's byte at its
// position, the interruption must reach the reader within one call and stay, and every
// thread must end.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

const size_t kBlock = 4096;
const int kStreams = 3;
const int kSteps = 3000;

struct Reader {
  hvStreamPtr<hvFileStream> stream;
  std::atomic<int> steps{0};
  std::atomic<bool> requested{false};    // set just before SignalInterrupted()
  std::atomic<bool> interrupted{false};  // set once it returned
  std::atomic<bool> done{false};         // the reader returned, failed or not
  int interruptAt = 0;
  uint64_t bytesChecked = 0;
  std::string failure;
};

// Reads until the interruption shows; "" when every answer was sound.
std::string ReadUntilInterrupted(Reader& reader, const std::string& bytes, uint32_t seed) {
  std::mt19937 random(seed);
  hvFileStream* stream = reader.stream.get();
  uint64_t position = 0;
  for (int step = 0; step < 100 * kSteps; ++step, reader.steps.store(step)) {
    // The flag is read before the call: once it is set, this call must see the interruption.
    const bool after = reader.interrupted.load();
    const std::string at = " at " + std::to_string(position) + ", step " + std::to_string(step);
    hvStreamingStatus status;
    if (random() % 5 == 0) {
      uint64_t target = random() % 2 ? position - std::min<uint64_t>(position, random() % 9000)
                                     : random() % (bytes.size() + 1);
      status = stream->SeekBytes(target);
      if (status == khvStreamingStatus_OK && !after) position = target;
    } else if (random() % 4 == 0) {
      std::string copy(1 + random() % (3 * kBlock), '\0');
      size_t length = copy.size();
      status = stream->PullGet(reinterpret_cast<unsigned char*>(&copy[0]), &length, false);
      if (length > 0 && bytes.compare(position, length, copy.data(), length) != 0)
        return "wrong copied bytes" + at;
      position += length;
      reader.bytesChecked += length;
    } else {
      const bool exact = random() % 3 == 0;
      unsigned char* data = nullptr;
      size_t length = 1 + random() % (exact ? 2 * kBlock : 3 * kBlock);
      status = stream->PullTake(&data, &length, exact);
      if (length > 0 &&
          (position + length > bytes.size() || memcmp(data, bytes.data() + position, length) != 0))
        return "wrong bytes" + at;
      size_t release = length ? random() % (length + 1) : 0;
      stream->PullRelease(data, release);
      position += release;
      reader.bytesChecked += length;
    }
    if (status == khvStreamingStatus_Interrupted) {
      // Interrupted for good: seeks and reads keep saying so.
      if (stream->SeekBytes(0) != khvStreamingStatus_Interrupted) return "revived by a seek" + at;
      unsigned char* data = nullptr;
      size_t length = 100;
      if (stream->PullTake(&data, &length, false) != khvStreamingStatus_Interrupted)
        return "revived by a take" + at;
      return reader.requested.load() ? "" : "interrupted by nobody" + at;
    }
    if (after) return "interruption not seen" + at;
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream)
      return "answered " + std::to_string(status) + at;
    // At the end a reader seeks back instead of stopping, so the interrupter always finds it.
    if (status == khvStreamingStatus_EndOfStream && stream->SeekBytes(0) == khvStreamingStatus_OK)
      position = 0;
  }
  return "never interrupted";
}

TEST(FileStreamStress, SeveralReadersAndInterruptersKeepEveryByte) {
  hvTempDir dir;
  const std::string bytes = hvPatternBytes(256 * 1024 + 77, 41);
  const std::string path = dir.WriteFile("shared.bin", bytes);
  uint32_t seed = 0;
  for (hvSoak soak("buffered file streams from 6 threads"); soak.Again();) {
    std::vector<Reader> readers(kStreams);
    std::vector<std::thread> threads;
    for (Reader& reader : readers) {
      auto* file = new hvFile;
      ASSERT_TRUE(file->Open(path.c_str()));
      reader.stream.reset(
          new hvFileStream(new hvStreamMultiBuffer(kBlock, 2 + seed % 3), file, "", "shared.bin"));
      reader.interruptAt = static_cast<int>(std::mt19937(seed)() % kSteps);
      const uint32_t readerSeed = ++seed;
      threads.emplace_back([&reader, &bytes, readerSeed] {
        reader.failure = ReadUntilInterrupted(reader, bytes, readerSeed);
        reader.done.store(true);
      });
      // The interrupter waits for the reader's progress, not for a clock.
      threads.emplace_back([&reader] {
        while (reader.steps.load() < reader.interruptAt && !reader.done.load())
          std::this_thread::yield();
        reader.requested.store(true);
        reader.stream->SignalInterrupted();
        reader.interrupted.store(true);
      });
    }
    for (std::thread& thread : threads) thread.join();
    uint64_t steps = 0, checked = 0;
    for (Reader& reader : readers) {
      EXPECT_EQ(reader.failure, "");
      steps += static_cast<uint64_t>(reader.steps.load());
      checked += reader.bytesChecked;
    }
    soak.Count(steps, checked);
  }
}

}  // namespace
