// The fault sweep: for N up to what a clean run makes (a sample of N in the ordinary run,
// every N in the soak), the Nth file read or seek fails, comes short or lands elsewhere
// (hvFileFault) - that call alone, or every call from it on as on a device that has gone
// away - or the Nth bulk allocation fails, under a fixed script of reads and seeks
// over each stream kind. After each run: every byte handed
// out is the source's byte at that position, the end is reported only at the end, a short
// read or a refused seek costs nothing, the statuses are documented ones, and with the fault
// gone the stream reads the whole source again from 0 or keeps answering Error. Leaks are
// for AddressSanitizer to find. HV_SOAK_SECONDS repeats the sweep with further script seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "hulvoStreaming/hvBulkMemory.h"
#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hv/hvFileFault.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

const size_t kBlock = 4096;
const int kSteps = 120;
// The ordinary run samples this many values of N per sweep; the soak tries every one.
const uint32_t kSampled = 30;

enum Kind { kGet, kPart, kBuffered, kGrowing, kMemory, kKinds };
const char* const kKindNames[] = {"hvFileGetStream", "hvFilePartGetStream", "hvFileStream",
                                  "hvProgressiveStream over a growing file", "hvMemoryStream"};

// A download the script itself performs: each Grow() appends the next piece of the source
// to the file before the count says so.
class GrowingDownload : public hvProgressiveStreamDownloaderMgr {
 public:
  GrowingDownload(std::string path, const std::string& source)
      : m_path(std::move(path)), m_source(source) {
    fclose(fopen(m_path.c_str(), "wb"));
  }
  void Grow(size_t piece) {
    piece = std::min(piece, m_source.size() - m_written);
    FILE* file = fopen(m_path.c_str(), "ab");
    fwrite(m_source.data() + m_written, 1, piece, file);
    fclose(file);
    m_written += piece;
  }
  int64_t GetDownloadedSize(const hvCString&) override { return static_cast<int64_t>(m_written); }
  int64_t GetFullSize(const hvCString&) override { return static_cast<int64_t>(m_source.size()); }
  bool RequestDownloadAt(const hvCString&, uint64_t) override { return true; }
  bool IsDownloadFailed(const hvCString&) override { return false; }
  bool AddStream(const hvCString&, hvProgressiveStream*) override { return true; }
  bool RemoveStream(const hvCString&, hvProgressiveStream*) override { return true; }
  size_t Written() const { return m_written; }

 private:
  const std::string m_path;
  const std::string& m_source;
  size_t m_written = 0;
};

// The injected fault of one run and what it allows.
struct Fault {
  enum Source { kNone, kFile, kAllocation } source = kNone;
  hvFileFaultOperation operation = khvFileFault_Read;
  hvFileFaultKind kind = khvFileFault_Fail;
  uint32_t nth = 0;
  bool persistent = false;  // every file call from the nth on
  bool allocationFired = false;
  uint32_t allocations = 0;

  bool Fired() const {
    return source == kFile ? hvFileFault_Fired() : source == kAllocation && allocationFired;
  }
  // A read that failed or storage that could not be had may end the stream in Error; a short
  // read or a failed seek must cost nothing beyond that seek.
  // A device that lands every seek elsewhere leaves the stream no known place to read from.
  bool MayBreak() const {
    return Fired() &&
           (source == kAllocation ||
            (operation == khvFileFault_Read && kind == khvFileFault_Fail) ||
            (persistent && operation == khvFileFault_Seek && kind == khvFileFault_Elsewhere));
  }
  std::string Name() const {
    if (source == kAllocation) return "allocation " + std::to_string(nth) + " fails";
    const char* kinds[] = {"fails", "comes short", "lands elsewhere"};
    return std::string(operation == khvFileFault_Read ? "read " : "seek ") + std::to_string(nth) +
           (persistent ? " and every one after " : " ") + kinds[kind];
  }
  static bool Allocate(size_t, void* self) {
    Fault* fault = static_cast<Fault*>(self);
    if (++fault->allocations != fault->nth) return true;
    fault->allocationFired = true;
    return false;
  }
};

class FaultSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = hvPatternBytes(4 * kBlock + 777, 29);
    path = dir.WriteFile("source.bin", bytes);
  }
  void TearDown() override {
    hvFileFault_Disarm();
    hvBulkMemory_SetHook(nullptr, nullptr);
  }

  hvFile* OpenFile(const std::string& name) {
    auto* file = new hvFile;
    file->Open(name.c_str());
    return file;
  }

  // Builds the subject; the memory stream is filled here, in pieces, so that it grows.
  hvStream* Make(Kind kind, std::mt19937& random, std::string* expected, bool* takes,
                 std::unique_ptr<GrowingDownload>* growing) {
    *expected = bytes;
    *takes = kind != kGet && kind != kPart;
    switch (kind) {
      case kGet:
        return new hvFileGetStream(OpenFile(path), "", "f");
      case kPart: {
        const int64_t start = 1000, length = static_cast<int64_t>(bytes.size()) - 1500;
        *expected = bytes.substr(start, length);
        return new hvFilePartGetStream(OpenFile(path), "", "f", start, length);
      }
      case kBuffered:
        return new hvFileStream(new hvStreamMultiBuffer(kBlock, 3), OpenFile(path), "", "f");
      case kGrowing: {
        std::string name = dir.File("growing.bin");
        growing->reset(new GrowingDownload(name, bytes));
        (*growing)->Grow(kBlock / 2);
        return new hvProgressiveStream(
            new hvFileStream(new hvStreamMultiBuffer(kBlock, 2), OpenFile(name), "", "f"),
            growing->get(), "f");
      }
      default: {
        auto* memory = new hvMemoryStream(100, "");
        for (size_t done = 0; done < bytes.size();) {
          size_t piece = std::min<size_t>(bytes.size() - done, 1 + random() % (2 * kBlock));
          if (!memory->WriteBytes(reinterpret_cast<const unsigned char*>(&bytes[done]), piece))
            break;
          done += piece;
        }
        memory->SeekBytes(0);
        return memory;
      }
    }
  }

  // One read or take at the position; checks what came and returns the bytes consumed, or
  // -1 with *why set.
  int64_t Read(hvStream* stream, const std::string& expected, uint64_t position, size_t wanted,
               bool take, bool exact, uint64_t arrived, const Fault& fault, std::string* why,
               hvStreamingStatus* status) {
    const uint64_t size = expected.size();
    size_t length = wanted;
    unsigned char* data = nullptr;
    std::string copy(wanted, '\0');
    if (take) {
      *status = stream->PullTake(&data, &length, exact);
    } else {
      data = reinterpret_cast<unsigned char*>(&copy[0]);
      *status = stream->PullGet(data, &length, false);
    }
    const bool stopped = *status == khvStreamingStatus_Interrupted && fault.MayBreak();
    if (*status == khvStreamingStatus_Error || stopped) {
      if (!fault.MayBreak()) *why = "read error after " + fault.Name();
      if (length != 0) *why = "bytes with an error";
      return why->empty() ? 0 : -1;
    }
    if (*status == khvStreamingStatus_Pending) {
      if (arrived > position || length != 0) *why = "pending with the data there";
      return why->empty() ? 0 : -1;
    }
    if (*status != khvStreamingStatus_OK && *status != khvStreamingStatus_EndOfStream) {
      *why = "read answered " + std::to_string(*status);
      return -1;
    }
    if (length > 0 &&
        (position + length > size ||
         expected.compare(position, length, reinterpret_cast<char*>(data), length) != 0)) {
      *why = "wrong bytes";
      return -1;
    }
    if (*status == khvStreamingStatus_EndOfStream && position + length < size) {
      *why = "end of stream before the end";
      return -1;
    }
    if (take) stream->PullRelease(data, length);
    return static_cast<int64_t>(length);
  }

  // The script: reads of random sizes and seeks into and out of the window; "" when every
  // answer was sound.
  std::string Script(hvStream* stream, const std::string& expected, bool takes,
                     GrowingDownload* growing, std::mt19937& random, const Fault& fault) {
    const uint64_t size = expected.size();
    uint64_t position = 0;
    int idle = 0;
    for (int step = 0; step < kSteps; ++step) {
      std::string at = " at " + std::to_string(position) + ", step " + std::to_string(step);
      if (growing && random() % 2 == 0) growing->Grow(1 + random() % kBlock);
      const uint64_t arrived = growing ? growing->Written() : size;
      if (random() % 4 == 0) {
        uint64_t target = random() % 3 == 0 ? (random() % 6) * kBlock : random() % (size + 2);
        hvStreamingStatus status = stream->SeekBytes(target);
        if (status == khvStreamingStatus_OK)
          position = target;
        else if (status == khvStreamingStatus_Pending ? target <= arrived : !fault.Fired())
          return "seek to " + std::to_string(target) + " answered " + std::to_string(status) + at;
        continue;
      }
      const bool take = takes && random() % 2 == 0;
      const bool exact = take && random() % 3 == 0;
      size_t wanted = 1 + random() % (exact ? 2 * kBlock : 3 * kBlock);
      std::string why;
      hvStreamingStatus status;
      int64_t got =
          Read(stream, expected, position, wanted, take, exact, arrived, fault, &why, &status);
      if (got < 0) return why + at;
      position += static_cast<uint64_t>(got);
      // An exact take may wait for a few top-ups; anything longer with data to come stalls.
      const bool waiting = status == khvStreamingStatus_OK && got == 0 && position < arrived;
      idle = waiting ? idle + 1 : 0;
      if (idle > 8) return "stalled" + at;
      uint64_t reported = stream->GetStreamPosition();
      if (reported != position && !(fault.Fired() && reported == khvuint64_Max))
        return "position " + std::to_string(reported) + " after read" + at;
    }
    return "";
  }

  // With the fault gone: back to 0, which every stream over a file answers with OK, and
  // through to the end, or an Error that stays where the stream kind keeps errors: the
  // buffered kinds keep a read error in the ring until a seek outside it; the direct file
  // streams keep none, so a seek that lands mends them.
  std::string Recover(Kind kind, hvStream* stream, const std::string& expected, bool takes,
                      GrowingDownload* growing, const Fault& fault) {
    if (growing) growing->Grow(expected.size());
    hvStreamingStatus status = stream->SeekBytes(0);
    if (status != khvStreamingStatus_OK) {
      bool refused = status == khvStreamingStatus_SeekNotSupported &&
                     !stream->Support(khvStreamSupport_ByteSeek);
      bool broken =
          (status == khvStreamingStatus_Error || status == khvStreamingStatus_Interrupted) &&
          fault.MayBreak() && kind == kMemory;
      return refused || broken ? "" : "seek to 0 answered " + std::to_string(status);
    }
    uint64_t position = 0;
    for (int round = 0; round < 200; ++round) {
      std::string why;
      int64_t got = Read(stream, expected, position, 3000, takes, false, expected.size(), fault,
                         &why, &status);
      if (got < 0) return "after recovery: " + why + " at " + std::to_string(position);
      position += static_cast<uint64_t>(got);
      if (status == khvStreamingStatus_EndOfStream) return "";
      if (status == khvStreamingStatus_Error || status == khvStreamingStatus_Interrupted)
        return kind != kGet && kind != kPart
                   ? ""
                   : "error after a seek back at " + std::to_string(position);
    }
    return "no end after recovery at " + std::to_string(position);
  }

  // One run of the script under `fault`; "" when sound.
  std::string Run(Kind kind, uint32_t seed, Fault* fault) {
    std::mt19937 random(seed);
    if (fault->source == Fault::kAllocation) hvBulkMemory_SetHook(&Fault::Allocate, fault);
    if (fault->source == Fault::kFile)
      (fault->persistent ? hvFileFault_ArmFrom : hvFileFault_Arm)(fault->operation, fault->nth,
                                                                  fault->kind);
    std::string expected;
    bool takes;
    std::unique_ptr<GrowingDownload> growing;
    hvStreamPtr<hvStream> stream(Make(kind, random, &expected, &takes, &growing));
    std::string outcome;
    if (!stream->IsValid()) {
      // Only a refused seek at construction or missing storage makes an invalid stream.
      if (!fault->Fired() ||
          (fault->operation == khvFileFault_Read && fault->source == Fault::kFile))
        outcome = "invalid stream";
    } else {
      outcome = Script(stream.get(), expected, takes, growing.get(), random, *fault);
      hvFileFault_Disarm();
      hvBulkMemory_SetHook(nullptr, nullptr);
      if (outcome.empty())
        outcome = Recover(kind, stream.get(), expected, takes, growing.get(), *fault);
    }
    hvFileFault_Disarm();
    hvBulkMemory_SetHook(nullptr, nullptr);
    return outcome;
  }

  // Calls of each sort a clean run makes, so the sweep knows where to stop.
  void Measure(Kind kind, uint32_t seed, uint32_t* reads, uint32_t* seeks, uint32_t* allocations) {
    Fault counter;
    counter.source = Fault::kAllocation;  // counts, never fails: nth 0 is never reached
    hvFileFault_Arm(khvFileFault_Read, 0, khvFileFault_Fail);
    hvBulkMemory_SetHook(&Fault::Allocate, &counter);
    std::mt19937 random(seed);
    std::string expected;
    bool takes;
    std::unique_ptr<GrowingDownload> growing;
    hvStreamPtr<hvStream> stream(Make(kind, random, &expected, &takes, &growing));
    Fault none;
    EXPECT_EQ(Script(stream.get(), expected, takes, growing.get(), random, none), "");
    *reads = hvFileFault_Calls(khvFileFault_Read);
    *seeks = hvFileFault_Calls(khvFileFault_Seek);
    *allocations = counter.allocations;
    hvFileFault_Disarm();
    hvBulkMemory_SetHook(nullptr, nullptr);
  }

  // Sweeps one fault over N = 1 .. calls (sampled outside the soak); returns the runs.
  uint64_t Sweep(Kind kind, uint32_t seed, Fault fault, uint32_t calls) {
    const uint32_t stride = hvSoak::Soaking() || calls <= kSampled ? 1 : calls / kSampled + 1;
    uint64_t runs = 0;
    for (uint32_t nth = 1 + seed % stride; nth <= calls; nth += stride, ++runs) {
      fault.nth = nth;
      fault.allocations = 0;
      fault.allocationFired = false;
      std::string outcome = Run(kind, seed, &fault);
      EXPECT_EQ(outcome, "") << kKindNames[kind] << ", seed " << seed << ", " << fault.Name();
      if (!outcome.empty()) break;
    }
    return runs;
  }

  uint64_t SweepAll(uint32_t seed) {
    uint64_t runs = 0;
    for (int kind = 0; kind < kKinds; ++kind) {
      uint32_t reads, seeks, allocations;
      Measure(static_cast<Kind>(kind), seed, &reads, &seeks, &allocations);
      Fault fault;
      fault.source = Fault::kFile;
      for (bool persistent : {false, true}) {
        fault.persistent = persistent;
        for (int sort = khvFileFault_Fail; sort <= khvFileFault_Elsewhere; ++sort) {
          fault.kind = static_cast<hvFileFaultKind>(sort);
          fault.operation = khvFileFault_Read;
          if (fault.kind != khvFileFault_Elsewhere) runs += Sweep(Kind(kind), seed, fault, reads);
          fault.operation = khvFileFault_Seek;
          if (fault.kind != khvFileFault_Short) runs += Sweep(Kind(kind), seed, fault, seeks);
        }
      }
      fault.persistent = false;
      fault.source = Fault::kAllocation;
      runs += Sweep(Kind(kind), seed, fault, allocations);
    }
    return runs;
  }

  hvTempDir dir;
  std::string bytes;
  std::string path;
};

TEST_F(FaultSweep, EveryFaultGivesTheFileBytesOrADocumentedStatus) {
  hvSoak soak("fault sweep");
  for (uint32_t seed = 1; soak.Again(); ++seed) {
    soak.Count(SweepAll(seed));
    if (HasFailure()) break;
  }
}

}  // namespace
