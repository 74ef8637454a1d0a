#include "net/win32/hvHttpWinHttpMailbox.h"

#include <algorithm>

void hvWinHttpMailbox::Post(const hvWinHttpEvent& event) {
  std::unique_lock<std::mutex> hold(m_lock);
  if (!m_orphaned) {
    m_events.push_back(event);
    m_wake.notify_all();
    return;
  }
  // The transport is gone and every record closed: only their ends are left to handle.
  if (event.kind != hvWinHttpEvent::kStatus ||
      event.status != WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING ||
      event.handle != event.transfer->handle)
    return;
  delete event.transfer;
  bool last = --m_records == 0;
  hold.unlock();
  if (last) delete this;
}

bool hvWinHttpMailbox::Take(std::vector<hvWinHttpEvent>* batch, bool stopping) {
  std::unique_lock<std::mutex> hold(m_lock);
  m_wake.wait(hold, [&] { return !m_events.empty() || stopping; });
  if (!m_events.empty()) {
    batch->swap(m_events);
    return true;
  }
  m_orphaned = true;
  bool last = m_records == 0;
  hold.unlock();
  if (last) delete this;
  return false;
}

void hvWinHttpMailbox::Cancel(uint64_t id) {
  std::unique_lock<std::mutex> hold(m_lock);
  m_events.push_back({hvWinHttpEvent::kCancel, nullptr, id, nullptr, 0, 0});
  m_cancelling.push_back(id);
  m_wake.notify_all();
  m_cancelled.wait(hold, [&] {
    return std::find(m_cancelling.begin(), m_cancelling.end(), id) == m_cancelling.end();
  });
}

void hvWinHttpMailbox::Cancelled(uint64_t id) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_cancelling.erase(std::remove(m_cancelling.begin(), m_cancelling.end(), id), m_cancelling.end());
  m_cancelled.notify_all();
}

uint64_t hvWinHttpMailbox::NextId() {
  std::lock_guard<std::mutex> hold(m_lock);
  return ++m_lastId;
}

void hvWinHttpMailbox::CountRecords(int change) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_records += static_cast<size_t>(change);
}

void CALLBACK hvWinHttp_OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                 DWORD length) {
  // The session's and connections' own notifications carry no record.
  if (context == 0) return;
  hvWinHttpTransfer* transfer = reinterpret_cast<hvWinHttpTransfer*>(context);
  DWORD value = 0;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      value = *static_cast<DWORD*>(info);
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      value = length;
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      value = static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError;
      break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
    case WINHTTP_CALLBACK_STATUS_REDIRECT:
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      break;
    default:
      return;
  }
  transfer->mailbox->Post({hvWinHttpEvent::kStatus, transfer, 0, handle, status, value});
}
