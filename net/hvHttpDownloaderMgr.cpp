// hvHttpDownloaderMgr: downloads kept in cache files, filled by transfers on the library's
// HTTP thread where the readers need them.
#include "net/hvHttpDownloaderMgr.h"

#include <algorithm>

#include "hv/hvLogReport.h"
#include "net/hvHttpRequestHeaders.h"
#include "net/hvHttpUrl.h"

namespace {
const char kSource[] = "hvHttpDownloaderMgr";
// Drops in a row, without a byte arriving in between, before the download gives up.
const unsigned kMaxResumes = 3;

int64_t AsCount(uint64_t value) {
  return value > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(value);
}
}  // namespace

hvHttpDownloaderMgrState::hvHttpDownloaderMgrState() : transport(hvHttpTransport_Acquire()) {}

hvHttpDownloaderMgrState::~hvHttpDownloaderMgrState() {
  for (auto& entry : downloads) Drop(entry.second.get());
  hvHttpTransport_Release(transport);
}

hvHttpDownload* hvHttpDownloaderMgrState::Find(const hvCString& name) {
  std::string key(name.c_str(), name.Length());
  auto found = downloads.find(key);
  if (found != downloads.end()) return found->second.get();
  auto alias = aliases.find(key);
  return alias == aliases.end() ? nullptr : alias->second;
}

void hvHttpDownloaderMgrState::NoteStreamPositions(hvHttpDownload* download) {
  // The list changes only under control, which the caller holds; a stream's position takes
  // the stream's own locks, so it is asked outside ours.
  for (hvHttpDownloadReader& reader : download->streams) {
    uint64_t position = static_cast<uint64_t>(reader.stream->GetStreamPosition());
    std::lock_guard<std::mutex> hold(lock);
    reader.position = position;
  }
}

uint64_t hvHttpDownloaderMgrState::Readable(const hvHttpDownload& download, uint64_t position) {
  // Past the end nothing is missing: the reader meets the end of the file there.
  if (download.size != UINT64_MAX && position >= download.size) return download.size;
  return download.onDisk.RunEnd(position);
}

void hvHttpDownloaderMgrState::SignalStreams(const hvHttpDownload& download) {
  for (const hvHttpDownloadReader& reader : download.streams)
    reader.stream->SignalThresholdReached();
}

void hvHttpDownloaderMgrState::Drop(hvHttpDownload* download) {
  if (!download->transfer) return;
  transport->Cancel(download->transferId);
  delete download->transfer;
  download->transfer = nullptr;
  download->transferId = 0;
}

void hvHttpDownloaderMgrState::Launch(hvHttpDownload* download, uint64_t start) {
  {
    std::lock_guard<std::mutex> hold(lock);
    if (download->ranges == hvHttpDownload::kRangesIgnored) start = 0;
  }
  hvHttpRequestPlan plan;
  plan.rangeStart = start;
  hvHttpRequest request;
  request.url = download->url;
  request.headers = hvHttpRequest_Headers(plan);
  request.connectTimeoutMs = connectTimeoutMs;
  request.stallTimeoutMs = stallTimeoutMs;
  download->transfer = new hvHttpDownloadTransfer(this, download, start);
  download->transferId = transport->Start(request, download->transfer);
  if (download->transferId != 0) return;
  delete download->transfer;
  download->transfer = nullptr;
  HV_LOG(khvLogCategory_Stream, kSource, "hvHttpDownloaderMgr: request refused (%s)\n",
         download->name.c_str());
  std::lock_guard<std::mutex> hold(lock);
  download->failed = true;
}

void hvHttpDownloaderMgrState::Settle(hvHttpDownload* download) {
  hvHttpDownloadTransfer* transfer = download->transfer;
  if (!transfer) return;
  hvHttpDownloadResult result;
  bool delivered;
  bool ranged;
  std::string reason;
  uint64_t next;
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!transfer->Finished()) return;
    result = transfer->Result();
    delivered = transfer->Delivered();
    reason = transfer->Reason();
    next = transfer->Next();
    ranged = download->ranges == hvHttpDownload::kRangesServed;
  }
  // OnDone may still be on its way out; once Cancel returns it is not.
  Drop(download);
  if (result == khvHttpDownload_Ended) {
    download->resumes = 0;
    return;
  }
  if (result == khvHttpDownload_Dropped) {
    download->resumes = delivered ? 1 : download->resumes + 1;
    // The next transfer starts where the readers miss bytes, which is where this one stopped.
    if (ranged && download->resumes <= kMaxResumes) return;
  }
  HV_LOG(khvLogCategory_Stream, kSource, "hvHttpDownloaderMgr: %s at %llu: %s\n",
         download->name.c_str(), static_cast<unsigned long long>(next), reason.c_str());
  std::lock_guard<std::mutex> hold(lock);
  download->failed = true;
}

