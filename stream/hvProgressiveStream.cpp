#include "hulvoStreaming/hvStream.h"

hvProgressiveStreamDownloaderMgr::~hvProgressiveStreamDownloaderMgr() {}

bool hvProgressiveStreamDownloaderMgr::IsFullDownloaded(const hvCString& name) {
  int64_t downloaded = GetDownloadedSize(name);
  int64_t full = GetFullSize(name);
  return downloaded != -1 && full != -1 && downloaded == full;
}

hvProgressiveStream::hvProgressiveStream(hvStream* inner, hvProgressiveStreamDownloaderMgr* manager,
                                         const hvCString& name)
    : m_inner(inner), m_manager(manager), m_name(name) {
  m_manager->AddStream(m_name, this);
}

hvProgressiveStream::~hvProgressiveStream() {
  m_manager->RemoveStream(m_name, this);
  m_inner->Delete();
}

bool hvProgressiveStream::LimitToDownloaded(size_t* length, hvStreamingStatus* status) {
  int64_t downloaded = m_manager->GetDownloadedSize(m_name);
  if (downloaded == -1) return true;
  int64_t position = static_cast<int64_t>(static_cast<uint64_t>(m_inner->GetStreamPosition()));
  // An inner stream that does not know its position cannot be limited.
  if (position < 0) return true;
  if (downloaded > position) {
    // Compared as a remainder, so a request of all bits set cannot overflow.
    uint64_t available = static_cast<uint64_t>(downloaded - position);
    if (*length > available) *length = static_cast<size_t>(available);
    return true;
  }
  // At the end of a complete download nothing more will come: the inner stream reports the
  // end instead of the reader waiting for ever.
  if (downloaded == m_manager->GetFullSize(m_name)) return true;
  *length = 0;
  if (m_manager->IsDownloadFailed(m_name)) {
    *status = khvStreamingStatus_Error;
  } else {
    m_manager->RequestDownloadAt(m_name, static_cast<uint64_t>(position));
    *status = khvStreamingStatus_Pending;
  }
  return false;
}

hvStreamingStatus hvProgressiveStream::PullTake(unsigned char** data, size_t* length, bool exact) {
  hvStreamingStatus status;
  if (!LimitToDownloaded(length, &status)) return status;
  return m_inner->PullTake(data, length, exact);
}

hvStreamingStatus hvProgressiveStream::PullGet(unsigned char* destination, size_t* length,
                                               bool exact) {
  hvStreamingStatus status;
  if (!LimitToDownloaded(length, &status)) return status;
  return m_inner->PullGet(destination, length, exact);
}

namespace {
// Compared unsigned, so a target beyond the signed range counts as past the download.
bool WithinDownloaded(int64_t downloaded, const hvuint64& position) {
  return downloaded == -1 || (downloaded >= 0 && position <= static_cast<uint64_t>(downloaded));
}
}  // namespace

hvStreamingStatus hvProgressiveStream::SeekBytes(const hvuint64& position) {
  if (WithinDownloaded(m_manager->GetDownloadedSize(m_name), position))
    return m_inner->SeekBytes(position);
  m_manager->RequestDownloadAt(m_name, position);
  // A manager that fetches parts of the file counts from the reading position, so a target in
  // a part that arrived after a hole is seen only from the target: look from there, and come
  // back when the manager does not count it either.
  hvuint64 before = m_inner->GetStreamPosition();
  if (m_inner->SeekBytes(position) != khvStreamingStatus_OK) return khvStreamingStatus_Pending;
  if (WithinDownloaded(m_manager->GetDownloadedSize(m_name), position))
    return khvStreamingStatus_OK;
  if (m_inner->SeekBytes(before) == khvStreamingStatus_OK) return khvStreamingStatus_Pending;
  // The way back failed: the stream stands at the target, whose reads answer Pending until
  // its bytes arrive, so the seek is done. Anywhere else, its bytes would be the wrong ones.
  return m_inner->GetStreamPosition() == position ? khvStreamingStatus_OK
                                                  : khvStreamingStatus_Error;
}

