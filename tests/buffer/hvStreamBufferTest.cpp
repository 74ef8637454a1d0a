// hvStreamBuffer: the state machine and its signals, the end position, the owner's
// callbacks, and StoreInBuffer's retry and give-up paths, over a scripted buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "hulvoStreaming/hvStreamBuffer.h"
#include "hvTestSupport.h"

namespace {

// A buffer whose write takes follow a script; released bytes are appended to `stored`.
class ScriptedBuffer : public hvStreamBuffer {
 public:
  struct Grant {
    hvStreamingStatus status;
    size_t room;
  };
  std::deque<Grant> script;  // once empty, every take grants what is asked
  std::string stored;
  int takes = 0;
  std::vector<unsigned char> room = std::vector<unsigned char>(64);

  bool Seek(const hvuint64&) override { return false; }
  bool WillSeek(const hvuint64&) override { return false; }
  size_t GetAvailableReadSize() override { return 0; }
  size_t GetAvailableWriteSize() override { return room.size(); }
  hvStreamingStatus TakeWriteBuffer(unsigned char** block, size_t* length) override {
    ++takes;
    Grant grant{khvStreamingStatus_OK, *length};
    if (!script.empty()) {
      grant = script.front();
      script.pop_front();
    }
    *length = grant.status == khvStreamingStatus_OK ? std::min(*length, grant.room) : 0;
    *block = *length ? room.data() : nullptr;
    return grant.status;
  }
  hvStreamingStatus ReleaseWriteBuffer(unsigned char* block, size_t length) override {
    stored.append(reinterpret_cast<char*>(block), length);
    return khvStreamingStatus_OK;
  }
  hvStreamingStatus TakeReadBuffer(unsigned char**, size_t*, bool) override {
    return khvStreamingStatus_OK;
  }
  hvStreamingStatus ReleaseReadBuffer(unsigned char*, size_t) override {
    return khvStreamingStatus_OK;
  }
  hvuint64 GetCurrentPosition() override { return 0; }
  hvuint64 GetCurrentWritePosition() override { return stored.size(); }

  hvStreamBufferState State() const { return m_state.load(); }
  void SetState(hvStreamBufferState state) { m_state.store(state); }
  hvuint64 EndPosition() const { return m_endPosition; }
  void WaitingReader(size_t threshold) { m_readThreshold.store(threshold); }
  size_t ReadThreshold() const { return m_readThreshold.load(); }
  void MakeInvalid() { m_valid = false; }
  hvStreamingStatus BufferFull() { return HandleBufferFull(); }
};

class StreamBufferTest : public ::testing::Test {
 protected:
  void SetUp() override { buffer.SetThresholdCallBack(&StreamBufferTest::CountThreshold, this); }
  hvStreamingStatus Store(const std::string& bytes) {
    std::string copy = bytes;
    return buffer.StoreInBuffer(reinterpret_cast<unsigned char*>(&copy[0]), copy.size());
  }
  void FullCallBackAnswers(std::vector<hvStreamingStatus> answers) {
    fullAnswers = std::deque<hvStreamingStatus>(answers.begin(), answers.end());
    buffer.SetBufferFullCallBack(&StreamBufferTest::AnswerFull, this);
  }
  static void CountThreshold(void* self) { ++static_cast<StreamBufferTest*>(self)->thresholdCalls; }
  static hvStreamingStatus AnswerFull(void* self) {
    auto* test = static_cast<StreamBufferTest*>(self);
    ++test->fullCalls;
    hvStreamingStatus answer = test->fullAnswers.front();
    test->fullAnswers.pop_front();
    return answer;
  }

