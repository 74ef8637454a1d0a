// hvHttpStream against real servers on the loopback: every byte read must be the file's,
// through pauses of a small ring, seeks in and out of its window, servers that ignore
// ranges, drops in the middle of a body and a sparse file above 4 GiB.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "hulvoStreaming/hvHttp.h"
#include "hulvoStreaming/hvSeeker.h"
#include "hvHttpServers.h"
#include "hvTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

// Small blocks, so a few hundred kilobytes fill the ring and pause the transfer.
const size_t kBlock = 16384;
const size_t kBlocks = 4;

// Reads through a stream with bounded waits on its threshold signal.
class Reader {
 public:
  explicit Reader(const std::string& url, const char* protocolInfo = nullptr)
      : m_stream(new hvHttpStream(hvCString(url.c_str()), kBlock, kBlocks)) {
    m_stream->SetTimeouts(3000, 2000);
    // Through the base class, as a player holding any stream sets it.
    hvStream* asStream = m_stream;
    if (protocolInfo) asStream->SetProtocolInfo(hvCString(protocolInfo));
    m_stream->PushThresholdCallBack(&Reader::Signal, this);
  }
  ~Reader() {
    m_stream->PopThresholdCallBack(&Reader::Signal);
    m_stream->Delete();
  }
  hvHttpStream* operator->() { return m_stream; }

  // Reads up to `count` bytes (to the end for SIZE_MAX) into `out`; the status that ended it.
  hvStreamingStatus Read(size_t count, std::string* out) {
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
    while (out->size() < count && Clock::now() < deadline) {
      unsigned char* data = nullptr;
      size_t length = std::min<size_t>(count - out->size(), 20000);
      hvStreamingStatus status = m_stream->PullTake(&data, &length, false);
      if (status == khvStreamingStatus_Pending) {
        Wait();
        continue;
      }
      if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream)
        return status;
      out->append(reinterpret_cast<char*>(data), length);
      hvStreamingStatus released = m_stream->PullRelease(data, length);
      if (status == khvStreamingStatus_EndOfStream || released == khvStreamingStatus_EndOfStream)
        return khvStreamingStatus_EndOfStream;
    }
    return out->size() < count ? khvStreamingStatus_Pending : khvStreamingStatus_OK;
  }

  // Until the stream signals its threshold, at most 200 ms.
  void Wait() {
    std::unique_lock<std::mutex> hold(m_lock);
    m_wake.wait_for(hold, std::chrono::milliseconds(200), [this] { return m_signalled; });
    m_signalled = false;
  }

  // Seeks again while the stream answers Pending.
  hvStreamingStatus Seek(uint64_t position) {
    return Retry([&] { return m_stream->SeekBytes(position); });
  }
  hvStreamingStatus SeekTime(uint64_t milliseconds) {
    return Retry([&] { return m_stream->SeekTime(milliseconds); });
  }

 private:
  template <typename Call>
  hvStreamingStatus Retry(Call call) {
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
    hvStreamingStatus status;
    while ((status = call()) == khvStreamingStatus_Pending && Clock::now() < deadline) Wait();
    return status;
  }
  static void Signal(void* self) {
    Reader* reader = static_cast<Reader*>(self);
    std::lock_guard<std::mutex> hold(reader->m_lock);
    reader->m_signalled = true;
    reader->m_wake.notify_all();
  }

  hvHttpStream* m_stream;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_signalled = false;
};

class hvHttpStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_folder.Path().empty());
    m_file = hvPatternBytes(600000, 7);
    for (const char* folder : {"media", "dlna"}) {
      std::filesystem::create_directory(m_folder.File(folder));
      m_folder.WriteFile(std::string(folder) + "/file.mpg", m_file);
    }
  }
  hvTestServer& Server(hvTestServer::Kind kind) {
    if (!m_server) m_server.reset(new hvTestServer(kind, m_folder.Path()));
    EXPECT_TRUE(m_server->Started());
    return *m_server;
  }

  hvTempDir m_folder;
  std::string m_file;
  std::unique_ptr<hvTestServer> m_server;
};

