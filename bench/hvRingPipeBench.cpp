// A producer thread hands a fixed amount of data to a consumer thread in 64 KiB pieces, in
// bytes per second: through hvStreamMultiBuffer (2 x 128 KiB, the owner's callbacks waking
// the other side through the library's hvCondition), through a plain mutex +
// condition-variable ring of the same size, through boost::lockfree::spsc_queue (when Boost
// is there), and, as the ceiling, memcpy of the same pieces on one thread. Every consumer
// reads every byte: a checksum of what arrived must equal the checksum of what was sent.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hulvoStreaming/hvStreamBuffer.h"
#include "hv/hvMutex.h"
#include "hvBenchMain.h"

#if HV_HAVE_BOOST
#include <boost/lockfree/spsc_queue.hpp>
#endif

namespace {

const size_t kPiece = 64 * 1024;
const size_t kBlockSize = 128 * 1024;
const size_t kBlockCount = 2;
const size_t kRingSize = kBlockSize * kBlockCount;
const size_t kTotal = size_t(256) << 20;
// The producer cycles through this much source data, so it is not all served from L1.
const size_t kSourceSize = size_t(1) << 20;

// Order-sensitive and cheap (two adds per 8 bytes), so the consumer's reading costs little
// beside the transfer it checks. Pieces are multiples of 8 bytes.
struct Checksum {
  uint64_t a = 1;
  uint64_t b = 0;
  void Add(const unsigned char* data, size_t length) {
    for (size_t i = 0; i + 8 <= length; i += 8) {
      uint64_t word;
      memcpy(&word, data + i, 8);
      a += word;
      b += a;
    }
  }
  bool operator==(const Checksum& other) const { return a == other.a && b == other.b; }
};

const std::vector<unsigned char>& Source() {
  static const std::vector<unsigned char> source = [] {
    std::vector<unsigned char> bytes(kSourceSize);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (unsigned char& byte : bytes) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      byte = static_cast<unsigned char>(state);
    }
    return bytes;
  }();
  return source;
}

const unsigned char* SourcePiece(size_t sent) { return Source().data() + sent % kSourceSize; }

const Checksum& Expected() {
  static const Checksum expected = [] {
    Checksum sum;
    for (size_t sent = 0; sent < kTotal; sent += kPiece) sum.Add(SourcePiece(sent), kPiece);
    return sum;
  }();
  return expected;
}

