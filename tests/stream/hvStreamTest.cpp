// The base stream: default answers, callback chains, the default threshold wait and the
// pull protocol that derived streams inherit.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "hulvoStreaming/hvStream.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// The base class with no overrides; the destructor is protected, so tests use Delete().
class PlainStream : public hvStream {};

template <typename T>
using StreamPtr = hvStreamPtr<T>;

// Records which callback ran with which user data.
std::vector<std::string> g_calls;
void CallbackA(void* data) {
  g_calls.push_back("A:" + std::string(static_cast<const char*>(data)));
}
void CallbackB(void* data) {
  g_calls.push_back("B:" + std::string(static_cast<const char*>(data)));
}

class StreamCallbackTest : public ::testing::Test {
 protected:
  void SetUp() override { g_calls.clear(); }
  std::vector<std::string> SignalThreshold() {
    g_calls.clear();
    stream->SignalThresholdReached();
    return g_calls;
  }
  StreamPtr<PlainStream> stream{new PlainStream};
  char one[2] = "1";
  char two[2] = "2";
};

TEST_F(StreamCallbackTest, NewestRegistrationRunsAlone) {
  stream->PushThresholdCallBack(CallbackA, one);
  stream->PushThresholdCallBack(CallbackB, two);
  EXPECT_EQ(SignalThreshold(), std::vector<std::string>{"B:2"});
  stream->PopThresholdCallBack(CallbackB);
  EXPECT_EQ(SignalThreshold(), std::vector<std::string>{"A:1"});
  stream->PopThresholdCallBack(CallbackA);
  EXPECT_TRUE(SignalThreshold().empty());
}

TEST_F(StreamCallbackTest, PopRemovesNewestRegistrationOfSameCallback) {
  stream->PushThresholdCallBack(CallbackA, one);
  stream->PushThresholdCallBack(CallbackA, two);
  stream->PopThresholdCallBack(CallbackA);
  EXPECT_EQ(SignalThreshold(), std::vector<std::string>{"A:1"});
}

TEST_F(StreamCallbackTest, PopOfUnknownCallbackChangesNothing) {
  stream->PushThresholdCallBack(CallbackA, one);
  stream->PopThresholdCallBack(CallbackB);
  EXPECT_EQ(SignalThreshold(), std::vector<std::string>{"A:1"});
}

TEST_F(StreamCallbackTest, ChainsAreIndependent) {
  stream->PushThresholdCallBack(CallbackA, one);
  stream->PushDataShortageCallBack(CallbackB, two);
  stream->SignalDataShortage();
  EXPECT_EQ(g_calls, std::vector<std::string>{"B:2"});
  stream->PopDataShortageCallBack(CallbackB);
  g_calls.clear();
  stream->SignalDataShortage();
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(SignalThreshold(), std::vector<std::string>{"A:1"});
}

TEST_F(StreamCallbackTest, PopOnEmptyChainLeavesStreamUsableFromOtherThreads) {
  stream->PopThresholdCallBack(CallbackA);
  stream->PopDataShortageCallBack(CallbackA);
  // Had the pop kept the lock, this push from another thread would never return.
  std::thread other([&] { stream->PushThresholdCallBack(CallbackA, one); });
  other.join();
  EXPECT_EQ(SignalThreshold(), std::vector<std::string>{"A:1"});
}

// Only a leak checker can see a node left behind, so the case exists where one runs.
#if defined(__SANITIZE_ADDRESS__)
TEST_F(StreamCallbackTest, DestroyingStreamReleasesRegisteredCallbacks) {
  auto* doomed = new PlainStream;
  doomed->PushThresholdCallBack(CallbackA, one);
  doomed->PushThresholdCallBack(CallbackB, two);
  doomed->PushDataShortageCallBack(CallbackA, one);
  doomed->Delete();
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "callback nodes outlived their stream";
}
#endif

// Runs DefaultThresholdWait on a thread of its own, then `signal`; true when the wait ended
// within 5 s. A wait that does not end is released by a signal of the test's own, so a lost
// wake-up fails the case instead of hanging the program.
template <typename Signal>
bool WaitEndsAfter(hvStream* stream, Signal signal) {
  std::atomic<bool> ended{false};
  std::thread waiter([&] {
    stream->DefaultThresholdWait();
    ended = true;
  });
  signal();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!ended && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  bool result = ended;
  if (!result) hvStream::DefaultThresholdCallBack(stream);
  waiter.join();
  return result;
}

TEST(StreamThresholdWait, SignalFromAnotherThreadEndsWait) {
  StreamPtr<PlainStream> stream(new PlainStream);
  stream->PushThresholdCallBack(hvStream::DefaultThresholdCallBack, stream.get());
  EXPECT_TRUE(WaitEndsAfter(stream.get(), [&] { stream->SignalThresholdReached(); }))
      << "the threshold signal did not end the wait";
}

TEST(StreamThresholdWait, SignalGivenBeforeWaitIsNotLost) {
  StreamPtr<PlainStream> stream(new PlainStream);
  stream->PushThresholdCallBack(hvStream::DefaultThresholdCallBack, stream.get());
  stream->SignalThresholdReached();
  EXPECT_TRUE(WaitEndsAfter(stream.get(), [] {})) << "a signal given before the wait was lost";
}