TEST_F(hvHttpStreamTest, WholeFileArrivesThroughAPausingRing) {
  Reader reader(Server(hvTestServer::kLighttpd).Url("/media/file.mpg"));
  ASSERT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_OK);
  EXPECT_EQ(reader->GetStreamSize(), hvuint64(m_file.size()));
  EXPECT_STREQ(reader->GetMimeType().c_str(), "video/mpeg");
  EXPECT_STREQ(reader->GetExtension().c_str(), "mpg");
  std::string got;
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got == m_file) << "read " << got.size() << " of " << m_file.size();
}

TEST_F(hvHttpStreamTest, RandomSeeksInAndOutOfTheWindowGiveTheFilesBytes) {
  Reader reader(Server(hvTestServer::kLighttpd).Url("/media/file.mpg"));
  ASSERT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_OK);
  std::mt19937 random(11);
  uint64_t position = 0;
  for (int step = 0; step < 40; ++step) {
    // Half the seeks go a little back or forth (inside the window), half anywhere.
    uint64_t target =
        step % 2 ? random() % m_file.size()
                 : std::min<uint64_t>(m_file.size() - 1, position + random() % 40000 -
                                                             std::min<uint64_t>(position, 20000));
    ASSERT_EQ(reader.Seek(target), khvStreamingStatus_OK) << "seek to " << target;
    EXPECT_EQ(reader->GetStreamPosition(), hvuint64(target));
    std::string got;
    size_t count = std::min<size_t>(30000, m_file.size() - target);
    reader.Read(count, &got);
    ASSERT_EQ(got.size(), count) << "at " << target;
    ASSERT_TRUE(got == m_file.substr(target, count)) << "bytes differ after a seek to " << target;
    position = target + count;
  }
  // Past the end: the server answers 416 and the stream simply ends there.
  ASSERT_EQ(reader.Seek(m_file.size() + 10), khvStreamingStatus_OK);
  std::string none;
  EXPECT_EQ(reader.Read(100, &none), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(none.empty());
}

TEST_F(hvHttpStreamTest, SparseFileAbove4GiBIsReadAtItsEnd) {
  const uint64_t size = (uint64_t(4) << 30) + 123457;
  std::string tail = hvPatternBytes(70000, 3);
  // Growing the empty file leaves a hole on both systems' file systems: nothing is written.
  std::string path = m_folder.WriteFile("media/big.bin", "");
  std::filesystem::resize_file(path, size - tail.size());
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    ASSERT_TRUE(out.good());
  }
  Reader reader(Server(hvTestServer::kLighttpd).Url("/media/big.bin"));
  ASSERT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_OK);
  EXPECT_EQ(reader->GetStreamSize(), hvuint64(size));
  ASSERT_EQ(reader.Seek(size - tail.size()), khvStreamingStatus_OK);
  std::string got;
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got == tail);
}

TEST_F(hvHttpStreamTest, ServerContentFeaturesDecideSupport) {
  Reader reader(Server(hvTestServer::kLighttpd).Url("/dlna/file.mpg"));
  ASSERT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_OK);
  EXPECT_TRUE(reader->Support(khvStreamSupport_TimeSeek));
  EXPECT_TRUE(reader->Support(khvStreamSupport_ByteSeek));
  EXPECT_TRUE(reader->Support(khvStreamSupport_ConnectionStalling));
  EXPECT_STREQ(
      reader->GetContentFeatures().c_str(),
      "DLNA.ORG_PN=MPEG_PS_PAL;DLNA.ORG_OP=11;DLNA.ORG_FLAGS=01200000000000000000000000000000");
}

TEST_F(hvHttpStreamTest, GivenProtocolInfoOutranksTheServers) {
  Reader reader(Server(hvTestServer::kLighttpd).Url("/dlna/file.mpg"),
                "http-get:*:video/mpeg:DLNA.ORG_OP=00");
  ASSERT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_OK);
  EXPECT_FALSE(reader->Support(khvStreamSupport_TimeSeek));
  EXPECT_FALSE(reader->Support(khvStreamSupport_ConnectionStalling));
}

