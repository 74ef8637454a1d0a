// The WinHTTP transport: one asynchronous session whose status callback, called on WinHTTP's
// own threads, only queues what it was told. One thread of the transport drains that queue
// together with the commands of other threads, so every WinHTTP call of a transfer after its
// start and every event of its owner happen there, one at a time. The thread sleeps on the
// queue's condition while nothing is in flight: WinHTTP's callbacks wake it.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/hvHttpTransport.h"
#include "net/win32/hvHttpWinHttpMailbox.h"

namespace {

// One read never asks for more than what WinHTTP says has arrived, and at most this.
const DWORD kReadBytes = 65536;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(const wchar_t* text, size_t count) {
  if (count == 0) return std::string();
  int length =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(std::max(length, 0)), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), &narrow[0], length, nullptr,
                        nullptr);
  return narrow;
}

// The one place a WinHTTP or socket error becomes the text an owner reads.
std::string ErrorText(DWORD error) {
  const char* text = nullptr;
  switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // Wine reports a socket's receive timeout as the socket error
      text = "the server sent nothing within the time limit";
      break;
    case ERROR_WINHTTP_CANNOT_CONNECT:
      text = "could not connect to the server";
      break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      text = "the host name did not resolve";
      break;
    case ERROR_WINHTTP_CONNECTION_ERROR:
      text = "the connection was reset";
      break;
    case ERROR_WINHTTP_SECURE_FAILURE:
      text = "the server's certificate did not verify";
      break;
    case ERROR_WINHTTP_REDIRECT_FAILED:
      text = "a redirect could not be followed";
      break;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
      text = "the server's response is not HTTP";
      break;
    default:
      break;
  }
  return std::string(text ? text : "WinHTTP failed") + " (error " + std::to_string(error) + ")";
}

