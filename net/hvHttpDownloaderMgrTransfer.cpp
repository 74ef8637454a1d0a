// The transfer side of hvHttpDownloaderMgr: one GET whose body is written into the cache
// file at the positions its response names.
#include <algorithm>

#include "net/hvHttpDownloaderMgr.h"

hvHttpDownloadTransfer::hvHttpDownloadTransfer(hvHttpDownloaderMgrState* owner,
                                               hvHttpDownload* download, uint64_t start)
    : m_owner(owner), m_download(download), m_start(start), m_next(start) {}

void hvHttpDownloadTransfer::Conclude(hvHttpDownloadResult result, const std::string& reason) {
  if (m_result != khvHttpDownload_Running) return;
  m_result = result;
  m_reason = reason;
}

bool hvHttpDownloadTransfer::OnHeaderLine(const char* line, size_t length) {
  if (m_decided) return true;  // trailers of a chunked body
  std::lock_guard<std::mutex> hold(m_owner->lock);
  if (!hvHttpResponse_AddLine(&m_response, line, length)) {
    Conclude(khvHttpDownload_Failed, "malformed or oversized response header");
    return false;
  }
  if (!hvHttpResponse_IsFinal(m_response)) return true;
  m_decided = true;
  return Decide();
}

bool hvHttpDownloadTransfer::AcceptSize(uint64_t size) {
  uint64_t& known = m_download->size;
  if (known == UINT64_MAX) known = size;
  if (known == size) return true;
  // The bytes on disk belong to the old resource; mixing in the new one would corrupt it.
  Conclude(khvHttpDownload_Failed, "the resource changed its size");
  return false;
}

bool hvHttpDownloadTransfer::Decide() {
  const hvHttpResponse& response = m_response;
  hvHttpDownload& download = *m_download;
  switch (response.status) {
    case 200:
      // The whole resource from its start, also when a range was asked for: the bytes go to
      // their own place, and from now on gaps are filled from the start as well.
      if (m_start != 0)
        download.ranges = hvHttpDownload::kRangesIgnored;
      else if (response.acceptRanges && download.ranges == hvHttpDownload::kRangesUnknown)
        download.ranges = hvHttpDownload::kRangesServed;
      m_next = 0;
      if (response.hasLength && !response.chunked) {
        if (!AcceptSize(response.length)) return false;
        m_end = response.length;
      }
      return true;
    case 206:
      // A body that starts after the position asked for would leave the reader's byte out
      // for ever, however often it asks.
      if (!response.hasRange || response.rangeFirst > m_start) {
        Conclude(khvHttpDownload_Failed, "partial content without the position asked for");
        return false;
      }
      if (response.hasTotal && !AcceptSize(response.total)) return false;
      download.ranges = hvHttpDownload::kRangesServed;
      m_next = response.rangeFirst;
      m_end = response.rangeLast + 1;
      return true;
    case 416:
      // Nothing at or after the position: the resource ends before it. Said of a position
      // inside the size, it would be asked again and again.
      if (response.hasTotal && !AcceptSize(response.total)) return false;
      if (download.size != UINT64_MAX && m_start < download.size) {
        Conclude(khvHttpDownload_Failed, "range refused inside the resource");
        return false;
      }
      if (download.size == UINT64_MAX) download.size = m_start;
      Conclude(khvHttpDownload_Ended, "");
      return false;
    default:
      Conclude(khvHttpDownload_Failed, "HTTP status " + std::to_string(response.status));
      return false;
  }
}

bool hvHttpDownloadTransfer::Write(const unsigned char* data, size_t length) {
  hvFile& file = m_download->file;
  if (m_next > static_cast<uint64_t>(INT64_MAX) ||
      file.Seek(static_cast<int64_t>(m_next), 0) != static_cast<int64_t>(m_next))
    return false;
  while (length > 0) {
    int32_t written = file.Write(data, length);
    if (written <= 0) return false;
    data += written;
    length -= static_cast<size_t>(written);
  }
  return true;
}

bool hvHttpDownloadTransfer::StillNeeded() const {
  const hvHttpDownload& download = *m_download;
  // Where ranges are ignored every missing byte comes from this body alone.
  if (download.ranges == hvHttpDownload::kRangesIgnored) return true;
  // Ran into bytes fetched earlier: what follows them is another request's. A body that
  // starts before the position asked for is let through up to that position.
  if (m_next > m_start && download.onDisk.RunEnd(m_next) > m_next) return false;
  uint64_t ahead = m_owner->readAhead;
  if (ahead == 0) return true;
  auto near = [&](uint64_t reader) {
    return reader > m_next ? reader - m_next <= khvHttpDownloadWaitAhead : m_next - reader < ahead;
  };
  if (download.wanted != UINT64_MAX && near(download.wanted)) return true;
  for (const hvHttpDownloadReader& reader : download.streams)
    if (near(reader.position)) return true;
  return false;
}

hvHttpBodyAnswer hvHttpDownloadTransfer::OnBody(const unsigned char* data, size_t length) {
  // m_next and m_end change on this thread only, so they are read here without the lock.
  size_t count = length;
  if (m_end != UINT64_MAX)
    count = static_cast<size_t>(std::min<uint64_t>(count, m_end > m_next ? m_end - m_next : 0));
  // The file is written before the spans say so: a reader never finds a span ahead of it.
  bool written = count == 0 || Write(data, count);
  std::lock_guard<std::mutex> hold(m_owner->lock);
  hvHttpDownload& download = *m_download;
  download.received += length;
  if (!written) {
    Conclude(khvHttpDownload_Failed, "the cache file refused the bytes");
    return khvHttpBody_Abort;
  }
  if (count > 0) {
    download.onDisk.Add(m_next, m_next + count);
    m_next += count;
    m_delivered = true;
  }
  bool needed = StillNeeded();
  if (!needed) Conclude(khvHttpDownload_Ended, "");
  hvHttpDownloaderMgrState::SignalStreams(download);
  return needed ? khvHttpBody_Taken : khvHttpBody_Abort;
}

void hvHttpDownloadTransfer::OnDone(hvHttpOutcome outcome, const char* reason) {
  std::lock_guard<std::mutex> hold(m_owner->lock);
  hvHttpDownload& download = *m_download;
  if (!m_decided && outcome != khvHttpOutcome_Aborted) {
    Conclude(khvHttpDownload_Failed, *reason ? reason : "no response");
  } else if (outcome == khvHttpOutcome_Complete) {
    // A body shorter than its header announced was cut, whatever the framing said.
    if (m_end != UINT64_MAX && m_next < m_end) Conclude(khvHttpDownload_Dropped, "body cut short");
    // A body without a length ends where the resource ends.
    if (m_end == UINT64_MAX && download.size == UINT64_MAX) download.size = m_next;
    Conclude(khvHttpDownload_Ended, "");
  } else if (outcome == khvHttpOutcome_Failed) {
    Conclude(khvHttpDownload_Dropped, reason);
  } else {
    Conclude(khvHttpDownload_Ended, "");
  }
  m_finished = true;
  hvHttpDownloaderMgrState::SignalStreams(download);
}