hvStreamingStatus hvProgressiveStream::SeekTime(const hvuint64& time) {
  hvStreamingStatus status = m_inner->SeekTime(time);
  if (status == khvStreamingStatus_OK || m_manager->IsFullDownloaded(m_name)) return status;
  return khvStreamingStatus_Pending;
}

hvuint64 hvProgressiveStream::GetStreamSize() {
  int64_t full = m_manager->GetFullSize(m_name);
  return full != -1 ? hvuint64(static_cast<uint64_t>(full)) : m_inner->GetStreamSize();
}

// Everything below goes to the inner stream unchanged.
const char* hvProgressiveStream::GetID() { return m_inner->GetID(); }
bool hvProgressiveStream::IsValid() { return m_inner->IsValid(); }
hvuint64 hvProgressiveStream::GetStreamPosition() { return m_inner->GetStreamPosition(); }
hvCString hvProgressiveStream::GetMimeType() { return m_inner->GetMimeType(); }
hvCString hvProgressiveStream::GetExtension() { return m_inner->GetExtension(); }
hvMediaInfo* hvProgressiveStream::GetInfo() { return m_inner->GetInfo(); }
bool hvProgressiveStream::GetInfo(hvMediaInfo* info) { return m_inner->GetInfo(info); }
int32_t hvProgressiveStream::GetErrorCode() { return m_inner->GetErrorCode(); }
size_t hvProgressiveStream::GetAvailableReadSize() { return m_inner->GetAvailableReadSize(); }
hvCString hvProgressiveStream::GetFileName() { return m_inner->GetFileName(); }
size_t hvProgressiveStream::GetTotalBufferSize() { return m_inner->GetTotalBufferSize(); }
hvuint64 hvProgressiveStream::GetDuration() { return m_inner->GetDuration(); }
bool hvProgressiveStream::Support(int what) { return m_inner->Support(what); }
bool hvProgressiveStream::IsLive() { return m_inner->IsLive(); }
bool hvProgressiveStream::IsPauseAllowed() { return m_inner->IsPauseAllowed(); }
void hvProgressiveStream::SignalInterrupted() { m_inner->SignalInterrupted(); }
void hvProgressiveStream::SignalThresholdReached() { m_inner->SignalThresholdReached(); }
void hvProgressiveStream::SignalDataShortage() { m_inner->SignalDataShortage(); }
void hvProgressiveStream::PushThresholdCallBack(hvStreamCallBack callback, void* userData) {
  // The ready-made pair names this stream, but the wait goes to the inner stream and sleeps
  // on its condition: the signal must wake that one, or the reader sleeps for ever.
  if (callback == &hvStream::DefaultThresholdCallBack &&
      userData == static_cast<void*>(static_cast<hvStream*>(this)))
    userData = m_inner;
  m_inner->PushThresholdCallBack(callback, userData);
}
void hvProgressiveStream::PopThresholdCallBack(hvStreamCallBack callback) {
  m_inner->PopThresholdCallBack(callback);
}
void hvProgressiveStream::PushDataShortageCallBack(hvStreamCallBack callback, void* userData) {
  m_inner->PushDataShortageCallBack(callback, userData);
}
void hvProgressiveStream::PopDataShortageCallBack(hvStreamCallBack callback) {
  m_inner->PopDataShortageCallBack(callback);
}
hvStreamingStatus hvProgressiveStream::PullRelease(unsigned char* data, size_t length) {
  return m_inner->PullRelease(data, length);
}
void hvProgressiveStream::DefaultThresholdWait() { m_inner->DefaultThresholdWait(); }
bool hvProgressiveStream::ReachReadSizeThreshold(uint32_t size, uint32_t timeout) {
  return m_inner->ReachReadSizeThreshold(size, timeout);
}