void Finish(benchmark::State& state, const Checksum& received, const hvProcessCpuClock& cpu) {
  if (!(received == Expected()))
    state.SkipWithError("checksum mismatch: bytes were lost or changed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kTotal));
  cpu.Report(state, static_cast<double>(state.iterations()) * static_cast<double>(kTotal));
}

// --- hvStreamMultiBuffer ------------------------------------------------------------------

// The owner of the ring: its threshold callback wakes the consumer, its buffer-full callback
// puts the producer to sleep until the consumer has released something. The library's own
// event does the sleeping, as it does for a stream's DefaultThresholdWait.
struct RingPipe {
  hvStreamMultiBuffer ring{kBlockSize, kBlockCount};
  hvCondition data;
  hvCondition room;
  std::atomic<bool> producerWaits{false};

  RingPipe() {
    ring.SetThresholdCallBack([](void* self) { static_cast<RingPipe*>(self)->data.Signal(); },
                              this);
    ring.SetBufferFullCallBack(
        [](void* self) { return static_cast<RingPipe*>(self)->WaitForRoom(); }, this);
  }

  hvStreamingStatus WaitForRoom() {
    producerWaits.store(true);
    // A release between the failed take and the flag above would not have woken us.
    if (ring.GetAvailableWriteSize() == 0) room.Wait();
    return khvStreamingStatus_OK;
  }

  void Produce() {
    for (size_t sent = 0; sent < kTotal; sent += kPiece)
      ring.StoreInBuffer(const_cast<unsigned char*>(SourcePiece(sent)), kPiece);
    ring.SignalEndOfStream();
  }

  Checksum Consume() {
    Checksum sum;
    for (;;) {
      unsigned char* block = nullptr;
      size_t length = kPiece;
      hvStreamingStatus status = ring.TakeReadBuffer(&block, &length, false);
      if (length == 0) {
        if (status != khvStreamingStatus_OK) break;
        data.Wait();
        continue;
      }
      sum.Add(block, length);
      ring.ReleaseReadBuffer(block, length);
      if (producerWaits.exchange(false)) room.Signal();
    }
    return sum;
  }
};

void BM_PipeHvStreamMultiBuffer(benchmark::State& state) {
  Expected();
  Checksum received;
  hvProcessCpuClock cpu;
  for (auto _ : state) {
    RingPipe pipe;
    std::thread producer([&pipe] { pipe.Produce(); });
    received = pipe.Consume();
    producer.join();
    if (!(received == Expected())) break;
  }
  Finish(state, received, cpu);
}

// --- std::mutex + std::condition_variable ring --------------------------------------------

// Copies in and reads in place outside the lock, as the library's ring does; the lock only
// guards the two positions.
struct MutexRing {
  std::vector<unsigned char> bytes = std::vector<unsigned char>(kRingSize);
  std::mutex mutex;
  std::condition_variable dataReady;
  std::condition_variable roomReady;
  size_t readPosition = 0;
  size_t writePosition = 0;
  bool ended = false;

  void Produce() {
    for (size_t sent = 0; sent < kTotal; sent += kPiece) {
      {
        std::unique_lock<std::mutex> hold(mutex);
        roomReady.wait(hold, [this] { return writePosition - readPosition + kPiece <= kRingSize; });
      }
      memcpy(bytes.data() + writePosition % kRingSize, SourcePiece(sent), kPiece);
      std::lock_guard<std::mutex> hold(mutex);
      writePosition += kPiece;
      dataReady.notify_one();
    }
    std::lock_guard<std::mutex> hold(mutex);
    ended = true;
    dataReady.notify_one();
  }

  Checksum Consume() {
    Checksum sum;
    for (;;) {
      size_t position;
      {
        std::unique_lock<std::mutex> hold(mutex);
        dataReady.wait(hold, [this] { return writePosition != readPosition || ended; });
        if (writePosition == readPosition) break;
        position = readPosition;
      }
      sum.Add(bytes.data() + position % kRingSize, kPiece);
      std::lock_guard<std::mutex> hold(mutex);
      readPosition += kPiece;
      roomReady.notify_one();
    }
    return sum;
  }
};

void BM_PipeMutexConditionRing(benchmark::State& state) {
  Expected();
  Checksum received;
  hvProcessCpuClock cpu;
  for (auto _ : state) {
    MutexRing pipe;
    std::thread producer([&pipe] { pipe.Produce(); });
    received = pipe.Consume();
    producer.join();
    if (!(received == Expected())) break;
  }
  Finish(state, received, cpu);
}

#if HV_HAVE_BOOST
// --- boost::lockfree::spsc_queue ----------------------------------------------------------

// Lock-free, so neither side can sleep: an empty or full queue is met by yielding.
struct BoostPipe {
  boost::lockfree::spsc_queue<unsigned char, boost::lockfree::capacity<kRingSize>> queue;

  void Produce() {
    for (size_t sent = 0; sent < kTotal; sent += kPiece) {
      const unsigned char* piece = SourcePiece(sent);
      size_t pushed = 0;
      while (pushed < kPiece) {
        size_t count = queue.push(piece + pushed, kPiece - pushed);
        if (count == 0) std::this_thread::yield();
        pushed += count;
      }
    }
  }

  Checksum Consume() {
    Checksum sum;
    std::vector<unsigned char> piece(kPiece);
    size_t received = 0;
    size_t filled = 0;
    while (received < kTotal) {
      size_t count = queue.pop(piece.data() + filled, kPiece - filled);
      if (count == 0) {
        std::this_thread::yield();
        continue;
      }
      filled += count;
      // Checksummed in whole pieces, so the words line up as they do in the other pipes.
      if (filled == kPiece) {
        sum.Add(piece.data(), kPiece);
        received += kPiece;
        filled = 0;
      }
    }
    return sum;
  }
};

void BM_PipeBoostSpscQueue(benchmark::State& state) {
  Expected();
  Checksum received;
  hvProcessCpuClock cpu;
  for (auto _ : state) {
    std::unique_ptr<BoostPipe> pipe(new BoostPipe);
    std::thread producer([&pipe] { pipe->Produce(); });
    received = pipe->Consume();
    producer.join();
    if (!(received == Expected())) break;
  }
  Finish(state, received, cpu);
}
#endif

// --- memcpy on one thread -----------------------------------------------------------------

void BM_MemcpyOneThread(benchmark::State& state) {
  std::vector<unsigned char> ring(kRingSize);
  Expected();
  Checksum received;
  hvProcessCpuClock cpu;
  for (auto _ : state) {
    received = Checksum();
    for (size_t sent = 0; sent < kTotal; sent += kPiece) {
      unsigned char* target = ring.data() + sent % kRingSize;
      memcpy(target, SourcePiece(sent), kPiece);
      received.Add(target, kPiece);
    }
    benchmark::DoNotOptimize(ring.data());
  }
  Finish(state, received, cpu);
}

}  // namespace

BENCHMARK(BM_PipeHvStreamMultiBuffer)
    ->Name("pipe_64k/hulvo")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PipeMutexConditionRing)
    ->Name("pipe_64k/mutex_ring")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#if HV_HAVE_BOOST
BENCHMARK(BM_PipeBoostSpscQueue)
    ->Name("pipe_64k/spsc_queue")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif
BENCHMARK(BM_MemcpyOneThread)
    ->Name("pipe_64k/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
#if !HV_HAVE_BOOST
  fprintf(stderr, "hvRingPipeBench: built without Boost, its spsc_queue side is skipped\n");
#endif
  return hvBenchMain(argc, argv);
}
