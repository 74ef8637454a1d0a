// A producer agent on the streaming engine reads a real file into a ring for a reader on the
// test's thread, while the Nth file read fails or comes short (hvFileFault), that read alone
// or every one from it on, for every N a clean run makes. A short read must cost nothing; a failed
// one must reach the reader as an Error after exactly the bytes before it. The reader waits on the
// ring's threshold signal with a deadline, and the agent must be disposed of when the engine ends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>

#include "hulvoStreaming/hvStreamBuffer.h"
#include "hulvoStreaming/hvStreamingEngine.h"
#include "hv/hvFile.h"
#include "hv/hvFileFault.h"
#include "hv/hvMutex.h"
#include "hvTestSupport.h"

namespace {

const size_t kBlock = 4096;

// One ring write per pass: take room, read the file into it, commit what came.
class FileProducer : public hvStreamingAgent {
 public:
  FileProducer(const std::string& path, hvStreamBuffer* ring, std::atomic<bool>* disposed)
      : m_ring(ring), m_disposed(disposed) {
    m_file.Open(path.c_str());
  }

 protected:
  ~FileProducer() override { m_disposed->store(true); }
  uint32_t PreProcess() override { return m_done ? khvStreamingAgent_NoSleepBound : 1; }
  void Process() override {
    unsigned char* block = nullptr;
    size_t room = kBlock;
    if (m_done || m_ring->TakeWriteBuffer(&block, &room) != khvStreamingStatus_OK || room == 0)
      return;
    int32_t count = m_file.Read(block, room);
    m_ring->ReleaseWriteBuffer(block, count > 0 ? static_cast<size_t>(count) : 0);
    m_done = count <= 0;
    if (count == 0) m_ring->SignalEndOfStream();
    if (count < 0) m_ring->SignalReadError();
  }

 private:
  hvFile m_file;
  hvStreamBuffer* m_ring;
  std::atomic<bool>* m_disposed;
  bool m_done = false;  // engine thread only
};

void Wake(void* condition) { static_cast<hvCondition*>(condition)->Signal(); }

class ProducerFault : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes = hvPatternBytes(15 * kBlock + 99, 7);
    path = dir.WriteFile("source.bin", bytes);
  }
  void TearDown() override { hvFileFault_Disarm(); }

  // Streams the file once with the fault armed at `nth` (0: none); returns the reads made
  // and sets *outcome to "" or what went wrong.
  uint32_t Run(hvFileFaultKind kind, uint32_t nth, bool persistent, std::string* outcome) {
    hvStreamMultiBuffer ring(kBlock, 3);
    hvCondition wake;
    ring.SetThresholdCallBack(&Wake, &wake);
    std::atomic<bool> disposed{false};
    hvStreamingEngine engine;
    if (engine.Setup() != 0) {
      *outcome = "no engine thread";
      return 0;
    }
    (persistent ? hvFileFault_ArmFrom : hvFileFault_Arm)(khvFileFault_Read, nth, kind);
    auto* producer = new FileProducer(path, &ring, &disposed);
    producer->SetStreamingEngine(&engine);
    *outcome = Read(ring, wake);
    uint32_t reads = hvFileFault_Calls(khvFileFault_Read);
    const bool failed = hvFileFault_Fired() && kind == khvFileFault_Fail;
    hvFileFault_Disarm();
    if (outcome->empty() &&
        last != (failed ? khvStreamingStatus_Error : khvStreamingStatus_EndOfStream))
      *outcome = "ended with " + std::to_string(last) + " after " + std::to_string(got);
    if (outcome->empty() && !failed && got != bytes.size())
      *outcome = "only " + std::to_string(got) + " bytes";
    engine.RemoveTransferAgent(producer);
    engine.Terminate();
    if (!disposed.load() && outcome->empty()) *outcome = "agent not disposed";
    return reads;
  }

  // Takes until the ring reports its end; every byte is checked where it arrives.
  std::string Read(hvStreamBuffer& ring, hvCondition& wake) {
    got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      unsigned char* data = nullptr;
      size_t length = 3000;
      last = ring.TakeReadBuffer(&data, &length, false);
      if (length > 0) {
        if (got + length > bytes.size() || memcmp(data, bytes.data() + got, length) != 0)
          return "wrong bytes at " + std::to_string(got);
        got += length;
        ring.ReleaseReadBuffer(data, length);
      }
      if (last != khvStreamingStatus_OK) return "";
      if (length == 0 && (std::chrono::steady_clock::now() > deadline || !wake.WaitTimeout(10000)))
        return "stalled at " + std::to_string(got);
    }
  }

  hvTempDir dir;
  std::string bytes;
  std::string path;
  size_t got = 0;
  hvStreamingStatus last = khvStreamingStatus_OK;
};

TEST_F(ProducerFault, EveryReadFaultReachesTheReaderAsShortDataOrError) {
  std::string outcome;
  const uint32_t reads = Run(khvFileFault_Fail, 0, false, &outcome);
  ASSERT_EQ(outcome, "");
  ASSERT_GT(reads, 15u);
  for (bool persistent : {false, true}) {
    for (int kind : {khvFileFault_Fail, khvFileFault_Short}) {
      for (uint32_t nth = 1; nth <= reads; ++nth) {
        Run(static_cast<hvFileFaultKind>(kind), nth, persistent, &outcome);
        ASSERT_EQ(outcome, "") << (kind == khvFileFault_Fail ? "failing" : "short") << " read "
                               << nth << (persistent ? " and every one after" : "");
      }
    }
  }
}

}  // namespace
