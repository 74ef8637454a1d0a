#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>

#include "engine/hvOSDebugText.h"
#include "hulvoStreaming/hvOSThread.h"
#include "hvTestSupport.h"

namespace {

const char kThreadSource[] = "..\\..\\win32\\hvThread.win32";
const auto kDeadline = std::chrono::seconds(20);

// What a test thread does and what it saw: counts runs and cleanups, and can be held inside
// its entry until the test lets it go.
class Probe {
 public:
  static void Entry(void* self) { static_cast<Probe*>(self)->Run(); }
  static void Cleanup(void* self) { static_cast<Probe*>(self)->Clean(); }

  void Hold() {
    Change([this] { m_hold = true; });
  }
  void Release() {
    Change([this] { m_hold = false; });
  }
  bool WaitForRunning() {
    return Wait([this] { return m_running; });
  }
  bool WaitForCleanups(int count) {
    return Wait([this, count] { return m_cleanups == count; });
  }
  int Runs() { return Read(m_runs); }
  int Cleanups() { return Read(m_cleanups); }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(m_lock);
    ++m_runs;
    m_running = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_hold; });
  }
  void Clean() {
    Change([this] { ++m_cleanups; });
  }

  template <typename F>
  void Change(F change) {
    std::lock_guard<std::mutex> lock(m_lock);
    change();
    m_changed.notify_all();
  }
  template <typename P>
  bool Wait(P done) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, kDeadline, done);
  }
  int Read(const int& value) {
    std::lock_guard<std::mutex> lock(m_lock);
    return value;
  }

  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_hold = false;
  bool m_running = false;
  int m_runs = 0;
  int m_cleanups = 0;
};

class hvOSThreadTest : public testing::Test {
 protected:
  hvOSThread* Create(Probe& probe, int32_t detached = 0, uint64_t stackSize = 0) {
    hvOSThreadParams params = {Probe::Entry, Probe::Cleanup, &probe, stackSize, detached};
    return hvOSThread_Create(&params);
  }
  // Joins and destroys a joinable thread.
  void Finish(hvOSThread* thread) {
    EXPECT_EQ(hvOSThread_Join(thread), 0);
    hvOSThread_Destroy(thread);
  }

  Probe m_probe;
};

TEST_F(hvOSThreadTest, JoinableThreadRunsOnlyOnceStartedAndEndsJoined) {
  hvOSThread* thread = Create(m_probe);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(hvOSThread_GetState(thread), khvOSThreadState_Created);
  EXPECT_EQ(hvOSThread_GetDetachState(thread), khvOSThreadDetach_Joinable);
  EXPECT_EQ(m_probe.Runs(), 0);

  EXPECT_EQ(hvOSThread_Start(thread), 0);
  EXPECT_EQ(hvOSThread_GetState(thread), khvOSThreadState_Started);
  EXPECT_EQ(hvOSThread_Join(thread), 0);
  EXPECT_EQ(hvOSThread_GetState(thread), khvOSThreadState_Joined);
  EXPECT_EQ(m_probe.Runs(), 1);
  EXPECT_EQ(hvOSThread_Join(thread), 0);  // joined again: returns at once
  hvOSThread_Destroy(thread);
  EXPECT_EQ(m_probe.Cleanups(), 0);  // cleanup belongs to detached threads only
}

TEST_F(hvOSThreadTest, SecondStartFailsWithLogRecord) {
  hvLogCapture log;
  hvOSThread* thread = Create(m_probe);
  ASSERT_EQ(hvOSThread_Start(thread), 0);
  EXPECT_EQ(hvOSThread_Start(thread), 1);
  EXPECT_EQ(hvOSThread_GetState(thread), khvOSThreadState_Started);
  Finish(thread);

  ASSERT_EQ(log.Count(), 1u);
  const hvCapturedRecord record = log.Records()[0];
  EXPECT_EQ(record.category, 7);
  EXPECT_EQ(record.severity, 1);
  EXPECT_EQ(record.file, kThreadSource);
  EXPECT_EQ(record.message, "hvOSThread: cannot start thread\n");
  EXPECT_EQ(m_probe.Runs(), 1);
}

