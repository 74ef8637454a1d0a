// The small interface between the library's HTTP logic and the system's HTTP client. A
// transport runs every transfer on one thread of its own, which sleeps in the OS until a
// socket, a timer or a wake-up needs it; all events of all transfers arrive on that thread.
// Start, Resume and Cancel may be called from any other thread.
#ifndef HULVOSTREAMING_NET_HVHTTPTRANSPORT_H
#define HULVOSTREAMING_NET_HVHTTPTRANSPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct hvHttpRequest {
  std::string url;
  std::vector<std::string> headers;  // "Name: value", sent besides the client's own
  uint32_t connectTimeoutMs = 10000;
  // A transfer that receives nothing for this long (while not paused) fails.
  uint32_t stallTimeoutMs = 20000;
  uint32_t maxRedirects = 5;
};

enum hvHttpBodyAnswer {
  khvHttpBody_Taken,  // every byte offered was kept
  khvHttpBody_Pause,  // none was kept: offer the same bytes again after Resume
  khvHttpBody_Abort,
};

enum hvHttpOutcome {
  khvHttpOutcome_Complete,  // the response ended as the server framed it
  khvHttpOutcome_Failed,    // connection, TLS, timeout or framing failure; see the reason
  khvHttpOutcome_Aborted,   // the events object asked for it
};

// Implemented by the owner of a transfer. The object must outlive the transfer: until
// OnDone has returned, or until Cancel has returned.
class hvHttpTransferEvents {
 public:
  // One header line as received (CRLF included), for every response on the way, redirects
  // included. False aborts the transfer.
  virtual bool OnHeaderLine(const char* line, size_t length) = 0;
  virtual hvHttpBodyAnswer OnBody(const unsigned char* data, size_t length) = 0;
  // Runs after Resume: true lets the body flow again.
  virtual bool OnWritable() = 0;
  // Runs once the transport has handed over what the network had for now, before it waits
  // again. Until a transport first calls it, the owner must pass each OnBody on at once; from
  // then on it may gather the bytes of several OnBody calls and pass them on here.
  virtual void OnDeliveriesEnd() {}
  // The last event of a transfer. `reason` is the client's text, empty on success.
  virtual void OnDone(hvHttpOutcome outcome, const char* reason) = 0;

 protected:
  ~hvHttpTransferEvents() = default;
};

class hvHttpTransport {
 public:
  virtual ~hvHttpTransport() = default;
  // Queues a GET; 0 when the client refused the request. `events` is not owned.
  virtual uint64_t Start(const hvHttpRequest& request, hvHttpTransferEvents* events) = 0;
  // Asks the transport thread to call OnWritable and resume the body if it answers true.
  virtual void Resume(uint64_t id) = 0;
  // Ends the transfer, finished or not. When it returns, no event of `id` runs or will run.
  // Never called from the transport thread.
  virtual void Cancel(uint64_t id) = 0;
};

// The process's transport, created on first use and destroyed when the last user releases
// it, so no thread outlives the streams that need it. Null when the client cannot start.
hvHttpTransport* hvHttpTransport_Acquire();
void hvHttpTransport_Release(hvHttpTransport* transport);
// The system's transport; only hvHttpTransport_Acquire calls it.
hvHttpTransport* hvHttpTransport_Create();

#endif