  ScriptedBuffer buffer;
  int thresholdCalls = 0;
  int fullCalls = 0;
  std::deque<hvStreamingStatus> fullAnswers;
};

TEST_F(StreamBufferTest, NewBufferStreamsWithUnknownEnd) {
  EXPECT_TRUE(buffer.IsValid());
  EXPECT_EQ(buffer.State(), khvStreamBuffer_Streaming);
  EXPECT_EQ(buffer.EndPosition(), khvuint64_Max);
  EXPECT_EQ(buffer.ReadThreshold(), 0u);
  EXPECT_EQ(buffer.GetTotalBufferSize(), 0u);
  EXPECT_FALSE(buffer.ReachReadSizeThreshold(1, 0));
}

TEST_F(StreamBufferTest, EachSignalEndsStreamingAtTheWritePosition) {
  struct Case {
    void (hvStreamBuffer::*signal)();
    hvStreamBufferState state;
  };
  for (Case c : {Case{&hvStreamBuffer::SignalEndOfStream, khvStreamBuffer_EndOfStream},
                 Case{&hvStreamBuffer::SignalReadError, khvStreamBuffer_ReadError},
                 Case{&hvStreamBuffer::SignalInterrupted, khvStreamBuffer_Interrupted}}) {
    ScriptedBuffer fresh;
    fresh.stored = "12345";
    (fresh.*c.signal)();
    EXPECT_EQ(fresh.State(), c.state);
    EXPECT_EQ(fresh.EndPosition(), 5u);
  }
}

TEST_F(StreamBufferTest, FirstEndSignalWins) {
  ASSERT_EQ(Store("abc"), khvStreamingStatus_OK);
  buffer.SignalEndOfStream();
  buffer.stored += "de";  // a later position must not move the end
  buffer.SignalReadError();
  buffer.SignalInterrupted();
  EXPECT_EQ(buffer.State(), khvStreamBuffer_EndOfStream);
  EXPECT_EQ(buffer.EndPosition(), 3u);
}

TEST_F(StreamBufferTest, SignalsDoNothingWhileSeekPendingAndSeekDoneResumes) {
  buffer.SetState(khvStreamBuffer_SeekPending);
  buffer.WaitingReader(1);
  buffer.SignalEndOfStream();
  buffer.SignalInterrupted();
  EXPECT_EQ(buffer.State(), khvStreamBuffer_SeekPending);
  EXPECT_EQ(buffer.EndPosition(), khvuint64_Max);
  EXPECT_EQ(thresholdCalls, 0);
  buffer.SignalSeekDone();
  EXPECT_EQ(buffer.State(), khvStreamBuffer_Streaming);
}

TEST_F(StreamBufferTest, SeekDoneOutsideSeekPendingChangesNothing) {
  for (hvStreamBufferState state : {khvStreamBuffer_Streaming, khvStreamBuffer_EndOfStream,
                                    khvStreamBuffer_ReadError, khvStreamBuffer_Interrupted}) {
    buffer.SetState(state);
    buffer.SignalSeekDone();
    EXPECT_EQ(buffer.State(), state);
  }
}

TEST_F(StreamBufferTest, SignalCallsBackOnlyAWaitingReaderAndKeepsItsThreshold) {
  ScriptedBuffer idle;
  idle.SetThresholdCallBack(&StreamBufferTest::CountThreshold, this);
  idle.SignalEndOfStream();
  EXPECT_EQ(thresholdCalls, 0);

  buffer.WaitingReader(3);
  buffer.SignalInterrupted();
  EXPECT_EQ(thresholdCalls, 1);
  EXPECT_EQ(buffer.ReadThreshold(), 3u);  // only the reader's next take clears it
}

TEST_F(StreamBufferTest, StoreCopiesAcrossPartialGrantsInOrder) {
  buffer.script = {{khvStreamingStatus_OK, 2}, {khvStreamingStatus_OK, 3}};
  EXPECT_EQ(Store("abcdefghij"), khvStreamingStatus_OK);
  EXPECT_EQ(buffer.stored, "abcdefghij");
  EXPECT_EQ(buffer.takes, 3);
}

TEST_F(StreamBufferTest, StoreOfNothingTakesNoBlockUnlessInterrupted) {
  EXPECT_EQ(Store(""), khvStreamingStatus_OK);
  EXPECT_EQ(buffer.takes, 0);
  buffer.SignalInterrupted();
  EXPECT_EQ(Store(""), khvStreamingStatus_Interrupted);
  EXPECT_EQ(Store("abc"), khvStreamingStatus_Interrupted);
  EXPECT_EQ(buffer.takes, 0);
}

TEST_F(StreamBufferTest, StoreRetriesAFullBufferWhileTheCallBackAnswersOk) {
  FullCallBackAnswers({khvStreamingStatus_OK, khvStreamingStatus_OK});
  buffer.script = {{khvStreamingStatus_OK, 2},
                   {khvStreamingStatus_BufferFull, 0},
                   {khvStreamingStatus_BufferFull, 0}};
  EXPECT_EQ(Store("abcd"), khvStreamingStatus_OK);
  EXPECT_EQ(buffer.stored, "abcd");
  EXPECT_EQ(fullCalls, 2);
  EXPECT_EQ(buffer.State(), khvStreamBuffer_Streaming);
}

TEST_F(StreamBufferTest, StoreGivingUpOnAFullBufferTurnsItIntoAReadError) {
  FullCallBackAnswers({khvStreamingStatus_Error});
  buffer.script = {{khvStreamingStatus_OK, 2}, {khvStreamingStatus_BufferFull, 0}};
  EXPECT_EQ(Store("abcd"), khvStreamingStatus_BufferFull);
  EXPECT_EQ(buffer.State(), khvStreamBuffer_ReadError);
  EXPECT_EQ(buffer.EndPosition(), 2u);
}

TEST_F(StreamBufferTest, StorePassesOnTheRefusalOfATake) {
  for (hvStreamingStatus refusal :
       {khvStreamingStatus_Interrupted, khvStreamingStatus_InvalidOperation}) {
    ScriptedBuffer refusing;
    refusing.script = {{khvStreamingStatus_OK, 1}, {refusal, 0}};
    unsigned char bytes[3] = {'x', 'y', 'z'};
    EXPECT_EQ(refusing.StoreInBuffer(bytes, 3), refusal);
    EXPECT_EQ(refusing.stored, "x");
    EXPECT_EQ(refusing.State(), khvStreamBuffer_Streaming);
  }
}

TEST_F(StreamBufferTest, FullBufferWithoutCallBackNudgesTheReaderAndRetries) {
  EXPECT_EQ(buffer.BufferFull(), khvStreamingStatus_OK);
  EXPECT_EQ(thresholdCalls, 0);
  buffer.WaitingReader(1);
  EXPECT_EQ(buffer.BufferFull(), khvStreamingStatus_OK);
  EXPECT_EQ(thresholdCalls, 1);
}

TEST_F(StreamBufferTest, InvalidBufferLogsEachTimeItIsAsked) {
  hvLogCapture capture;
  buffer.MakeInvalid();
  EXPECT_FALSE(buffer.IsValid());
  EXPECT_FALSE(buffer.IsValid());
  char expected[96];
  snprintf(expected, sizeof expected, "hvStreamBuffer: Invalid (buffer = 0x%08lx)\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(&buffer)));
  auto records = capture.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].category, 11);
  EXPECT_EQ(records[0].file, "..\\..\\hvStreamBuffer");
  EXPECT_EQ(records[0].message, expected);
}

}  // namespace