TEST(StreamDefaults, BaseAnswers) {
  StreamPtr<PlainStream> stream(new PlainStream);
  EXPECT_STREQ(stream->GetID(), "unknown");
  EXPECT_TRUE(stream->IsValid());
  EXPECT_EQ(stream->GetStreamSize(), khvuint64_Max);
  EXPECT_EQ(stream->GetStreamPosition(), khvuint64_Max);
  EXPECT_EQ(stream->GetAvailableReadSize(), static_cast<size_t>(-1));
  EXPECT_EQ(stream->GetTotalBufferSize(), 0u);
  EXPECT_EQ(stream->GetErrorCode(), 0);
  EXPECT_TRUE(stream->GetMimeType().IsEmpty());
  EXPECT_EQ(stream->SeekBytes(0), khvStreamingStatus_SeekNotSupported);
  EXPECT_EQ(stream->SeekTime(0), khvStreamingStatus_SeekNotSupported);
  EXPECT_FALSE(stream->ReachReadSizeThreshold(1, 0));
}

TEST(StreamDefaults, PullGetOnBaseLeavesDestinationAndLength) {
  StreamPtr<PlainStream> stream(new PlainStream);
  unsigned char destination[4] = {9, 9, 9, 9};
  size_t length = 4;
  EXPECT_EQ(stream->PullGet(destination, &length, false), khvStreamingStatus_InvalidOperation);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(destination[0], 9);
}

TEST(StreamDefaults, InvalidStreamLogsEachTimeItIsAsked) {
  struct BrokenStream : hvStream {
    BrokenStream() { m_valid = false; }
  };
  StreamPtr<BrokenStream> stream(new BrokenStream);
  hvLogCapture log;
  EXPECT_FALSE(stream->IsValid());
  EXPECT_FALSE(stream->IsValid());
  auto records = log.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].category, 11);
  EXPECT_EQ(records[0].severity, 1);
  EXPECT_EQ(records[0].file, "..\\..\\hvStream");
  EXPECT_EQ(records[0].message.rfind("hvStream: Invalid (stream=0x", 0), 0u);
}

TEST(StreamDefaults, LogsNothingWhileGateIsClosed) {
  StreamPtr<PlainStream> stream(new PlainStream);
  hvLogCapture log(1);  // level 1 is not above severity 1
  stream->SignalInterrupted();
  EXPECT_EQ(log.Count(), 0u);
}

TEST(StreamDefaults, SignalInterruptedOnBaseOnlyLogs) {
  StreamPtr<PlainStream> stream(new PlainStream);
  hvLogCapture log;
  stream->SignalInterrupted();
  auto records = log.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].message.rfind("hvStream: Cannot interrupt (stream=0x", 0), 0u);
  EXPECT_EQ(records[0].message.back(), '\n');
}

// A stream whose take answers from a script, to check the PullGet built on take/release.
class ScriptedTakeStream : public hvStream {
 public:
  hvStreamingStatus takeStatus = khvStreamingStatus_OK;
  hvStreamingStatus releaseStatus = khvStreamingStatus_OK;
  std::string bytes;
  size_t released = static_cast<size_t>(-1);

  hvStreamingStatus PullTake(unsigned char** data, size_t* length, bool) override {
    if (takeStatus != khvStreamingStatus_OK && takeStatus != khvStreamingStatus_EndOfStream)
      return takeStatus;
    *length = std::min(*length, bytes.size());
    *data = *length ? reinterpret_cast<unsigned char*>(&bytes[0]) : nullptr;
    return takeStatus;
  }
  hvStreamingStatus PullRelease(unsigned char*, size_t length) override {
    released = length;
    return releaseStatus;
  }
};

TEST(StreamPullGet, CopiesTakenBytesAndReleasesThem) {
  StreamPtr<ScriptedTakeStream> stream(new ScriptedTakeStream);
  stream->bytes = "abcdef";
  unsigned char destination[8] = {};
  size_t length = 4;
  EXPECT_EQ(stream->PullGet(destination, &length, false), khvStreamingStatus_OK);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(destination), 4), "abcd");
  EXPECT_EQ(stream->released, 4u);
}

TEST(StreamPullGet, EndReportedByTakeComesThroughRelease) {
  StreamPtr<ScriptedTakeStream> stream(new ScriptedTakeStream);
  stream->takeStatus = khvStreamingStatus_EndOfStream;
  stream->releaseStatus = khvStreamingStatus_EndOfStream;
  unsigned char destination[1] = {7};
  size_t length = 1;
  EXPECT_EQ(stream->PullGet(destination, &length, false), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(stream->released, 0u);
  EXPECT_EQ(destination[0], 7);
}

TEST(StreamPullGet, FailedTakeIsNotReleased) {
  StreamPtr<ScriptedTakeStream> stream(new ScriptedTakeStream);
  stream->takeStatus = khvStreamingStatus_Error;
  unsigned char destination[1] = {7};
  size_t length = 1;
  EXPECT_EQ(stream->PullGet(destination, &length, false), khvStreamingStatus_Error);
  EXPECT_EQ(stream->released, static_cast<size_t>(-1));
}

}  // namespace
