// The network side of hvstream cat and info: an http(s) URL is read through hvHttpStream
// where the build has the HTTP sources; elsewhere a URL gives a message and status 1.
#ifndef HVSTREAM_URL_SOURCE_H
#define HVSTREAM_URL_SOURCE_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "hulvoStreaming/hvStream.h"

// An operand of the form "scheme://...": a URL rather than a file name.
bool hvTool_IsUrl(const std::string& operand);

// Lets the reader sleep until a stream signals its threshold (bytes, the end or an error
// arrived), for a bounded time. Must outlive the stream it is attached to: the signal may
// come from the stream's own thread until the stream is deleted.
class hvToolWaiter {
 public:
  void Attach(hvStream* stream);
  // Returns when signalled (a signal given before the call counts): true, or after
  // `milliseconds`: false.
  bool Wait(uint32_t milliseconds);

 private:
  static void Signal(void* waiter);

  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_signalled = false;
};

// Opens `url` with a ring of blockCount x blockSize, gives it `protocolInfo` (may be null)
// and waits for the server's first answer. Null after a message on standard error (the URL
// is refused, the server does not answer or refuses, or this build has no HTTP).
hvStream* hvTool_OpenUrl(const char* command, const std::string& url, size_t blockSize,
                         size_t blockCount, const char* protocolInfo, hvToolWaiter* waiter);
// cat --cache: the URL is downloaded into a cache file by hvHttpDownloaderMgr and read
// through a progressive stream over that file. The manager lives as long as this object,
// which must outlive the stream Open returns.
class hvToolCache {
 public:
  hvToolCache() = default;
  ~hvToolCache();
  hvToolCache(const hvToolCache&) = delete;
  hvToolCache& operator=(const hvToolCache&) = delete;
  // Starts the download and waits until its size is known. Null after a message on standard
  // error, as hvTool_OpenUrl.
  hvStream* Open(const char* command, const std::string& url, const std::string& cacheFile,
                 hvToolWaiter* waiter);

 private:
  hvProgressiveStreamDownloaderMgr* m_manager = nullptr;
};

// Of a stream hvTool_OpenUrl returned: the final response's status code and the server's
// contentFeatures.dlna.org text (empty when it sent none).
int hvTool_UrlHttpStatus(hvStream* stream);
std::string hvTool_UrlContentFeatures(hvStream* stream);

#endif
