// The state the WinHTTP transport shares with WinHTTP's callback threads: one record per
// transfer, whose address is the request's context, and the mailbox through which the
// callback and other threads hand events to the transport thread.
#ifndef HULVOSTREAMING_NET_WIN32_HVHTTPWINHTTPMAILBOX_H
#define HULVOSTREAMING_NET_WIN32_HVHTTPWINHTTPMAILBOX_H

#include <windows.h>
#include <winhttp.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "net/hvHttpTransport.h"

// What the transport does with a transfer next; a transfer's WinHTTP requests are issued one
// at a time, so at most one callback of it is awaited besides the handle's closing.
enum hvWinHttpPhase {
  khvWinHttp_Sending,    // WinHttpSendRequest, then WinHttpReceiveResponse
  khvWinHttp_Headers,    // waiting for the response's header
  khvWinHttp_Available,  // WinHttpQueryDataAvailable in flight
  khvWinHttp_Reading,    // WinHttpReadData in flight
  khvWinHttp_Paused,     // the owner kept none of `pending` bytes: no read until Resume
  khvWinHttp_Closed,     // the owner has its last event; the record waits for HANDLE_CLOSING
};

class hvWinHttpMailbox;

// Lives from Start until WinHTTP closed its request handle: even a closed handle may still
// complete a call that was in flight, and the callback then reads this record.
struct hvWinHttpTransfer {
  hvWinHttpMailbox* mailbox = nullptr;
  uint64_t id = 0;
  hvHttpTransferEvents* events = nullptr;  // null once the owner had its last event
  hvHttpRequest request;
  HINTERNET connect = nullptr;
  HINTERNET handle = nullptr;
  hvWinHttpPhase phase = khvWinHttp_Sending;
  uint32_t redirects = 0;
  bool aborted = false;  // the owner asked to stop
  DWORD pending = 0;     // bytes of `buffer` the owner has not kept yet
  std::vector<unsigned char> buffer;
};

// What a WinHTTP callback or another thread asks of the transport thread.
struct hvWinHttpEvent {
  enum Kind { kStart, kResume, kCancel, kStop, kStatus } kind;
  hvWinHttpTransfer* transfer;  // kStart, kStatus
  uint64_t id;                  // kResume, kCancel
  HINTERNET handle;             // kStatus: the handle the status is about
  DWORD status;                 // kStatus: WINHTTP_CALLBACK_STATUS_*
  DWORD value;                  // bytes available or read, or the error of a failed call
};

// What WinHTTP's callbacks and other threads hand to the transport thread. It outlives the
// transport while WinHTTP still owes a record its HANDLE_CLOSING: under Wine a closed request
// ends a pending read only when that read times out, and the transport's end does not wait
// for it.
class hvWinHttpMailbox {
 public:
  // Any thread, WinHTTP's included.
  void Post(const hvWinHttpEvent& event);
  // Transport thread: the next events. False once `stopping` and nothing is left: the mailbox
  // then belongs to the records WinHTTP has not closed yet, and the caller must not touch it.
  bool Take(std::vector<hvWinHttpEvent>* batch, bool stopping);
  // Waits until the transport thread has handled the cancel of `id` (Cancelled).
  void Cancel(uint64_t id);
  void Cancelled(uint64_t id);
  uint64_t NextId();
  // Transport thread: a record came (+1) or went (-1).
  void CountRecords(int change);

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  std::condition_variable m_cancelled;
  std::vector<hvWinHttpEvent> m_events;
  std::vector<uint64_t> m_cancelling;
  uint64_t m_lastId = 0;
  size_t m_records = 0;  // records WinHTTP may still call back with
  bool m_orphaned = false;
};

// The status callback of the transport's session: queues what concerns a record.
void CALLBACK hvWinHttp_OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                 DWORD length);

#endif
