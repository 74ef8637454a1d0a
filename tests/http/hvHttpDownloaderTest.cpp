// hvHttpDownloaderMgr against real servers on the loopback: a progressive stream over its
// cache file must give the resource's bytes wherever it seeks, fetching only what is read
// when the read-ahead is bounded, and must never read a hole as data.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "hulvoStreaming/hvHttp.h"
#include "hv/hvFileFault.h"
#include "hvHttpServers.h"
#include "hvTestSupport.h"

namespace {

using Clock = std::chrono::steady_clock;
const char kName[] = "movie";

// Copies from a progressive stream with bounded waits on its threshold signal, which the
// manager raises whenever bytes land or a transfer ends.
class CacheReader {
 public:
  CacheReader(hvHttpDownloaderMgr* manager, const char* name)
      : m_stream(manager->CreateStream(hvCString(name), hvCString("video/mpeg"))) {
    if (m_stream) m_stream->PushThresholdCallBack(&CacheReader::Wake, this);
  }
  ~CacheReader() {
    if (!m_stream) return;
    m_stream->PopThresholdCallBack(&CacheReader::Wake);
    m_stream->Delete();
  }
  hvStream* operator->() { return m_stream; }
  bool Opened() const { return m_stream != nullptr; }

  // Up to `count` bytes (to the end for SIZE_MAX); the status that ended the copy.
  hvStreamingStatus Get(size_t count, std::string* out) {
    unsigned char piece[32768];
    return Until([&]() -> hvStreamingStatus {
      if (out->size() >= count) return khvStreamingStatus_OK;
      size_t length = std::min(sizeof piece, count - out->size());
      hvStreamingStatus status = m_stream->PullGet(piece, &length, false);
      out->append(reinterpret_cast<char*>(piece), length);
      if (status == khvStreamingStatus_OK && out->size() < count) return khvStreamingStatus_Pending;
      return status;
    });
  }
  hvStreamingStatus Seek(uint64_t position) {
    return Until([&] { return m_stream->SeekBytes(position); });
  }

 private:
  // Repeats `step` while it answers Pending, waiting for a signal in between.
  template <typename Step>
  hvStreamingStatus Until(Step step) {
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    hvStreamingStatus status;
    while ((status = step()) == khvStreamingStatus_Pending && Clock::now() < deadline) {
      std::unique_lock<std::mutex> hold(m_lock);
      m_wake.wait_for(hold, std::chrono::milliseconds(100), [this] { return m_woken; });
      m_woken = false;
    }
    return status;
  }
  static void Wake(void* self) {
    CacheReader* reader = static_cast<CacheReader*>(self);
    std::lock_guard<std::mutex> hold(reader->m_lock);
    reader->m_woken = true;
    reader->m_wake.notify_all();
  }

  hvProgressiveStream* m_stream;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_woken = false;
};

class hvHttpDownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(m_served.File("media"));
    m_file = hvPatternBytes(3 * 1024 * 1024 + 4321, 5);
    m_served.WriteFile("media/file.mpg", m_file);
    m_manager.SetTimeouts(3000, 2000);
  }
  hvTestServer& Server(hvTestServer::Kind kind) {
    if (!m_server) m_server.reset(new hvTestServer(kind, m_served.Path()));
    EXPECT_TRUE(m_server->Started());
    return *m_server;
  }
  bool Download(const std::string& url) {
    return m_manager.AddDownload(hvCString(kName), hvCString(url.c_str()),
                                 hvCString(m_cache.File("cache.bin").c_str()));
  }
  // Reads `count` bytes at `position` and compares them with `expected` there.
  void ExpectBytesAt(CacheReader& reader, uint64_t position, size_t count,
                     const std::string& expected) {
    ASSERT_EQ(reader.Seek(position), khvStreamingStatus_OK) << "seek to " << position;
    std::string got;
    reader.Get(count, &got);
    ASSERT_EQ(got.size(), count) << "at " << position;
    ASSERT_TRUE(got == expected.substr(static_cast<size_t>(position), count))
        << "bytes differ at " << position;
  }

  hvTempDir m_served;
  hvTempDir m_cache;
  std::string m_file;
  std::unique_ptr<hvTestServer> m_server;
  hvHttpDownloaderMgr m_manager;
};

