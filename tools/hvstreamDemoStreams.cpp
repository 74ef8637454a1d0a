// The stream tour of `hvstream demo`: one sample file read through every kind of stream, each
// result compared byte for byte with what was written.
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "hulvoStreaming/hvOSThread.h"
#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hulvoStreaming/hvStreamingEngine.h"
#include "hvstreamDemo.h"
#include "hvstreamTool.h"

namespace {

// Not a multiple of any block size, so every reader meets a short last block.
const size_t kSampleSize = 1024 * 1024 + 4321;

std::string SampleBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 + (i >> 9));
  return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  hvFile file;
  return file.Create(path.c_str()) &&
         file.Write(bytes.data(), bytes.size()) == static_cast<int32_t>(bytes.size());
}

hvFile* OpenFile(const std::string& path) {
  hvFile* file = new hvFile;
  file->Open(path.c_str());
  return file;  // an unopened file makes the stream invalid, which the caller checks
}

// Copies out with PullGet until the end; false on any other status.
bool ReadByGet(hvStream* stream, size_t block, std::string* out) {
  std::vector<unsigned char> buffer(block);
  for (int empty = 0; empty < 100;) {
    size_t length = block;
    hvStreamingStatus status = stream->PullGet(buffer.data(), &length, false);
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) return false;
    out->append(reinterpret_cast<char*>(buffer.data()), length);
    if (status == khvStreamingStatus_EndOfStream) return true;
    empty = length ? 0 : empty + 1;
  }
  return false;
}

// Takes blocks in place and releases them until the end, or until `limit` bytes.
bool ReadByTake(hvStream* stream, size_t block, std::string* out, size_t limit = SIZE_MAX) {
  for (int empty = 0; empty < 100 && out->size() < limit;) {
    unsigned char* data = nullptr;
    size_t length = std::min(block, limit - out->size());
    hvStreamingStatus status = stream->PullTake(&data, &length, false);
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) return false;
    out->append(reinterpret_cast<char*>(data), length);
    if (length) stream->PullRelease(data, length);
    if (status == khvStreamingStatus_EndOfStream) return true;
    empty = length ? 0 : empty + 1;
  }
  return out->size() == limit;
}

std::string Bytes(size_t count) { return std::to_string(count) + " bytes"; }

void TourFile(hvDemoReport& report, const std::string& path, const std::string& sample) {
  hvStream* stream = new hvFileGetStream(OpenFile(path), "video/mpeg", path.c_str());
  std::string whole, middle;
  bool ok = stream->IsValid() && ReadByGet(stream, 64 * 1024, &whole) && whole == sample;
  // A direct stream seeks by positioning the file.
  ok = ok && stream->SeekBytes(500000) == khvStreamingStatus_OK;
  ok = ok && ReadByGet(stream, 64 * 1024, &middle) && middle == sample.substr(500000);
  stream->Delete();
  report.Check(ok, "file         hvFileGetStream: " + Bytes(whole.size()) +
                       " copied out, then again from a seek to 500000");
}

void TourRange(hvDemoReport& report, const std::string& path, const std::string& sample) {
  const int64_t start = 300001, length = 200000;
  hvStream* stream =
      new hvFilePartGetStream(OpenFile(path), "video/mpeg", path.c_str(), start, length);
  std::string range;
  bool ok = stream->IsValid() && stream->GetStreamSize() == static_cast<uint64_t>(length) &&
            ReadByGet(stream, 48 * 1024, &range) &&
            range == sample.substr(static_cast<size_t>(start), static_cast<size_t>(length));
  stream->Delete();
  report.Check(ok, "range        hvFilePartGetStream: bytes 300001 to 500000 as a stream of " +
                       Bytes(range.size()));
}

void TourBuffered(hvDemoReport& report, const std::string& path, const std::string& sample) {
  hvStream* stream = new hvFileStream(new hvStreamMultiBuffer(64 * 1024, 4), OpenFile(path),
                                      "video/mpeg", path.c_str());
  std::string whole, tail, head;
  bool ok = stream->IsValid() && ReadByTake(stream, 50000, &whole) && whole == sample;
  // 100000 bytes back is still inside the 256 KiB ring: served without touching the file.
  const size_t back = sample.size() - 100000;
  ok = ok && stream->SeekBytes(back) == khvStreamingStatus_OK && ReadByTake(stream, 50000, &tail) &&
       tail == sample.substr(back);
  // The start left the ring long ago: the ring is emptied there and refilled from the file.
  ok = ok && stream->SeekBytes(0) == khvStreamingStatus_OK &&
       ReadByTake(stream, 50000, &head, 70000) && head == sample.substr(0, 70000);
  stream->Delete();
  report.Check(ok, "buffered     hvFileStream, ring of 4 x 64 KiB: " + Bytes(whole.size()) +
                       " taken in place; seeks back into the ring and to the start");
}