TEST_F(hvHttpStreamTest, LongPauseReconnectsUnlessTheSourceMayStall) {
  // dlna/ carries the connection-stalling flag: its paused connection is kept.
  hvTestServer& server = Server(hvTestServer::kLighttpd);
  for (const char* path : {"/media/file.mpg", "/dlna/file.mpg"}) {
    Reader reader(server.Url(path));
    reader->SetTimeouts(3000, 1000);
    std::string got;
    reader.Read(1000, &got);
    // The reader goes away while the ring is full; the scenario is the pause itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_EndOfStream);
    EXPECT_TRUE(got == m_file) << path << ": read " << got.size();
  }
  EXPECT_EQ(server.Requests("/media/file.mpg", 2), 2u);
  EXPECT_EQ(server.Requests("/dlna/file.mpg", 1), 1u);
}

TEST_F(hvHttpStreamTest, ServerIgnoringRangesIsSkippedToTheTarget) {
  // Python's server sends 200 and the whole file for every range.
  Reader reader(Server(hvTestServer::kPythonPlain).Url("/media/file.mpg"),
                "http-get:*:video/mpeg:DLNA.ORG_OP=01");
  ASSERT_EQ(reader->WaitForResponse(10000), khvStreamingStatus_OK);
  for (uint64_t target : {uint64_t(500000), uint64_t(1000), uint64_t(300001)}) {
    ASSERT_EQ(reader.Seek(target), khvStreamingStatus_OK);
    std::string got;
    reader.Read(20000, &got);
    ASSERT_TRUE(got == m_file.substr(target, 20000)) << "after a seek to " << target;
  }
}

TEST_F(hvHttpStreamTest, NoByteSeekAllowsOnlyTheWindow) {
  Reader reader(Server(hvTestServer::kPythonPlain).Url("/media/file.mpg"),
                "http-get:*:video/mpeg:DLNA.ORG_OP=00");
  ASSERT_EQ(reader->WaitForResponse(10000), khvStreamingStatus_OK);
  std::string got;
  reader.Read(1000, &got);
  // Only the unread bytes are sure to stay in the window: a full ring reuses the read ones.
  ASSERT_TRUE(reader->ReachReadSizeThreshold(30000, 10000));
  EXPECT_EQ(reader.Seek(20000), khvStreamingStatus_OK);
  EXPECT_EQ(reader.Seek(500000), khvStreamingStatus_SeekNotSupported);
  EXPECT_EQ(reader->GetStreamPosition(), hvuint64(20000));
  got.clear();
  reader.Read(1000, &got);
  EXPECT_TRUE(got == m_file.substr(20000, 1000));
}

TEST_F(hvHttpStreamTest, DroppedBodyResumesWithARange) {
  Reader reader(Server(hvTestServer::kFaults).Url("/drop/media/file.mpg"));
  std::string got;
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got == m_file) << "read " << got.size();
}

TEST_F(hvHttpStreamTest, ChunkedBodyHasItsSizeOnlyAtTheEnd) {
  Reader reader(Server(hvTestServer::kFaults).Url("/chunked/media/file.mpg"));
  ASSERT_EQ(reader->WaitForResponse(10000), khvStreamingStatus_OK);
  EXPECT_EQ(reader->GetStreamSize(), khvuint64_Max);
  std::string got;
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got == m_file);
  EXPECT_EQ(reader->GetStreamSize(), hvuint64(m_file.size()));
}

TEST_F(hvHttpStreamTest, TimeSeekLandsOnTheByteTheServerNames) {
  Reader reader(Server(hvTestServer::kFaults).Url("/timeseek/media/file.mpg"));
  ASSERT_EQ(reader->WaitForResponse(10000), khvStreamingStatus_OK);
  ASSERT_TRUE(reader->Support(khvStreamSupport_TimeSeek));
  EXPECT_FALSE(reader->Support(khvStreamSupport_ByteSeek));
  for (uint64_t milliseconds : {uint64_t(45000), uint64_t(2500), uint64_t(30000)}) {
    ASSERT_EQ(reader.SeekTime(milliseconds), khvStreamingStatus_OK);
    uint64_t first = milliseconds * 10;
    EXPECT_EQ(reader->GetStreamPosition(), hvuint64(first));
    std::string got;
    reader.Read(20000, &got);
    ASSERT_TRUE(got == m_file.substr(first, 20000)) << "after a time seek to " << milliseconds;
  }
  EXPECT_EQ(reader->GetStreamSize(), hvuint64(m_file.size()));
}