TEST_F(hvHttpDownloaderTest, RandomSeeksAheadAndBehindGiveTheFilesBytes) {
  // A short read-ahead leaves holes: seeks ahead start ranged transfers, seeks behind land
  // in what is kept or in a hole.
  m_manager.SetReadAhead(64 * 1024);
  hvTestServer& server = Server(hvTestServer::kLighttpd);
  ASSERT_TRUE(Download(server.Url("/media/file.mpg")));
  CacheReader reader(&m_manager, kName);
  ASSERT_TRUE(reader.Opened());
  std::mt19937 random(17);
  for (int step = 0; step < 30; ++step) {
    uint64_t target = random() % (m_file.size() - 1);
    ASSERT_NO_FATAL_FAILURE(
        ExpectBytesAt(reader, target, std::min<size_t>(20000, m_file.size() - target), m_file));
  }
  EXPECT_EQ(reader->GetStreamSize(), hvuint64(m_file.size()));
  EXPECT_GT(server.Requests("/media/file.mpg", 10), 10u);
  // Read on to the end from the middle, across holes and kept parts alike.
  std::string tail;
  ASSERT_EQ(reader.Seek(m_file.size() / 2), khvStreamingStatus_OK);
  EXPECT_EQ(reader.Get(SIZE_MAX, &tail), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(tail == m_file.substr(m_file.size() / 2)) << "read " << tail.size();
}

TEST_F(hvHttpDownloaderTest, KeptDownloadCompletesAndReadsToTheEnd) {
  ASSERT_TRUE(Download(Server(hvTestServer::kLighttpd).Url("/media/file.mpg")));
  CacheReader reader(&m_manager, kName);
  ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(reader, 2500000, 30000, m_file));
  std::string all;
  ASSERT_EQ(reader.Seek(0), khvStreamingStatus_OK);
  EXPECT_EQ(reader.Get(SIZE_MAX, &all), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(all == m_file) << "read " << all.size();
  EXPECT_TRUE(m_manager.IsComplete(hvCString(kName)));
}

TEST_F(hvHttpDownloaderTest, HoleBeforeALaterPartIsNeverCounted) {
  m_manager.SetReadAhead(64 * 1024);
  ASSERT_TRUE(Download(Server(hvTestServer::kLighttpd).Url("/media/file.mpg")));
  CacheReader reader(&m_manager, kName);
  ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(reader, 0, 1000, m_file));
  ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(reader, 2000000, 1000, m_file));
  // Back at the start, the count ends at the first hole, well before the later part.
  ASSERT_EQ(reader.Seek(10), khvStreamingStatus_OK);
  int64_t counted = m_manager.GetDownloadedSize(hvCString(kName));
  EXPECT_GT(counted, 10);
  EXPECT_LT(counted, 1000000);
  EXPECT_FALSE(m_manager.IsComplete(hvCString(kName)));
  ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(reader, 10, 400000, m_file));
}

TEST_F(hvHttpDownloaderTest, TwoStreamsReadFarApartEachAtItsOwnPace) {
  // Used to starve the stream ahead: both were answered for the one further behind.
  m_manager.SetReadAhead(64 * 1024);
  ASSERT_TRUE(Download(Server(hvTestServer::kLighttpd).Url("/media/file.mpg")));
  CacheReader behind(&m_manager, kName);
  CacheReader ahead(&m_manager, kName);
  ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(behind, 0, 1000, m_file));
  for (uint64_t step = 0; step < 4; ++step) {
    ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(ahead, 2000000 + step * 200000, 150000, m_file));
    ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(behind, 1000 + step * 150000, 150000, m_file));
  }
}

