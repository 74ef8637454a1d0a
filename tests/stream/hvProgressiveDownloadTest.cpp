// End to end: an agent on the streaming engine plays the downloader, appending a source file
// to a growing file step by step; a consumer reads the growing file through a progressive
// stream over a buffered file stream, meeting Pending while data is missing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamingEngine.h"
#include "hvStreamTestUtil.h"
#include "hvTestSupport.h"

namespace {

const size_t kStep = 48 * 1024;
const auto kDeadline = std::chrono::seconds(20);

// The download as both the engine agent and the download manager see it.
class Download {
 public:
  Download(std::string path, std::string source, size_t failAfterSteps)
      : m_path(std::move(path)), m_source(std::move(source)), m_failAfter(failAfterSteps) {
    fclose(fopen(m_path.c_str(), "wb"));
  }

  // One step on the engine thread: append the next piece, then publish the new count. The
  // download starts at the reader's first request: on a busy machine it could otherwise
  // land whole before the reader starts, and nothing would be read while the file grows.
  void Step() {
    if (m_requests.load() == 0) return;
    size_t done = static_cast<size_t>(m_downloaded.load());
    if (done >= m_source.size() || m_failed.load()) return;
    if (m_steps++ == m_failAfter) {
      m_failed = true;
    } else {
      size_t piece = std::min(kStep, m_source.size() - done);
      FILE* file = fopen(m_path.c_str(), "ab");
      fwrite(m_source.data() + done, 1, piece, file);
      fclose(file);  // the bytes are in the file before the count says so
      m_downloaded = static_cast<int64_t>(done + piece);
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_changed.notify_all();
  }

  // The consumer waits for the next step instead of polling.
  bool WaitBeyond(int64_t downloaded) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, kDeadline,
                              [&] { return m_downloaded.load() > downloaded || m_failed.load(); });
  }

  std::atomic<int64_t> m_downloaded{0};
  std::atomic<bool> m_failed{false};
  std::atomic<int> m_requests{0};
  const std::string m_path;
  const std::string m_source;

 private:
  size_t m_failAfter;
  size_t m_steps = 0;  // engine thread only
  std::mutex m_lock;
  std::condition_variable m_changed;
};

class DownloaderAgent : public hvStreamingAgent {
 public:
  explicit DownloaderAgent(Download* download) : m_download(download) {}
  ~DownloaderAgent() override {}

 protected:
  uint32_t PreProcess() override { return 2; }
  void Process() override { m_download->Step(); }
  void RemovedFromStreamingEngine() override { m_removed = true; }

 private:
  Download* m_download;

 public:
  std::atomic<bool> m_removed{false};
};

class DownloadManager : public hvProgressiveStreamDownloaderMgr {
 public:
  explicit DownloadManager(Download* download) : m_download(download) {}
  int64_t GetDownloadedSize(const hvCString&) override { return m_download->m_downloaded; }
  int64_t GetFullSize(const hvCString&) override {
    return static_cast<int64_t>(m_download->m_source.size());
  }
  bool RequestDownloadAt(const hvCString&, uint64_t) override {
    ++m_download->m_requests;
    return true;
  }
  bool IsDownloadFailed(const hvCString&) override { return m_download->m_failed; }
  bool AddStream(const hvCString&, hvProgressiveStream*) override { return true; }
  bool RemoveStream(const hvCString&, hvProgressiveStream*) override { return true; }

 private:
  Download* m_download;
};

// Reads the whole stream in pieces; returns the final status and what was received. A
// stream that neither delivers nor ends fails the test within the deadline instead of
// spinning until the runner's limit.
hvStreamingStatus ReadAll(hvStream* stream, Download& download, std::string* received,
                          int* pendings) {
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  int emptyAnswers = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    unsigned char* data = nullptr;
    size_t length = 64 * 1024;
    hvStreamingStatus status = stream->PullTake(&data, &length, false);
    if (status == khvStreamingStatus_Pending) {
      ++*pendings;
      if (!download.WaitBeyond(static_cast<int64_t>(received->size()))) break;
      continue;
    }
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) return status;
    if (status == khvStreamingStatus_OK && length == 0 && ++emptyAnswers > 1000) {
      ADD_FAILURE() << "OK with nothing, over and over, at " << received->size();
      return khvStreamingStatus_Error;
    }
    if (length > 0) received->append(reinterpret_cast<char*>(data), length);
    stream->PullRelease(data, length);
    if (status == khvStreamingStatus_EndOfStream) return status;
  }
  ADD_FAILURE() << "no end of stream within " << kDeadline.count() << " s, at " << received->size();
  return khvStreamingStatus_Error;
}

// One download read to its end; the engine stops when the run is destroyed.
struct ProgressiveRun {
  void Run(size_t failAfterSteps) {
    download.reset(new Download(dir.File("growing.bin"), source, failAfterSteps));
    manager.reset(new DownloadManager(download.get()));
    ASSERT_EQ(engine.Setup(), 0);
    agent.reset(new DownloaderAgent(download.get()));
    agent->SetStreamingEngine(&engine);

    auto* file = new hvFile;
    ASSERT_TRUE(file->Open(download->m_path.c_str()));
    hvStreamPtr<hvProgressiveStream> stream(new hvProgressiveStream(
        new hvFileStream(nullptr, file, "video/mpeg", download->m_path.c_str()), manager.get(),
        "growing"));
    status = ReadAll(stream.get(), *download, &received, &pendings);
  }
  ~ProgressiveRun() {
    if (agent) {
      engine.RemoveTransferAgent(agent.get());
      engine.Terminate();
      EXPECT_TRUE(agent->m_removed);
    }
  }
  hvTempDir dir;
  const std::string source = hvPatternBytes(1024 * 1024 + 777, 23);
  std::unique_ptr<Download> download;
  std::unique_ptr<DownloadManager> manager;
  hvStreamingEngine engine;
  std::unique_ptr<DownloaderAgent> agent;
  hvStreamingStatus status = khvStreamingStatus_OK;
  std::string received;
  int pendings = 0;
};

TEST(ProgressiveDownload, ReaderReceivesTheWholeFileAsItArrives) {
  for (hvSoak soak("progressive reads"); soak.Again();) {
    ProgressiveRun run;
    run.Run(static_cast<size_t>(-1));
    EXPECT_EQ(run.status, khvStreamingStatus_EndOfStream);
    EXPECT_EQ(run.received.size(), run.source.size());
    EXPECT_TRUE(run.received == run.source);
    EXPECT_GT(run.pendings, 0);
    EXPECT_GT(run.download->m_requests.load(), 0);
    soak.Count(static_cast<uint64_t>(run.pendings), run.received.size());
  }
}

TEST(ProgressiveDownload, FailedDownloadEndsWithAnError) {
  ProgressiveRun run;
  run.Run(3);
  EXPECT_EQ(run.status, khvStreamingStatus_Error);
  EXPECT_EQ(run.received.size(), 3 * kStep);
  EXPECT_TRUE(run.received == run.source.substr(0, 3 * kStep));
}

}  // namespace