TEST_F(hvHttpStreamTest, TimeSeekWithoutAByteLeavesThePosition) {
  Reader reader(Server(hvTestServer::kFaults).Url("/timenobytes/media/file.mpg"));
  std::string got;
  reader.Read(1000, &got);
  EXPECT_EQ(reader.SeekTime(30000), khvStreamingStatus_SeekNotSupported);
  got.clear();
  reader.Read(1000, &got);
  EXPECT_TRUE(got == m_file.substr(1000, 1000));
}

TEST_F(hvHttpStreamTest, TimeSeekTheServerFailsIsAnErrorAndReadingGoesOn) {
  Reader reader(Server(hvTestServer::kFaults).Url("/timefail/media/file.mpg"));
  std::string got;
  reader.Read(1000, &got);
  // A second time given while the first is on its way replaces it.
  EXPECT_EQ(reader->SeekTime(10000), khvStreamingStatus_Pending);
  EXPECT_EQ(reader.SeekTime(20000), khvStreamingStatus_Error);
  EXPECT_EQ(reader->GetStreamPosition(), hvuint64(1000));
  got.clear();
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(got == m_file.substr(1000));
}

TEST_F(hvHttpStreamTest, TimeSeekIsRefusedWhereTheSourceForbidsIt) {
  Reader reader(Server(hvTestServer::kLighttpd).Url("/media/file.mpg"));
  ASSERT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_OK);
  EXPECT_EQ(reader.SeekTime(1000), khvStreamingStatus_SeekNotSupported);
}

// Error paths.

// Servers that break, lie about their framing or ranges, or cut the connection at each
// phase: each read to the end gives the file's bytes up to a documented status, in bounded
// time, and never a byte from another position.
TEST_F(hvHttpStreamTest, BrokenOrLyingServersGiveTheFilesBytesOrAnError) {
  enum Bytes { kNone, kPrefix, kAll, kCut };  // kCut: the 100000 bytes before a drop
  struct Case {
    const char* mode;
    uint64_t seek;  // read from here (0: from the start, no seek)
    hvStreamingStatus status;
    Bytes bytes;
    int httpStatus;  // of the last answer; 0: not checked
  } cases[] = {
      {"status503", 0, khvStreamingStatus_Error, kNone, 503},
      // WinHTTP fails the redirect itself, so no final status may arrive.
      {"noloc", 0, khvStreamingStatus_Error, kNone, 0},
      {"relredirect", 0, khvStreamingStatus_EndOfStream, kAll, 200},
      {"closeearly", 0, khvStreamingStatus_Error, kNone, 0},
      {"closeinheader", 0, khvStreamingStatus_Error, kNone, 0},
      // Resumed with ranges, a few times, then given up.
      {"closeafterheader", 0, khvStreamingStatus_Error, kNone, 200},
      {"twolengths", 0, khvStreamingStatus_Error, kNone, 0},
      {"hugelength", 0, khvStreamingStatus_Error, kPrefix, 200},
      {"nolength", 0, khvStreamingStatus_EndOfStream, kAll, 200},
      // Used to end the stream where the server refused the missing bytes. The last bytes
      // before an error used to be lost with it.
      {"shortbody", 0, khvStreamingStatus_Error, kAll, 0},
      {"dropnorange", 0, khvStreamingStatus_Error, kCut, 200},
      // Used to end the stream where the server's first part ended.
      {"partial", 0, khvStreamingStatus_EndOfStream, kAll, 206},
      {"partial", 123456, khvStreamingStatus_EndOfStream, kAll, 206},
      {"earlyrange", 400000, khvStreamingStatus_EndOfStream, kAll, 206},
      // Used to end the stream at the seek's target with EndOfStream.
      {"refusing", 400000, khvStreamingStatus_Error, kNone, 416},
      {"rangeless", 400000, khvStreamingStatus_Error, kNone, 206},
      {"wrongrange", 400000, khvStreamingStatus_Error, kNone, 206},
  };
  hvTestServer& server = Server(hvTestServer::kFaults);
  for (const Case& item : cases) {
    SCOPED_TRACE(std::string(item.mode) + " from " + std::to_string(item.seek));
    Reader reader(server.Url(std::string("/") + item.mode + "/media/file.mpg"));
    reader->SetTimeouts(2000, 1000);
    Clock::time_point start = Clock::now();
    // At once, as a player resuming a position does: Pending until the first answer.
    if (item.seek != 0) {
      ASSERT_EQ(reader.Seek(item.seek), khvStreamingStatus_OK);
    }
    std::string got;
    EXPECT_EQ(reader.Read(SIZE_MAX, &got), item.status);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
    const std::string wanted = m_file.substr(item.seek);
    EXPECT_TRUE(got == wanted.substr(0, got.size())) << "wrong bytes among " << got.size();
    const size_t count[] = {0, got.size(), wanted.size(), 100000};
    EXPECT_EQ(got.size(), count[item.bytes]);
    if (item.httpStatus != 0) {
      EXPECT_EQ(reader->GetHttpStatus(), item.httpStatus);
    }
  }
}