bool hvHttpDownloaderMgrState::NextStart(const hvHttpDownload& download, uint64_t* start) const {
  if (download.failed) return false;
  if (download.size != UINT64_MAX && download.onDisk.Covers(0, download.size)) return false;
  if (download.ranges == hvHttpDownload::kRangesIgnored) {
    *start = 0;
    return true;
  }
  uint64_t best = UINT64_MAX;
  auto consider = [&](uint64_t reader) {
    uint64_t from = Readable(download, reader);
    if (download.size != UINT64_MAX && from >= download.size) return;
    // A reader gets a new transfer once less than half the read-ahead is left before it, so
    // each request brings at least that half instead of one read's worth.
    if (readAhead == 0 || from - reader < readAhead - readAhead / 2) best = std::min(best, from);
  };
  if (download.wanted != UINT64_MAX) consider(download.wanted);
  for (const hvHttpDownloadReader& reader : download.streams) consider(reader.position);
  // Kept whole: what no reader needs yet comes after what they need.
  if (best == UINT64_MAX && readAhead == 0) best = download.onDisk.RunEnd(0);
  if (best == UINT64_MAX) return false;
  *start = best;
  return true;
}

void hvHttpDownloaderMgrState::Progress(hvHttpDownload* download) {
  Settle(download);
  if (download->transfer) return;
  uint64_t start;
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!NextStart(*download, &start)) return;
  }
  Launch(download, start);
}

hvHttpDownloaderMgr::hvHttpDownloaderMgr() : m_state(new hvHttpDownloaderMgrState) {}

hvHttpDownloaderMgr::~hvHttpDownloaderMgr() { delete m_state; }

void hvHttpDownloaderMgr::SetTimeouts(uint32_t connectMilliseconds, uint32_t stallMilliseconds) {
  std::lock_guard<std::mutex> hold(m_state->control);
  m_state->connectTimeoutMs = connectMilliseconds;
  m_state->stallTimeoutMs = stallMilliseconds;
}

void hvHttpDownloaderMgr::SetReadAhead(uint64_t bytes) {
  std::lock_guard<std::mutex> hold(m_state->lock);
  m_state->readAhead = bytes;
}

bool hvHttpDownloaderMgr::AddDownload(const hvCString& name, const hvCString& url,
                                      const hvCString& cacheFile) {
  if (!hvHttpUrl_IsAcceptable(url)) {
    HV_LOG(khvLogCategory_Stream, kSource, "hvHttpDownloaderMgr: URL refused (%s)\n", name.c_str());
    return false;
  }
  std::lock_guard<std::mutex> hold(m_state->control);
  if (!m_state->transport || m_state->Find(name)) return false;
  std::unique_ptr<hvHttpDownload> download(new hvHttpDownload);
  download->name.assign(name.c_str(), name.Length());
  download->url.assign(url.c_str(), url.Length());
  download->path.assign(cacheFile.c_str(), cacheFile.Length());
  if (!download->file.Create(download->path.c_str())) {
    HV_LOG(khvLogCategory_Stream, kSource, "hvHttpDownloaderMgr: cannot create '%s'\n",
           download->path.c_str());
    return false;
  }
  hvHttpDownload* added = download.get();
  m_state->downloads.emplace(added->name, std::move(download));
  m_state->Launch(added, 0);
  return true;
}

bool hvHttpDownloaderMgr::RemoveDownload(const hvCString& name) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return false;
  m_state->Drop(download);
  std::string key = download->name;
  m_state->downloads.erase(key);
  return true;
}

