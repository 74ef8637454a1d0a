// Reading a file while it downloads: an agent on the streaming engine plays the downloader
// (here it copies a local source in steps), and the reader goes through hvProgressiveStream,
// which answers khvStreamingStatus_Pending while the data is not there yet.
//
//   progressive_download          (a sample source is made and removed afterwards)
#include <hulvoStreaming/hulvoStreaming.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// The download itself: shared by the engine agent (which advances it) and the manager
// (which the progressive stream asks). The counts are atomic: they change on the engine
// thread and are read on the reader's thread.
struct Download {
  std::string source;       // what the "server" sends
  std::string destination;  // the growing local file
  std::atomic<int64_t> downloaded{0};
};

// Runs on the engine thread: one step of the download per pass.
class DownloadAgent : public hvStreamingAgent {
 public:
  explicit DownloadAgent(Download* download) : m_download(download) {}

 protected:
  uint32_t PreProcess() override { return 5; }  // come back within 5 ms
  void Process() override {
    int64_t done = m_download->downloaded;
    int64_t total = static_cast<int64_t>(m_download->source.size());
    if (done == total) return;
    int64_t step = std::min<int64_t>(256 * 1024, total - done);
    std::ofstream(m_download->destination, std::ios::binary | std::ios::app)
        .write(m_download->source.data() + done, step);
    m_download->downloaded = done + step;  // only once the bytes are in the file
    if (done + step == total) TransferTerminated(khvStreamingStatus_OK);
  }
  // The agent lives on the stack of main(), so removal must not delete it.
  void RemovedFromStreamingEngine() override {}

 private:
  Download* m_download;
};

class DownloadManager : public hvProgressiveStreamDownloaderMgr {
 public:
  explicit DownloadManager(Download* download) : m_download(download) {}
  int64_t GetDownloadedSize(const hvCString&) override { return m_download->downloaded; }
  int64_t GetFullSize(const hvCString&) override {
    return static_cast<int64_t>(m_download->source.size());
  }
  // A real downloader would start a range request here; ours is sequential anyway.
  bool RequestDownloadAt(const hvCString&, uint64_t) override { return true; }
  bool IsDownloadFailed(const hvCString&) override { return false; }
  bool AddStream(const hvCString&, hvProgressiveStream*) override { return true; }
  bool RemoveStream(const hvCString&, hvProgressiveStream*) override { return true; }

 private:
  Download* m_download;
};

}  // namespace

int main() {
  Download download;
  download.source.resize(4 * 1024 * 1024 + 99);
  for (size_t i = 0; i < download.source.size(); ++i)
    download.source[i] = static_cast<char>(i ^ (i >> 8));
  download.destination =
      (std::filesystem::temp_directory_path() / "hv-progressive-sample.bin").string();
  std::ofstream(download.destination, std::ios::binary | std::ios::trunc);  // empty at first

  hvStreamingEngine engine;
  if (engine.Setup() != 0) return 1;
  DownloadAgent agent(&download);
  agent.SetStreamingEngine(&engine);  // the engine thread now runs the agent

  DownloadManager manager(&download);
  hvFile* file = new hvFile;
  if (!file->Open(download.destination.c_str())) return 1;
  hvStream* stream = new hvProgressiveStream(
      new hvFileStream(nullptr, file, "video/mpeg", download.destination.c_str()), &manager,
      "sample");

  std::string received;
  int pendings = 0;
  hvStreamingStatus status;
  for (;;) {
    unsigned char* block = nullptr;
    size_t length = 64 * 1024;
    status = stream->PullTake(&block, &length, false);
    if (status == khvStreamingStatus_Pending) {  // not downloaded yet: try again shortly
      ++pendings;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) break;
    received.append(reinterpret_cast<char*>(block), length);
    stream->PullRelease(block, length);
    if (status == khvStreamingStatus_EndOfStream) break;
  }

  stream->Delete();
  engine.RemoveTransferAgent(&agent);
  engine.Terminate();  // returns once the agent has been removed
  std::filesystem::remove(download.destination);

  bool same = received == download.source;
  printf("received %zu bytes (%s), %d pending answers on the way\n", received.size(),
         same ? "identical" : "DIFFERENT", pendings);
  return status == khvStreamingStatus_EndOfStream && same ? 0 : 1;
}