TEST_F(hvHttpStreamTest, DroppedBodyWithoutRangesIsAnErrorAfterItsBytes) {
  Reader reader(Server(hvTestServer::kFaults).Url("/dropnorange/media/file.mpg"));
  std::string got;
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got == m_file.substr(0, got.size()));
}

TEST_F(hvHttpStreamTest, ResourceThatChangedSizeIsNotResumedInto) {
  Reader reader(Server(hvTestServer::kFaults).Url("/changing/media/file.mpg"));
  std::string got;
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got == m_file.substr(0, got.size())) << "read " << got.size();
  EXPECT_EQ(reader->GetStreamSize(), hvuint64(m_file.size()));
}

TEST_F(hvHttpStreamTest, WrongContentRangeIsAnErrorNotWrongBytes) {
  Reader reader(Server(hvTestServer::kFaults).Url("/wrongrange/media/file.mpg"));
  ASSERT_EQ(reader->WaitForResponse(10000), khvStreamingStatus_OK);
  ASSERT_EQ(reader.Seek(400000), khvStreamingStatus_OK);
  std::string got;
  EXPECT_EQ(reader.Read(1000, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got.empty());
}

TEST_F(hvHttpStreamTest, RedirectsAreFollowedOnlyWithinBoundsAndHttp) {
  hvTestServer& server = Server(hvTestServer::kLighttpd);
  {
    Reader reader(server.Url("/moved/file.mpg"));
    std::string got;
    EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_EndOfStream);
    EXPECT_TRUE(got == m_file);
  }
  for (const char* path : {"/loop/file.mpg", "/toftp/file.mpg"}) {
    Reader reader(server.Url(path));
    EXPECT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_Error) << path;
  }
}

TEST_F(hvHttpStreamTest, SilentServerFailsWithinTheStallLimit) {
  Reader reader(Server(hvTestServer::kFaults).Url("/stall/media/file.mpg"));
  reader->SetTimeouts(1000, 1000);
  Clock::time_point start = Clock::now();
  EXPECT_EQ(reader->WaitForResponse(10), khvStreamingStatus_Pending);
  EXPECT_EQ(reader->WaitForResponse(20000), khvStreamingStatus_Error);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  std::string got;
  EXPECT_EQ(reader.Read(100, &got), khvStreamingStatus_Error);
}