TEST_F(hvHttpDownloaderTest, SparseFileAbove4GiBFetchesOnlyWhatIsRead) {
  const uint64_t size = (uint64_t(4) << 30) + 123457;
  const uint64_t middle = uint64_t(3) << 30;
  std::string pieces = hvPatternBytes(200000, 9);
  // Growing the file before each append leaves holes on both systems' file systems.
  std::string path = m_served.File("media/big.bin");
  for (uint64_t at : {middle, size - 100000}) {
    std::ofstream(path, std::ios::binary | std::ios::app).flush();
    std::filesystem::resize_file(path, at);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(pieces.data(), 100000);
    ASSERT_TRUE(out.good());
  }
  m_manager.SetReadAhead(256 * 1024);
  ASSERT_TRUE(Download(Server(hvTestServer::kLighttpd).Url("/media/big.bin")));
  CacheReader reader(&m_manager, kName);
  for (uint64_t at : {size - 100000, middle, size - 60000, middle + 50000}) {
    ASSERT_EQ(reader.Seek(at), khvStreamingStatus_OK) << at;
    std::string got;
    reader.Get(40000, &got);
    uint64_t piece = at >= size - 100000 ? at - (size - 100000) : at - middle;
    ASSERT_TRUE(got == pieces.substr(static_cast<size_t>(piece), 40000)) << "at " << at;
  }
  EXPECT_EQ(reader->GetStreamSize(), hvuint64(size));
  std::string end;
  ASSERT_EQ(reader.Seek(size - 10), khvStreamingStatus_OK);
  EXPECT_EQ(reader.Get(SIZE_MAX, &end), khvStreamingStatus_EndOfStream);
  EXPECT_EQ(end.size(), 10u);
  // A few read-aheads per region, not gigabytes.
  EXPECT_LT(m_manager.GetReceivedBytes(hvCString(kName)), uint64_t(32) << 20);
}

TEST_F(hvHttpDownloaderTest, ServerIgnoringRangesStillGivesTheRightBytes) {
  // Python's server answers every range with 200 and the whole file. The short read-ahead
  // stops the first transfer early, so the seeks ask for ranges.
  m_manager.SetReadAhead(64 * 1024);
  ASSERT_TRUE(Download(Server(hvTestServer::kPythonPlain).Url("/media/file.mpg")));
  CacheReader reader(&m_manager, kName);
  for (uint64_t target : {uint64_t(3000000), uint64_t(1000), uint64_t(1500001)})
    ASSERT_NO_FATAL_FAILURE(ExpectBytesAt(reader, target, 30000, m_file));
}

