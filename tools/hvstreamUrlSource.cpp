#include "hvstreamUrlSource.h"

#include <chrono>

#include "hvstreamTool.h"
#if HV_TOOL_HTTP
#include "hulvoStreaming/hvHttp.h"
#endif

namespace {

// How long the server may take to answer the first request.
const uint32_t kResponseMilliseconds = 30000;

}  // namespace

bool hvTool_IsUrl(const std::string& operand) {
  size_t colon = operand.find("://");
  if (colon == std::string::npos || colon == 0) return false;
  for (size_t at = 0; at < colon; ++at) {
    char c = operand[at];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!letter && !(at > 0 && other)) return false;
  }
  return true;
}

void hvToolWaiter::Attach(hvStream* stream) {
  stream->PushThresholdCallBack(&hvToolWaiter::Signal, this);
}

bool hvToolWaiter::Wait(uint32_t milliseconds) {
  std::unique_lock<std::mutex> hold(m_lock);
  const bool signalled = m_wake.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                         [this] { return m_signalled; });
  m_signalled = false;
  return signalled;
}

void hvToolWaiter::Signal(void* waiter) {
  hvToolWaiter* self = static_cast<hvToolWaiter*>(waiter);
  std::lock_guard<std::mutex> hold(self->m_lock);
  self->m_signalled = true;
  self->m_wake.notify_all();
}

#if HV_TOOL_HTTP

hvStream* hvTool_OpenUrl(const char* command, const std::string& url, size_t blockSize,
                         size_t blockCount, const char* protocolInfo, hvToolWaiter* waiter) {
  hvHttpStream* stream = new hvHttpStream(hvCString(url.c_str()), blockSize, blockCount);
  if (!stream->IsValid()) {
    hvTool_Error(
        command,
        "cannot read '%s': only http and https URLs with a readable host and port are read",
        hvTool_Printable(url).c_str());
    stream->Delete();
    return nullptr;
  }
  if (protocolInfo) stream->SetProtocolInfo(protocolInfo);
  waiter->Attach(stream);
  hvStreamingStatus status = stream->WaitForResponse(kResponseMilliseconds);
  if (status != khvStreamingStatus_OK) {
    int code = stream->GetHttpStatus();
    if (code != 0)
      hvTool_Error(command, "'%s': the server answered %d", hvTool_Printable(url).c_str(), code);
    else if (status == khvStreamingStatus_Pending)
      hvTool_Error(command, "'%s': no answer within %u s", hvTool_Printable(url).c_str(),
                   kResponseMilliseconds / 1000);
    else
      hvTool_Error(command, "'%s': the request failed (no answer)", hvTool_Printable(url).c_str());
    stream->Delete();
    return nullptr;
  }
  return stream;
}

hvToolCache::~hvToolCache() { delete m_manager; }

hvStream* hvToolCache::Open(const char* command, const std::string& url,
                            const std::string& cacheFile, hvToolWaiter* waiter) {
  hvHttpDownloaderMgr* manager = new hvHttpDownloaderMgr;
  m_manager = manager;
  const hvCString name("cat");
  if (!manager->AddDownload(name, hvCString(url.c_str()), hvCString(cacheFile.c_str()))) {
    hvTool_Error(command,
                 "cannot download '%s' into '%s': only http and https URLs with a readable host "
                 "and port are read, into a file that can be created",
                 hvTool_Printable(url).c_str(), hvTool_Printable(cacheFile).c_str());
    return nullptr;
  }
  hvProgressiveStream* stream = manager->CreateStream(name, hvCString("application/octet-stream"));
  if (!stream) {
    hvTool_Error(command, "cannot read the cache file '%s'", hvTool_Printable(cacheFile).c_str());
    return nullptr;
  }
  waiter->Attach(stream);
  // The copy measures its range against the size, so it waits for the first answer.
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kResponseMilliseconds);
  while (manager->GetFullSize(name) == -1 && !manager->IsDownloadFailed(name) &&
         std::chrono::steady_clock::now() < deadline)
    waiter->Wait(1000);
  if (manager->GetFullSize(name) == -1) {
    hvTool_Error(command, "'%s': %s", hvTool_Printable(url).c_str(),
                 manager->IsDownloadFailed(name) ? "the download failed"
                                                 : "no size within the time allowed");
    stream->Delete();
    return nullptr;
  }
  return stream;
}

int hvTool_UrlHttpStatus(hvStream* stream) {
  return static_cast<hvHttpStream*>(stream)->GetHttpStatus();
}

std::string hvTool_UrlContentFeatures(hvStream* stream) {
  return static_cast<hvHttpStream*>(stream)->GetContentFeatures().c_str();
}

#else

hvStream* hvTool_OpenUrl(const char* command, const std::string& url, size_t, size_t, const char*,
                         hvToolWaiter*) {
  hvTool_Error(command, "cannot read '%s': this build has no HTTP sources (hvHttpStream)",
               hvTool_Printable(url).c_str());
  return nullptr;
}

hvToolCache::~hvToolCache() { delete m_manager; }

hvStream* hvToolCache::Open(const char* command, const std::string& url, const std::string&,
                            hvToolWaiter* waiter) {
  return hvTool_OpenUrl(command, url, 0, 0, nullptr, waiter);
}

int hvTool_UrlHttpStatus(hvStream*) { return 0; }

std::string hvTool_UrlContentFeatures(hvStream*) { return std::string(); }

#endif