TEST_F(hvHttpStreamTest, BytesBeforeAStallAreKeptWhenTheStallFails) {
  // A read larger than what had arrived used to wait for the rest and lose the 1000 bytes
  // with its timeout.
  Reader reader(Server(hvTestServer::kFaults).Url("/stallbody/media/file.mpg"));
  reader->SetTimeouts(1000, 1000);
  std::string got;
  EXPECT_EQ(reader.Read(SIZE_MAX, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got == m_file.substr(0, 1000)) << "read " << got.size();
}

TEST_F(hvHttpStreamTest, DeleteDoesNotWaitForAReadOnASilentServer) {
  // Closing a request does not end WinHTTP's pending read under Wine: the stream's end used
  // to wait for that read's timeout.
  Clock::time_point start;
  {
    Reader reader(Server(hvTestServer::kFaults).Url("/stallbody/media/file.mpg"));
    reader->SetTimeouts(1000, 20000);
    std::string got;
    reader.Read(1000, &got);
    ASSERT_EQ(got.size(), 1000u);
    start = Clock::now();
  }
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_LT(elapsed.count(), 5000) << "milliseconds to delete the stream";
}

TEST_F(hvHttpStreamTest, FloodOfHeaderLinesIsRefused) {
  Reader reader(Server(hvTestServer::kFaults).Url("/flood/media/file.mpg"));
  EXPECT_EQ(reader->WaitForResponse(10000), khvStreamingStatus_Error);
}

TEST_F(hvHttpStreamTest, MissingResourceIsAnError) {
  Reader reader(Server(hvTestServer::kLighttpd).Url("/media/none.mpg"));
  EXPECT_EQ(reader->WaitForResponse(5000), khvStreamingStatus_Error);
  EXPECT_EQ(reader->GetHttpStatus(), 404);
  std::string got;
  EXPECT_EQ(reader.Read(100, &got), khvStreamingStatus_Error);
}

TEST(hvHttpStreamRefusal, UrlsThatAreNotHttpOrHaveNoReadableHost) {
  for (const char* url : {"ftp://127.0.0.1/a", "file:///etc/passwd", "http://127.0.0.1:99999/a",
                          "http:///a", "http://a b/c", "127.0.0.1/a", ""}) {
    hvHttpStream* stream = new hvHttpStream(hvCString(url));
    EXPECT_FALSE(stream->IsValid()) << url;
    unsigned char* data = nullptr;
    size_t length = 10;
    EXPECT_EQ(stream->PullTake(&data, &length, false), khvStreamingStatus_Error) << url;
    EXPECT_EQ(length, 0u);
    // Every other call answers without touching the network or the missing ring.
    EXPECT_EQ(stream->Open(), khvStreamingStatus_Error);
    EXPECT_EQ(stream->WaitForResponse(10), khvStreamingStatus_Error);
    EXPECT_EQ(stream->SeekBytes(5), khvStreamingStatus_Error);
    EXPECT_EQ(stream->SeekTime(5), khvStreamingStatus_Error);
    EXPECT_EQ(stream->PullRelease(data, 0), khvStreamingStatus_Error);
    EXPECT_FALSE(stream->ReachReadSizeThreshold(1, 10));
    EXPECT_EQ(stream->GetStreamPosition(), khvuint64_Max);
    EXPECT_EQ(stream->GetStreamSize(), khvuint64_Max);
    EXPECT_EQ(stream->GetAvailableReadSize(), 0u);
    EXPECT_EQ(stream->GetTotalBufferSize(), 0u);
    stream->SignalInterrupted();
    stream->Delete();
  }
}

TEST(hvHttpStreamRefusal, NobodyListeningIsAnError) {
  if (getenv("HV_TEST_HTTP_SERVERS"))
    GTEST_SKIP() << "the runner's servers outlive the test, so no port is known to be free";
  // A port that was free a moment ago.
  hvTempDir folder;
  std::string url;
  {
    hvTestServer server(hvTestServer::kLighttpd, folder.Path());
    url = server.Url("/x");
  }
  hvHttpStream* stream = new hvHttpStream(hvCString(url.c_str()));
  stream->SetTimeouts(2000, 2000);
  EXPECT_EQ(stream->WaitForResponse(10000), khvStreamingStatus_Error);
  stream->Delete();
}

// Certificates are verified unless the caller says otherwise: a server whose certificate
// nobody vouches for is an error, never a source of bytes.
TEST(hvHttpStreamRefusal, UnverifiedCertificateIsAnError) {
  if (getenv("HV_TEST_HTTP_SERVERS")) GTEST_SKIP() << "the runner starts no TLS server";
  hvTempDir folder;
  folder.WriteFile("clip.mpg", hvPatternBytes(1000, 5));
  hvTestServer server(hvTestServer::kLighttpdTls, folder.Path());
  ASSERT_TRUE(server.Started()) << "lighttpd with mod_openssl and openssl are needed";
  hvHttpStream* stream = new hvHttpStream(hvCString(server.Url("/clip.mpg").c_str()));
  stream->SetTimeouts(5000, 5000);
  EXPECT_EQ(stream->WaitForResponse(10000), khvStreamingStatus_Error);
  stream->Delete();
}

// A player's time seek over HTTP, where every window the seeker reads is a range request
// whose bytes come later. Asking again after Pending starts the search over, and its first
// window has left the small ring by then; the waiting call converges, at the file's answer.
TEST_F(hvHttpStreamTest, TimeSeekWaitingForTheBytesFindsTheFilesPosition) {
  std::ifstream media(std::string(HV_SEEK_MEDIA_DIR) + "/ts_h264.ts", std::ios::binary);
  if (!media) GTEST_SKIP() << "no generated seek media (ffmpeg missing at build)";
  const std::string bytes((std::istreambuf_iterator<char>(media)), {});
  const std::string path = m_folder.WriteFile("media/seek.ts", bytes);
  std::unique_ptr<hvSeekerManager> manager(hvSeekerManager_Create());
  const uint64_t kTimeMs = 6200;

  hvFile* file = new hvFile;
  ASSERT_TRUE(file->Open(path.c_str()));
  hvStream* local = new hvFileGetStream(file, "video/mpeg", path.c_str());
  hvSeekResult expected;
  EXPECT_EQ(hvSeeker_SeekTime(manager.get(), local, kTimeMs, &expected), khvStreamingStatus_OK);
  local->Delete();
  ASSERT_GT(expected.bytePos, 0u);

  const std::string url = Server(hvTestServer::kLighttpd).Url("/media/seek.ts");
  {
    Reader retrying(url);
    ASSERT_EQ(retrying->WaitForResponse(5000), khvStreamingStatus_OK);
    hvStreamingStatus status = khvStreamingStatus_Pending;
    for (int attempt = 0; attempt < 15 && status == khvStreamingStatus_Pending; ++attempt) {
      status = hvSeeker_SeekTime(manager.get(), retrying.operator->(), kTimeMs, nullptr);
      if (status == khvStreamingStatus_Pending) retrying.Wait();
    }
    EXPECT_EQ(status, khvStreamingStatus_Pending);
  }

  Reader waiting(url);
  ASSERT_EQ(waiting->WaitForResponse(5000), khvStreamingStatus_OK);
  hvSeekResult result;
  EXPECT_EQ(hvSeeker_SeekTimeWaiting(manager.get(), waiting.operator->(), kTimeMs, 10000, &result),
            khvStreamingStatus_OK);
  EXPECT_EQ(result.bytePos, expected.bytePos);
  EXPECT_EQ(result.bytesRead, expected.bytesRead);
  EXPECT_STREQ(result.format, "mpegts");
  EXPECT_EQ(waiting->GetStreamPosition(), hvuint64(result.bytePos));
}

TEST_F(hvHttpStreamTest, InterruptEndsReadsForGood) {
  Reader reader(Server(hvTestServer::kLighttpd).Url("/media/file.mpg"));
  std::string got;
  reader.Read(1000, &got);
  reader->SignalInterrupted();
  got.clear();
  EXPECT_EQ(reader.Read(1000, &got), khvStreamingStatus_Interrupted);
  EXPECT_EQ(reader->SeekBytes(0), khvStreamingStatus_Interrupted);
}

}  // namespace