TEST_F(hvOSThreadTest, JoinBeforeStartMarksJoinedAndEntryNeverRuns) {
  hvOSThread* thread = Create(m_probe);
  EXPECT_EQ(hvOSThread_Join(thread), 0);
  EXPECT_EQ(hvOSThread_GetState(thread), khvOSThreadState_Joined);
  // Started anyway: the thread passes through without calling the entry.
  EXPECT_EQ(hvOSThread_Start(thread), 0);
  EXPECT_EQ(hvOSThread_GetState(thread), khvOSThreadState_Joined);
  hvOSThread_Destroy(thread);
  EXPECT_EQ(m_probe.Runs(), 0);
}

TEST_F(hvOSThreadTest, DestroyingAThreadNeverStartedRunsNothing) {
  hvOSThread_Destroy(Create(m_probe));
  hvOSThread_Destroy(Create(m_probe, 1));
  hvOSThread_Destroy(nullptr);
  EXPECT_EQ(m_probe.Runs(), 0);
  EXPECT_EQ(m_probe.Cleanups(), 0);
}

TEST_F(hvOSThreadTest, DetachedThreadIsNotJoinedAndDisposesOfItself) {
  m_probe.Hold();
  hvOSThread* thread = Create(m_probe, 1);
  EXPECT_EQ(hvOSThread_GetDetachState(thread), khvOSThreadDetach_Running);
  ASSERT_EQ(hvOSThread_Start(thread), 0);
  ASSERT_TRUE(m_probe.WaitForRunning());
  // Held in its entry, so the record is still alive.
  EXPECT_EQ(hvOSThread_Join(thread), 1);
  EXPECT_EQ(hvOSThread_GetState(thread), khvOSThreadState_Started);
  m_probe.Release();
  EXPECT_TRUE(m_probe.WaitForCleanups(1));
  EXPECT_EQ(m_probe.Runs(), 1);
}

// Used to race: the state was written after resuming, into a record the finished detached
// thread had already freed.
TEST_F(hvOSThreadTest, ManyShortDetachedThreadsEachCleanUpOnce) {
  const int kThreads = 64;
  for (int i = 0; i < kThreads; ++i) {
    hvOSThread* thread = Create(m_probe, 1, 1);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(hvOSThread_Start(thread), 0);
  }
  EXPECT_TRUE(m_probe.WaitForCleanups(kThreads));
  EXPECT_EQ(m_probe.Runs(), kThreads);
}

TEST_F(hvOSThreadTest, OnlyDetachedOneMeansDetached) {
  hvOSThread* thread = Create(m_probe, 2);
  EXPECT_EQ(hvOSThread_GetDetachState(thread), khvOSThreadDetach_Joinable);
  ASSERT_EQ(hvOSThread_Start(thread), 0);
  Finish(thread);
  EXPECT_EQ(m_probe.Cleanups(), 0);
}

TEST(hvOSThreadStack, ReservationFollowsTheRequest) {
  EXPECT_EQ(hvOSThread_StackReservation(0), 131072u);
  EXPECT_EQ(hvOSThread_StackReservation(1), 0u);  // the system default
  EXPECT_EQ(hvOSThread_StackReservation(2), 65536u);
  EXPECT_EQ(hvOSThread_StackReservation(4096), 65536u);
  EXPECT_EQ(hvOSThread_StackReservation(65536), 65536u);
  EXPECT_EQ(hvOSThread_StackReservation(65537), 65537u);
  EXPECT_EQ(hvOSThread_StackReservation(1048576), 1048576u);
}

// More than the 64 KiB and 128 KiB bands give; ThreadSanitizer keeps most of a mebibyte of
// thread data on the stack, so not much more.
void UseStackBeyondTheSmallBands(void* used) {
  volatile char bytes[192 * 1024];
  for (size_t i = 0; i < sizeof(bytes); i += 4096) bytes[i] = static_cast<char>(i);
  *static_cast<bool*>(used) = bytes[4096] == static_cast<char>(4096);
}