class hvHttpWinHttpTransport : public hvHttpTransport {
 public:
  hvHttpWinHttpTransport() {
    m_session = WinHttpOpen(L"hulvoStreaming", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!m_session) return;
    DWORD noCookies = WINHTTP_DISABLE_COOKIES;
    WinHttpSetOption(m_session, WINHTTP_OPTION_DISABLE_FEATURE, &noCookies, sizeof noCookies);
    if (WinHttpSetStatusCallback(m_session, hvWinHttp_OnStatus,
                                 WINHTTP_CALLBACK_FLAG_ALL_NOTIFICATIONS,
                                 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
      WinHttpCloseHandle(m_session);
      m_session = nullptr;
      return;
    }
    m_thread = std::thread([this] { Run(); });
  }

  ~hvHttpWinHttpTransport() override {
    if (!m_session) {
      delete m_mailbox;
      return;
    }
    m_mailbox->Post({hvWinHttpEvent::kStop, nullptr, 0, nullptr, 0, 0});
    m_thread.join();
    WinHttpCloseHandle(m_session);
  }

  bool Usable() const { return m_session != nullptr; }

  uint64_t Start(const hvHttpRequest& request, hvHttpTransferEvents* events) override {
    // Only what WinHTTP can read as an http or https URL is taken; the thread does the rest.
    std::wstring url = Wide(request.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0)
      return 0;
    hvWinHttpTransfer* transfer = new hvWinHttpTransfer;
    transfer->mailbox = m_mailbox;
    transfer->events = events;
    transfer->request = request;
    transfer->buffer.resize(kReadBytes);
    transfer->id = m_mailbox->NextId();
    uint64_t id = transfer->id;
    // From here the transport thread owns the record and may already have finished it.
    m_mailbox->Post({hvWinHttpEvent::kStart, transfer, 0, nullptr, 0, 0});
    return id;
  }

  void Resume(uint64_t id) override {
    m_mailbox->Post({hvWinHttpEvent::kResume, nullptr, id, nullptr, 0, 0});
  }

  void Cancel(uint64_t id) override { m_mailbox->Cancel(id); }

 private:
  void Run() {
    std::vector<hvWinHttpEvent> batch;
    bool stopping = false;
    while (m_mailbox->Take(&batch, stopping)) {
      for (const hvWinHttpEvent& event : batch) {
        switch (event.kind) {
          case hvWinHttpEvent::kStart:
            Begin(event.transfer);
            break;
          case hvWinHttpEvent::kResume:
            ResumeBody(event.id);
            break;
          case hvWinHttpEvent::kCancel:
            Forget(event.id);
            break;
          case hvWinHttpEvent::kStop:
            stopping = true;
            while (!m_active.empty()) Forget(m_active.begin()->first);
            break;
          case hvWinHttpEvent::kStatus:
            OnStatus(event);
            break;
        }
      }
      batch.clear();
    }
  }

  void Begin(hvWinHttpTransfer* transfer) {
    m_mailbox->CountRecords(+1);
    m_active[transfer->id] = transfer;
    const hvHttpRequest& request = transfer->request;
    std::wstring url = Wide(request.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    WinHttpCrackUrl(url.c_str(), 0, 0, &parts);
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";
    transfer->connect = WinHttpConnect(m_session, host.c_str(), parts.nPort, 0);
    if (transfer->connect)
      transfer->handle =
          WinHttpOpenRequest(transfer->connect, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                             WINHTTP_DEFAULT_ACCEPT_TYPES,
                             parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    if (!transfer->handle) {
      Fail(transfer, GetLastError());
      Close(transfer);
      return;
    }
    // Any callback of the request, its closing included, now finds the record.
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(transfer);
    if (!WinHttpSetOption(transfer->handle, WINHTTP_OPTION_CONTEXT_VALUE, &context,
                          sizeof context) ||
        !Configure(transfer) ||
        !WinHttpSendRequest(transfer->handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, context)) {
      Fail(transfer, GetLastError());
      Close(transfer);
    }
  }

  static bool Configure(hvWinHttpTransfer* transfer) {
    const hvHttpRequest& request = transfer->request;
    HINTERNET handle = transfer->handle;
    // A stalled body fails after stallTimeoutMs without data; a paused one issues no read,
    // so no timeout runs on it.
    int connect = static_cast<int>(std::min<uint32_t>(request.connectTimeoutMs, INT32_MAX));
    int stall = static_cast<int>(std::min<uint32_t>(request.stallTimeoutMs, INT32_MAX));
    if (!WinHttpSetTimeouts(handle, connect, connect, stall, stall)) return false;
    DWORD responseTimeout = static_cast<DWORD>(stall);
    WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                     sizeof responseTimeout);
    // WinHTTP follows http and https redirects only; the count is checked again as they come.
    DWORD redirects = request.maxRedirects;
    WinHttpSetOption(handle, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                     sizeof redirects);
    std::string joined;
    for (const std::string& header : request.headers) joined += header + "\r\n";
    if (joined.empty()) return true;
    std::wstring wide = Wide(joined);
    return WinHttpAddRequestHeaders(handle, wide.c_str(), static_cast<DWORD>(wide.size()),
                                    WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE) != 0;
  }

  void OnStatus(const hvWinHttpEvent& event) {
    hvWinHttpTransfer* transfer = event.transfer;
    if (event.status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
      if (event.handle != transfer->handle) return;
      delete transfer;
      m_mailbox->CountRecords(-1);
      return;
    }
    if (transfer->phase == khvWinHttp_Closed || event.handle != transfer->handle) return;
    switch (event.status) {
      case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        transfer->phase = khvWinHttp_Headers;
        if (!WinHttpReceiveResponse(transfer->handle, nullptr)) Finish(transfer, GetLastError());
        break;
      case WINHTTP_CALLBACK_STATUS_REDIRECT:
        if (++transfer->redirects > transfer->request.maxRedirects) {
          transfer->events->OnDone(khvHttpOutcome_Failed, "too many redirects");
          Close(transfer);
        }
        break;
      case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        if (Headers(transfer)) Next(transfer);
        break;
      case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        if (event.value == 0) {
          Finish(transfer, ERROR_SUCCESS);
          break;
        }
        // Exactly what has arrived: a larger read may wait for more and, when it times out,
        // lose what it had.
        transfer->phase = khvWinHttp_Reading;
        if (!WinHttpReadData(transfer->handle, transfer->buffer.data(),
                             std::min<DWORD>(event.value, kReadBytes), nullptr))
          Finish(transfer, GetLastError());
        break;
      case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        if (event.value == 0) {
          Finish(transfer, ERROR_SUCCESS);
          break;
        }
        transfer->pending = event.value;
        Offer(transfer);
        break;
      case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        Finish(transfer, event.value);
        break;
      default:
        break;
    }
  }

  // Hands the final header to the owner line by line, as the server sent it.
  bool Headers(hvWinHttpTransfer* transfer) {
    DWORD size = 0;
    WinHttpQueryHeaders(transfer->handle, WINHTTP_QUERY_RAW_HEADERS_CRLF,
                        WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                        WINHTTP_NO_HEADER_INDEX);
    DWORD error = GetLastError();
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (error != ERROR_INSUFFICIENT_BUFFER ||
        !WinHttpQueryHeaders(transfer->handle, WINHTTP_QUERY_RAW_HEADERS_CRLF,
                             WINHTTP_HEADER_NAME_BY_INDEX, &text[0], &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      Finish(transfer, error != ERROR_INSUFFICIENT_BUFFER ? error : GetLastError());
      return false;
    }
    std::string lines = Narrow(text.data(), size / sizeof(wchar_t));
    // The owner learns from the empty line that the header is complete, however the text ends.
    while (!lines.empty() && (lines.back() == '\r' || lines.back() == '\n')) lines.pop_back();
    lines += "\r\n\r\n";
    size_t start = 0;
    while (start < lines.size()) {
      size_t end = lines.find("\r\n", start);
      end = end == std::string::npos ? lines.size() : end + 2;
      if (!transfer->events->OnHeaderLine(lines.data() + start, end - start)) {
        transfer->aborted = true;
        Finish(transfer, ERROR_SUCCESS);
        return false;
      }
      start = end;
    }
    return true;
  }

  // Asks for the next piece of the body.
  void Next(hvWinHttpTransfer* transfer) {
    transfer->phase = khvWinHttp_Available;
    if (!WinHttpQueryDataAvailable(transfer->handle, nullptr)) Finish(transfer, GetLastError());
  }

  // Offers the bytes of the last read until the owner keeps them.
  void Offer(hvWinHttpTransfer* transfer) {
    switch (transfer->events->OnBody(transfer->buffer.data(), transfer->pending)) {
      case khvHttpBody_Taken:
        transfer->pending = 0;
        Next(transfer);
        return;
      case khvHttpBody_Pause:
        transfer->phase = khvWinHttp_Paused;
        return;
      case khvHttpBody_Abort:
        transfer->aborted = true;
        Finish(transfer, ERROR_SUCCESS);
        return;
    }
  }

  void ResumeBody(uint64_t id) {
    auto found = m_active.find(id);
    if (found == m_active.end()) return;
    hvWinHttpTransfer* transfer = found->second;
    if (transfer->events->OnWritable() && transfer->phase == khvWinHttp_Paused) Offer(transfer);
  }

  // The owner's last event: the response ended (`error` 0) or failed.
  void Finish(hvWinHttpTransfer* transfer, DWORD error) {
    if (transfer->aborted)
      transfer->events->OnDone(khvHttpOutcome_Aborted, "");
    else if (error == ERROR_SUCCESS)
      transfer->events->OnDone(khvHttpOutcome_Complete, "");
    else
      Fail(transfer, error);
    Close(transfer);
  }

  void Fail(hvWinHttpTransfer* transfer, DWORD error) {
    transfer->events->OnDone(khvHttpOutcome_Failed, ErrorText(error).c_str());
  }

  // Detaches the owner and lets WinHTTP close the handles; the record goes with the request
  // handle's HANDLE_CLOSING, or at once when there never was one.
  void Close(hvWinHttpTransfer* transfer) {
    transfer->phase = khvWinHttp_Closed;
    transfer->events = nullptr;
    m_active.erase(transfer->id);
    HINTERNET handle = transfer->handle;
    if (transfer->connect) WinHttpCloseHandle(transfer->connect);
    if (handle) {
      WinHttpCloseHandle(handle);
      return;
    }
    delete transfer;
    m_mailbox->CountRecords(-1);
  }

  // Cancel: no event of `id` runs after this.
  void Forget(uint64_t id) {
    auto found = m_active.find(id);
    if (found != m_active.end()) Close(found->second);
    m_mailbox->Cancelled(id);
  }

  HINTERNET m_session = nullptr;
  std::thread m_thread;
  // Not owned once the thread started: the thread hands it over when it ends.
  hvWinHttpMailbox* m_mailbox = new hvWinHttpMailbox;

  // Transport thread only: the transfers whose owner still gets events.
  std::map<uint64_t, hvWinHttpTransfer*> m_active;
};

}  // namespace

hvHttpTransport* hvHttpTransport_Create() {
  hvHttpWinHttpTransport* transport = new hvHttpWinHttpTransport;
  if (transport->Usable()) return transport;
  delete transport;
  return nullptr;
}