hvProgressiveStream* hvHttpDownloaderMgr::CreateStream(const hvCString& name,
                                                       const hvCString& mimeType) {
  std::string path;
  std::string alias;
  {
    std::lock_guard<std::mutex> hold(m_state->control);
    hvHttpDownload* download = m_state->Find(name);
    if (!download) return nullptr;
    path = download->path;
    // A name of its own tells which stream asks, so each is answered for its own position.
    alias = "\x1f" + std::to_string(++m_state->lastAlias) + ":" + download->name;
    m_state->aliases[alias] = download;
  }
  hvFile* file = new hvFile;
  if (!file->Open(path.c_str())) {
    delete file;
    std::lock_guard<std::mutex> hold(m_state->control);
    m_state->aliases.erase(alias);
    return nullptr;
  }
  // The stream registers itself through AddStream, so no lock may be held here.
  return new hvProgressiveStream(new hvFileStream(nullptr, file, mimeType, path.c_str()), this,
                                 hvCString(alias.c_str()));
}

int64_t hvHttpDownloaderMgr::GetDownloadedSize(const hvCString& name) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return -1;
  m_state->NoteStreamPositions(download);
  m_state->Progress(download);
  std::lock_guard<std::mutex> holdState(m_state->lock);
  if (download->streams.empty()) return AsCount(m_state->Readable(*download, 0));
  // Asked by the download's name, the smallest answer is the one safe for every reader:
  // none of them reads into a hole with it.
  uint64_t answer = UINT64_MAX;
  for (const hvHttpDownloadReader& reader : download->streams)
    if (name.c_str() == download->name || reader.alias == name.c_str())
      answer = std::min(answer, m_state->Readable(*download, reader.position));
  return AsCount(answer);
}

int64_t hvHttpDownloaderMgr::GetFullSize(const hvCString& name) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return -1;
  std::lock_guard<std::mutex> holdState(m_state->lock);
  return download->size == UINT64_MAX ? -1 : AsCount(download->size);
}

bool hvHttpDownloaderMgr::RequestDownloadAt(const hvCString& name, uint64_t position) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return false;
  m_state->NoteStreamPositions(download);
  m_state->Progress(download);
  bool keep = true;
  {
    std::lock_guard<std::mutex> holdState(m_state->lock);
    if (download->failed) return false;
    if (m_state->Readable(*download, position) > position ||
        (download->size != UINT64_MAX && position >= download->size))
      return true;
    download->wanted = position;
    if (hvHttpDownloadTransfer* transfer = download->transfer) {
      uint64_t next = transfer->Next();
      // A transfer about to bring the position stays; where ranges are ignored only the one
      // from the start can bring anything.
      keep = download->ranges == hvHttpDownload::kRangesIgnored ||
             (next <= position && position - next <= khvHttpDownloadWaitAhead);
    }
  }
  if (!keep) m_state->Drop(download);
  if (!download->transfer) m_state->Launch(download, position);
  return true;
}

bool hvHttpDownloaderMgr::IsDownloadFailed(const hvCString& name) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return false;
  m_state->Progress(download);
  std::lock_guard<std::mutex> holdState(m_state->lock);
  return download->failed;
}

bool hvHttpDownloaderMgr::AddStream(const hvCString& name, hvProgressiveStream* stream) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return false;
  std::string alias = name.c_str() == download->name ? std::string() : name.c_str();
  std::lock_guard<std::mutex> holdState(m_state->lock);
  download->streams.push_back(hvHttpDownloadReader{stream, 0, alias});
  return true;
}

bool hvHttpDownloaderMgr::RemoveStream(const hvCString& name, hvProgressiveStream* stream) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return false;
  // Under the lock: the transport thread signals the streams only while it holds it.
  m_state->aliases.erase(name.c_str());
  std::lock_guard<std::mutex> holdState(m_state->lock);
  auto& streams = download->streams;
  streams.erase(
      std::remove_if(streams.begin(), streams.end(),
                     [&](const hvHttpDownloadReader& reader) { return reader.stream == stream; }),
      streams.end());
  return true;
}

bool hvHttpDownloaderMgr::IsComplete(const hvCString& name) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return false;
  // Asking drives the download on when no stream reads it.
  m_state->Progress(download);
  std::lock_guard<std::mutex> holdState(m_state->lock);
  return download->size != UINT64_MAX && download->onDisk.Covers(0, download->size);
}

uint64_t hvHttpDownloaderMgr::GetReceivedBytes(const hvCString& name) {
  std::lock_guard<std::mutex> hold(m_state->control);
  hvHttpDownload* download = m_state->Find(name);
  if (!download) return 0;
  std::lock_guard<std::mutex> holdState(m_state->lock);
  return download->received;
}