TEST_F(hvOSThreadTest, ThreadsRunWithEveryStackRule) {
  for (uint64_t stackSize : {0u, 1u, 4096u, 1048576u}) {
    Probe probe;
    hvOSThread* thread = Create(probe, 0, stackSize);
    ASSERT_NE(thread, nullptr) << stackSize;
    ASSERT_EQ(hvOSThread_Start(thread), 0);
    Finish(thread);
    EXPECT_EQ(probe.Runs(), 1) << stackSize;
  }
  // A reservation of 1 MiB is not cut down to a smaller band.
  bool used = false;
  hvOSThreadParams params = {UseStackBeyondTheSmallBands, nullptr, &used, 1048576, 0};
  hvOSThread* thread = hvOSThread_Create(&params);
  ASSERT_EQ(hvOSThread_Start(thread), 0);
  Finish(thread);
  EXPECT_TRUE(used);
}

TEST_F(hvOSThreadTest, ImpossibleStackFailsCreationWithLogRecord) {
  hvLogCapture log;
  EXPECT_EQ(Create(m_probe, 1, uint64_t{1} << 52), nullptr);
  ASSERT_EQ(log.Count(), 1u);
  const hvCapturedRecord record = log.Records()[0];
  EXPECT_EQ(record.category, 7);
  EXPECT_EQ(record.file, kThreadSource);
  EXPECT_EQ(record.message.rfind("hvOSThread: Cannot create thread (error = ", 0), 0u)
      << record.message;
  EXPECT_EQ(m_probe.Cleanups(), 0);
}

TEST(hvOSThreadPriority, ScaleMapsToFiveBands) {
  const struct {
    uint16_t priority;
    int mapped;
  } kBands[] = {{0, -2}, {20, -2}, {21, -1}, {40, -1}, {41, 0},   {60, 0},   {61, 1},
                {80, 1}, {81, 2},  {100, 2}, {101, 0}, {1000, 0}, {65535, 0}};
  for (const auto& band : kBands) {
    EXPECT_EQ(hvOSThread_MapPriority(band.priority), band.mapped) << band.priority;
  }
}

TEST_F(hvOSThreadTest, PriorityCanBeSetOnACreatedThread) {
  hvLogCapture log;
  hvOSThread* thread = Create(m_probe);
  for (uint16_t priority : {10, 30, 50, 70, 101}) {
    EXPECT_EQ(hvOSThread_SetPriority(thread, priority), 0) << priority;
  }
  ASSERT_EQ(hvOSThread_Start(thread), 0);
  Finish(thread);
  EXPECT_EQ(log.Count(), 0u);
}

void NameThisThread(void* name) { hvOSThread_SetName(static_cast<const char*>(name)); }

TEST_F(hvOSThreadTest, NamingReturnsWithoutADebugger) {
  hvOSThread_SetName("hvOSThreadTest main thread with a long name");
  char name[] = "hvStreamingEngine";
  hvOSThreadParams params = {NameThisThread, nullptr, name, 0, 0};
  hvOSThread* thread = hvOSThread_Create(&params);
  ASSERT_EQ(hvOSThread_Start(thread), 0);
  Finish(thread);
}

TEST(hvOSThreadMisc, SleepAndProcessId) {
  const auto start = std::chrono::steady_clock::now();
  hvOSThread_Sleep(-1);  // would be "forever" if passed on unchanged
  hvOSThread_Sleep(5);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4));
  EXPECT_NE(hvOSThread_GetProcessId(), 0u);
  EXPECT_EQ(hvOSThread_GetProcessId(), hvOSThread_GetProcessId());
}

std::u16string DebugText(const char* text) {
  char16_t buffer[khvOSDebugText_BufferSize];
  const size_t length = hvOSDebugText_Build(text, buffer);
  EXPECT_EQ(buffer[length], 0);
  return std::u16string(buffer, length);
}

TEST(hvOSDebugOutput, TextIsCutTo254CharactersAndEndsWithLineFeed) {
  const std::string longText(300, 'x');
  EXPECT_EQ(DebugText(longText.c_str()), std::u16string(254, u'x') + u"\n");
  EXPECT_EQ(DebugText(std::string(254, 'y').c_str()), std::u16string(254, u'y') + u"\n");
  EXPECT_EQ(DebugText("caf\xE9"), u"caf\u00e9\n");
  EXPECT_EQ(DebugText(""), u"\n");
  EXPECT_EQ(DebugText(nullptr), u"\n");
  // Without a debugger the output returns without breaking.
  hvOSDebugOutput("hvOSDebugOutput: test line, no break expected");
}

}  // namespace
