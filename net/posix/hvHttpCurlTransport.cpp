// The libcurl transport: one multi handle driven by one thread, which sleeps in
// curl_multi_poll until a socket, a curl timer or curl_multi_wakeup needs it. Commands from
// other threads are queued under a lock and applied by that thread, the only one that
// touches curl handles.
#include <curl/curl.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "net/hvHttpTransport.h"

namespace {

// curl_multi_poll returns earlier whenever curl has a timer due, so an idle thread wakes
// only this rarely.
const int kIdleWaitMs = 60000;
// Bytes per receive, and so per delivery into the ring. curl's default of 16 KiB costs a
// wake-up of the transport thread, and often of the reader, every 16 KiB; 128 KiB (one ring
// block by default, as curl's own command-line tool reads about 100 KiB) cuts those eightfold.
const long kReceiveBuffer = 128 * 1024;

struct CurlTransfer {
  uint64_t id = 0;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  hvHttpTransferEvents* events = nullptr;
  bool aborted = false;  // the events object asked to stop
};

size_t OnCurlHeader(char* data, size_t size, size_t count, void* user) {
  CurlTransfer* transfer = static_cast<CurlTransfer*>(user);
  size_t length = size * count;
  if (transfer->events->OnHeaderLine(data, length)) return length;
  transfer->aborted = true;
  return 0;
}

size_t OnCurlBody(char* data, size_t size, size_t count, void* user) {
  CurlTransfer* transfer = static_cast<CurlTransfer*>(user);
  size_t length = size * count;
  switch (transfer->events->OnBody(reinterpret_cast<unsigned char*>(data), length)) {
    case khvHttpBody_Taken:
      return length;
    case khvHttpBody_Pause:
      return CURL_WRITEFUNC_PAUSE;
    case khvHttpBody_Abort:
      break;
  }
  transfer->aborted = true;
  return 0;
}

class hvHttpCurlTransport : public hvHttpTransport {
 public:
  hvHttpCurlTransport() : m_multi(curl_multi_init()) {
    if (m_multi) m_thread = std::thread([this] { Run(); });
  }

  ~hvHttpCurlTransport() override {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      m_stop = true;
    }
    if (m_multi) {
      curl_multi_wakeup(m_multi);
      m_thread.join();
      for (auto& entry : m_active) Drop(entry.second);
      for (CurlTransfer* transfer : m_starting) Drop(transfer);
      curl_multi_cleanup(m_multi);
    }
  }

  bool Usable() const { return m_multi != nullptr; }

  uint64_t Start(const hvHttpRequest& request, hvHttpTransferEvents* events) override {
    CurlTransfer* transfer = new CurlTransfer;
    transfer->events = events;
    transfer->easy = curl_easy_init();
    if (!transfer->easy || !Configure(transfer, request)) {
      Drop(transfer);
      return 0;
    }
    uint64_t id;
    {
      std::lock_guard<std::mutex> hold(m_lock);
      id = transfer->id = ++m_lastId;
      m_starting.push_back(transfer);
    }
    // From here the transport thread owns the record and may already have finished it.
    curl_multi_wakeup(m_multi);
    return id;
  }

  void Resume(uint64_t id) override {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      m_resuming.insert(id);
    }
    curl_multi_wakeup(m_multi);
  }

  void Cancel(uint64_t id) override {
    std::unique_lock<std::mutex> hold(m_lock);
    m_cancelling.insert(id);
    curl_multi_wakeup(m_multi);
    m_cancelled.wait(hold, [&] { return m_cancelling.count(id) == 0; });
  }

 private:
  static bool Configure(CurlTransfer* transfer, const hvHttpRequest& request) {
    CURL* easy = transfer->easy;
    for (const std::string& header : request.headers) {
      curl_slist* list = curl_slist_append(transfer->headers, header.c_str());
      if (!list) return false;
      transfer->headers = list;
    }
    // The stall limit is in whole seconds for curl; a paused transfer is not measured.
    long stallSeconds = std::max<long>(1, (static_cast<long>(request.stallTimeoutMs) + 999) / 1000);
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects)) ==
                  CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                               static_cast<long>(request.connectTimeoutMs)) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallSeconds) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBuffer) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headers) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnCurlHeader) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnCurlBody) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer) == CURLE_OK;
    return ok;
  }

  void Drop(CurlTransfer* transfer) {
    if (transfer->easy) {
      curl_multi_remove_handle(m_multi, transfer->easy);
      curl_easy_cleanup(transfer->easy);
    }
    curl_slist_free_all(transfer->headers);
    delete transfer;
  }

  void Run() {
    for (;;) {
      std::vector<CurlTransfer*> starting;
      std::set<uint64_t> cancelling;
      std::set<uint64_t> resuming;
      {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_stop) return;
        starting.swap(m_starting);
        cancelling = m_cancelling;
        resuming.swap(m_resuming);
      }
      for (CurlTransfer* transfer : starting) {
        if (curl_multi_add_handle(m_multi, transfer->easy) != CURLM_OK) {
          transfer->events->OnDone(khvHttpOutcome_Failed, "the transfer could not be added");
          Drop(transfer);
          continue;
        }
        m_active[transfer->id] = transfer;
      }
      if (!cancelling.empty()) {
        for (uint64_t id : cancelling) {
          auto found = m_active.find(id);
          if (found == m_active.end()) continue;
          Drop(found->second);
          m_active.erase(found);
        }
        std::lock_guard<std::mutex> hold(m_lock);
        for (uint64_t id : cancelling) m_cancelling.erase(id);
        m_cancelled.notify_all();
      }
      for (uint64_t id : resuming) {
        auto found = m_active.find(id);
        if (found != m_active.end() && found->second->events->OnWritable())
          curl_easy_pause(found->second->easy, CURLPAUSE_CONT);
      }
      int running = 0;
      curl_multi_perform(m_multi, &running);
      Finish();
      for (auto& entry : m_active) entry.second->events->OnDeliveriesEnd();
      curl_multi_poll(m_multi, nullptr, 0, kIdleWaitMs, nullptr);
    }
  }

  // Reports the transfers curl has finished and forgets them.
  void Finish() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      char* pointer = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &pointer);
      CurlTransfer* transfer = reinterpret_cast<CurlTransfer*>(pointer);
      CURLcode code = message->data.result;
      hvHttpOutcome outcome = code == CURLE_OK    ? khvHttpOutcome_Complete
                              : transfer->aborted ? khvHttpOutcome_Aborted
                                                  : khvHttpOutcome_Failed;
      m_active.erase(transfer->id);
      transfer->events->OnDone(outcome, code == CURLE_OK ? "" : curl_easy_strerror(code));
      Drop(transfer);
    }
  }

  CURLM* m_multi;
  std::thread m_thread;

  // Guarded by m_lock: the command queues and the stop request.
  std::mutex m_lock;
  std::condition_variable m_cancelled;
  bool m_stop = false;
  uint64_t m_lastId = 0;
  std::vector<CurlTransfer*> m_starting;
  std::set<uint64_t> m_resuming;
  // Ids whose Cancel waits; removed once the transport thread has dropped them.
  std::set<uint64_t> m_cancelling;

  // Transport thread only.
  std::map<uint64_t, CurlTransfer*> m_active;
};

}  // namespace

hvHttpTransport* hvHttpTransport_Create() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  if (!ready) return nullptr;
  hvHttpCurlTransport* transport = new hvHttpCurlTransport;
  if (transport->Usable()) return transport;
  delete transport;
  return nullptr;
}