void TourMemory(hvDemoReport& report, const std::string& path, const std::string& sample) {
  hvMemoryStream* memory = new hvMemoryStream(4096, "video/mpeg");
  // Draining takes blocks in place, so the source is a buffered stream.
  hvStream* source = new hvFileStream(nullptr, OpenFile(path), "video/mpeg", path.c_str());
  bool ok = memory->IsValid() && source->IsValid() && memory->WriteStream(source);
  source->Delete();
  std::string copy;
  ok = ok && memory->GetStreamSize() == sample.size() &&
       memory->SeekBytes(0) == khvStreamingStatus_OK && ReadByTake(memory, 40000, &copy) &&
       copy == sample;
  memory->Delete();
  report.Check(ok, "memory       hvMemoryStream: drained a file stream (" + Bytes(sample.size()) +
                       "), read back in place");
}

// The download that the engine agent advances and the manager reports. Counts move on the
// engine thread and are read on the reader's, hence atomic; a count grows only once its
// bytes are in the file.
struct Download {
  std::string source;
  hvFile file;  // the growing local copy, written by the agent
  std::atomic<int64_t> downloaded{0};
};

class DownloadAgent : public hvStreamingAgent {
 public:
  explicit DownloadAgent(Download* download) : m_download(download) {}

 protected:
  uint32_t PreProcess() override { return 2; }
  void Process() override {
    int64_t done = m_download->downloaded.load();
    int64_t total = static_cast<int64_t>(m_download->source.size());
    if (done == total) return;
    int64_t step = std::min<int64_t>(64 * 1024, total - done);
    if (m_download->file.Write(m_download->source.data() + done, static_cast<size_t>(step)) !=
        step) {
      TransferTerminated(khvStreamingStatus_Error);
      return;
    }
    m_download->downloaded = done + step;
    if (done + step == total) TransferTerminated(khvStreamingStatus_OK);
  }
  // Lives on the demo's stack: removal must not delete it.
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
  bool RequestDownloadAt(const hvCString&, uint64_t) override { return true; }
  bool IsDownloadFailed(const hvCString&) override { return false; }
  bool AddStream(const hvCString&, hvProgressiveStream*) override { return true; }
  bool RemoveStream(const hvCString&, hvProgressiveStream*) override { return true; }

 private:
  Download* m_download;
};

void TourProgressive(hvDemoReport& report, const std::string& folder, const std::string& sample) {
  Download download;
  download.source = sample;
  std::string path = folder + "/download.bin";
  hvStreamingEngine engine;
  if (!download.file.Create(path.c_str()) || engine.Setup() != 0) {
    report.Check(false, "progressive  cannot create the download file or start the engine");
    return;
  }
  DownloadManager manager(&download);
  hvStream* stream = new hvProgressiveStream(
      new hvFileStream(nullptr, OpenFile(path), "video/mpeg", path.c_str()), &manager, "sample");

  // Nothing has arrived yet, so the first take is sure to be told to come back later.
  unsigned char* data = nullptr;
  size_t length = 64 * 1024;
  bool ok =
      stream->IsValid() && stream->PullTake(&data, &length, false) == khvStreamingStatus_Pending;
  int pendings = ok ? 1 : 0;

  DownloadAgent agent(&download);
  agent.SetStreamingEngine(&engine);  // the download starts on the engine thread
  std::string received;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  hvStreamingStatus status = khvStreamingStatus_OK;
  while (ok && std::chrono::steady_clock::now() < deadline) {
    length = 64 * 1024;
    status = stream->PullTake(&data, &length, false);
    if (status == khvStreamingStatus_Pending) {
      ++pendings;
      hvOSThread_Sleep(1);
      continue;
    }
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) break;
    received.append(reinterpret_cast<char*>(data), length);
    if (length) stream->PullRelease(data, length);
    if (status == khvStreamingStatus_EndOfStream) break;
  }
  stream->Delete();
  engine.RemoveTransferAgent(&agent);
  engine.Terminate();  // returns once the agent is out of the engine
  download.file.Close();

  ok = ok && status == khvStreamingStatus_EndOfStream && received == sample &&
       agent.IsTerminated() && agent.GetStatus() == khvStreamingStatus_OK;
  report.Check(ok, "progressive  hvProgressiveStream while an engine agent downloads: " +
                       std::to_string(pendings) + " pending answers, then " +
                       Bytes(received.size()));
}

}  // namespace

void hvDemo_RunStreams(hvDemoReport& report, const std::string& folder) {
  report.Section("streams: one sample file, every byte compared");
  std::string sample = SampleBytes(kSampleSize);
  std::string path = folder + "/sample.mpg";
  if (!WriteFile(path, sample)) {
    report.Check(false, "cannot write the sample file " + path);
    return;
  }
  report.Note("sample.mpg: " + Bytes(sample.size()) + " (" + hvTool_ByteCount(sample.size()) + ")");
  TourFile(report, path, sample);
  TourRange(report, path, sample);
  TourBuffered(report, path, sample);
  TourMemory(report, path, sample);
  TourProgressive(report, folder, sample);
}