TEST_F(hvHttpDownloaderTest, DroppedBodyResumesWithARange) {
  m_file.resize(600000);
  m_served.WriteFile("media/file.mpg", m_file);
  ASSERT_TRUE(Download(Server(hvTestServer::kFaults).Url("/drop/media/file.mpg")));
  CacheReader reader(&m_manager, kName);
  std::string all;
  EXPECT_EQ(reader.Get(SIZE_MAX, &all), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(all == m_file) << "read " << all.size();
  EXPECT_TRUE(m_manager.IsComplete(hvCString(kName)));
}

// Error paths.

TEST_F(hvHttpDownloaderTest, DroppedBodyWithoutRangesFailsAfterItsBytes) {
  ASSERT_TRUE(Download(Server(hvTestServer::kFaults).Url("/dropnorange/media/file.mpg")));
  CacheReader reader(&m_manager, kName);
  std::string got;
  EXPECT_EQ(reader.Get(SIZE_MAX, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got == m_file.substr(0, got.size())) << "read " << got.size();
  EXPECT_TRUE(m_manager.IsDownloadFailed(hvCString(kName)));
}

// Servers that break or lie, and a cache file that refuses its bytes: the reader gets the
// file's bytes up to a documented status, in bounded time, and never a byte from elsewhere.
TEST_F(hvHttpDownloaderTest, BrokenServersAndCacheFilesGiveTheFilesBytesOrAnError) {
  enum Bytes { kNone, kPrefix, kAll };
  struct Case {
    const char* mode;
    uint64_t seek;   // read from here, with a short read-ahead (0: from the start, all kept)
    int writeFault;  // 0: none; N > 0: the Nth cache write fails; -N: every write from the Nth
    hvFileFaultKind kind;
    hvStreamingStatus status;
    Bytes bytes;
  } cases[] = {
      {"ok", 0, 0, khvFileFault_Fail, khvStreamingStatus_EndOfStream, kAll},
      // Used to end where the server's first part ended.
      {"partial", 0, 0, khvFileFault_Fail, khvStreamingStatus_EndOfStream, kAll},
      {"earlyrange", 2000000, 0, khvFileFault_Fail, khvStreamingStatus_EndOfStream, kAll},
      // Used to ask again for ever, the reader waiting at the position.
      {"refusing", 2000000, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      {"shortbody", 0, 0, khvFileFault_Fail, khvStreamingStatus_Error, kPrefix},
      {"nolength", 0, 0, khvFileFault_Fail, khvStreamingStatus_EndOfStream, kAll},
      {"status503", 0, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      {"closeafterheader", 0, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      {"twolengths", 0, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      {"closeearly", 0, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      // Silent before the answer, and silent after 1000 bytes of the body.
      {"stall", 0, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      {"stallbody", 0, 0, khvFileFault_Fail, khvStreamingStatus_Error, kPrefix},
      {"rangeless", 2000000, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      {"wrongrange", 2000000, 0, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      // A disk that fails every write from the first or the third on, or writes in pieces.
      {"ok", 0, -1, khvFileFault_Fail, khvStreamingStatus_Error, kNone},
      {"ok", 0, -3, khvFileFault_Fail, khvStreamingStatus_Error, kPrefix},
      {"ok", 0, 2, khvFileFault_Fail, khvStreamingStatus_Error, kPrefix},
      {"ok", 0, -1, khvFileFault_Short, khvStreamingStatus_EndOfStream, kAll},
  };
  hvTestServer& server = Server(hvTestServer::kFaults);
  int index = 0;
  for (const Case& item : cases) {
    SCOPED_TRACE(std::string(item.mode) + " from " + std::to_string(item.seek) + ", write fault " +
                 std::to_string(item.writeFault));
    hvHttpDownloaderMgr manager;
    manager.SetTimeouts(2000, 1000);
    if (item.seek != 0) manager.SetReadAhead(64 * 1024);
    if (item.writeFault != 0)
      (item.writeFault < 0 ? hvFileFault_ArmFrom : hvFileFault_Arm)(
          khvFileFault_Write, static_cast<uint32_t>(std::abs(item.writeFault)), item.kind);
    const std::string url = server.Url(std::string("/") + item.mode + "/media/file.mpg");
    const std::string cache = m_cache.File("cache" + std::to_string(index++) + ".bin");
    ASSERT_TRUE(
        manager.AddDownload(hvCString(kName), hvCString(url.c_str()), hvCString(cache.c_str())));
    std::string got;
    hvStreamingStatus status;
    Clock::time_point start = Clock::now();
    {
      CacheReader reader(&manager, kName);
      status = reader.Seek(item.seek);
      if (status == khvStreamingStatus_OK) status = reader.Get(SIZE_MAX, &got);
    }
    hvFileFault_Disarm();
    EXPECT_EQ(status, item.status);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
    const std::string wanted = m_file.substr(item.seek);
    EXPECT_TRUE(got == wanted.substr(0, got.size())) << "wrong bytes among " << got.size();
    const size_t count[] = {0, got.size(), wanted.size()};
    EXPECT_EQ(got.size(), count[item.bytes]);
    EXPECT_EQ(manager.IsDownloadFailed(hvCString(kName)), item.status == khvStreamingStatus_Error);
  }
}

TEST_F(hvHttpDownloaderTest, RemovedWhileTransferringStopsWritingAndFreesTheName) {
  ASSERT_TRUE(Download(Server(hvTestServer::kLighttpd).Url("/media/file.mpg")));
  const hvCString name(kName);
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
  while (m_manager.GetReceivedBytes(name) == 0 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(m_manager.RemoveDownload(name));
  EXPECT_FALSE(m_manager.RemoveDownload(name));
  EXPECT_EQ(m_manager.GetDownloadedSize(name), -1);
  // Nothing writes into the old cache file any more, and the name starts afresh.
  const uint64_t written = std::filesystem::file_size(m_cache.File("cache.bin"));
  ASSERT_TRUE(m_manager.AddDownload(
      name, hvCString(Server(hvTestServer::kLighttpd).Url("/media/file.mpg").c_str()),
      hvCString(m_cache.File("again.bin").c_str())));
  CacheReader reader(&m_manager, kName);
  std::string all;
  EXPECT_EQ(reader.Get(SIZE_MAX, &all), khvStreamingStatus_EndOfStream);
  EXPECT_TRUE(all == m_file);
  EXPECT_EQ(std::filesystem::file_size(m_cache.File("cache.bin")), written);
}

TEST_F(hvHttpDownloaderTest, MissingResourceFailsTheReader) {
  ASSERT_TRUE(Download(Server(hvTestServer::kLighttpd).Url("/media/none.mpg")));
  CacheReader reader(&m_manager, kName);
  std::string got;
  EXPECT_EQ(reader.Get(100, &got), khvStreamingStatus_Error);
  EXPECT_TRUE(got.empty());
}

TEST_F(hvHttpDownloaderTest, RefusedUrlsAndNamesAddNothing) {
  EXPECT_FALSE(Download("ftp://127.0.0.1/a"));
  EXPECT_FALSE(Download("http://127.0.0.1:99999/a"));
  // A cache file that cannot be made, in a folder that is not there.
  EXPECT_FALSE(m_manager.AddDownload(hvCString(kName), hvCString("http://127.0.0.1:1/a"),
                                     hvCString(m_cache.File("none/cache.bin").c_str())));
  // Every question about a name never added (or a stream made elsewhere under a wrong
  // name) answers "nothing" and starts nothing.
  const hvCString name(kName);
  EXPECT_EQ(m_manager.CreateStream(name, hvCString("video/mpeg")), nullptr);
  EXPECT_EQ(m_manager.GetDownloadedSize(name), -1);
  EXPECT_EQ(m_manager.GetFullSize(name), -1);
  EXPECT_FALSE(m_manager.RequestDownloadAt(name, 0));
  EXPECT_FALSE(m_manager.IsDownloadFailed(name));
  EXPECT_FALSE(m_manager.AddStream(name, nullptr));
  EXPECT_FALSE(m_manager.RemoveStream(name, nullptr));
  EXPECT_FALSE(m_manager.IsComplete(name));
  EXPECT_EQ(m_manager.GetReceivedBytes(name), 0u);
  EXPECT_FALSE(m_manager.RemoveDownload(name));
  // A name is taken once.
  ASSERT_TRUE(Download(Server(hvTestServer::kLighttpd).Url("/media/file.mpg")));
  EXPECT_FALSE(Download(Server(hvTestServer::kLighttpd).Url("/media/file.mpg")));
}

TEST_F(hvHttpDownloaderTest, ManagerGoesWhileATransferRuns) {
  // A slow reader keeps the transfer busy; the manager cancels it on its way out.
  auto manager = std::make_unique<hvHttpDownloaderMgr>();
  ASSERT_TRUE(manager->AddDownload(
      hvCString(kName), hvCString(Server(hvTestServer::kLighttpd).Url("/media/file.mpg").c_str()),
      hvCString(m_cache.File("other.bin").c_str())));
  {
    CacheReader reader(manager.get(), kName);
    std::string got;
    reader.Get(1000, &got);
    EXPECT_TRUE(got == m_file.substr(0, 1000));
  }
  manager.reset();
}

}  // namespace
