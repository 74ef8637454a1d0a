// hvHttpStream: the public stream over the ring that an HTTP transfer fills.
#include <chrono>

#include "hulvoStreaming/hvHttp.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hv/hvLogReport.h"
#include "net/hvHttpStreamState.h"
#include "net/hvHttpUrl.h"

namespace {
const char kSource[] = "hvHttpStream";

void OnRingThreshold(void* stream) { static_cast<hvHttpStream*>(stream)->SignalThresholdReached(); }
}  // namespace

hvHttpStream::hvHttpStream(const hvCString& url, size_t blockSize, size_t blockCount)
    : m_state(new hvHttpStreamState(this, url, blockSize, blockCount)) {
  if (!hvHttpUrl_IsAcceptable(url)) {
    HV_LOG(khvLogCategory_Stream, kSource, "hvHttpStream: URL refused (stream=0x%lx)\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    m_valid = false;
    return;
  }
  if (!m_state->ring->IsValid()) {
    m_valid = false;
    return;
  }
  m_state->ring->SetThresholdCallBack(OnRingThreshold, this);
}

hvHttpStream::~hvHttpStream() { delete m_state; }

void hvHttpStream::SetTimeouts(uint32_t connectMilliseconds, uint32_t stallMilliseconds) {
  m_state->connectTimeoutMs = connectMilliseconds;
  m_state->stallTimeoutMs = stallMilliseconds;
}

hvStreamingStatus hvHttpStream::Open() {
  if (!m_valid) return khvStreamingStatus_Error;
  if (m_state->opened) return khvStreamingStatus_OK;
  m_state->opened = true;
  // What the caller was told about the source outranks the server's content features.
  if (const hvProtocolInfo* given = GetProtocolInfoRecord()) {
    std::lock_guard<std::mutex> hold(m_state->lock);
    m_state->protocolInfoGiven = true;
    if (given->contentFormat) m_state->givenContentFormat = given->contentFormat;
  }
  m_state->transport = hvHttpTransport_Acquire();
  if (!m_state->transport) {
    HV_LOG(khvLogCategory_Stream, kSource, "hvHttpStream: no HTTP transport (stream=0x%lx)\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    m_state->ring->SignalReadError();
    return khvStreamingStatus_Error;
  }
  m_state->Launch(0);
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvHttpStream::WaitForResponse(uint32_t timeout) {
  if (Open() != khvStreamingStatus_OK) return khvStreamingStatus_Error;
  std::unique_lock<std::mutex> hold(m_state->lock);
  m_state->changed.wait_for(hold, std::chrono::milliseconds(timeout), [this] {
    return m_state->responseKnown || m_state->finishedWithoutResponse;
  });
  if (!m_state->responseKnown)
    return m_state->finishedWithoutResponse ? khvStreamingStatus_Error : khvStreamingStatus_Pending;
  int status = m_state->httpStatus;
  return status == 200 || status == 206 ? khvStreamingStatus_OK : khvStreamingStatus_Error;
}

int32_t hvHttpStream::GetHttpStatus() {
  std::lock_guard<std::mutex> hold(m_state->lock);
  return m_state->httpStatus;
}

const char* hvHttpStream::GetID() { return "http"; }

hvuint64 hvHttpStream::GetStreamSize() {
  std::lock_guard<std::mutex> hold(m_state->lock);
  return m_state->size;
}

hvuint64 hvHttpStream::GetStreamPosition() {
  if (!m_valid) return khvuint64_Max;
  return m_state->ring->GetCurrentPosition();
}

hvCString hvHttpStream::GetMimeType() {
  std::lock_guard<std::mutex> hold(m_state->lock);
  if (!m_state->mimeType.empty()) return hvCString(m_state->mimeType.c_str());
  if (m_state->givenContentFormat != "*") return hvCString(m_state->givenContentFormat.c_str());
  return hvCString();
}

hvCString hvHttpStream::GetContentFeatures() {
  std::lock_guard<std::mutex> hold(m_state->lock);
  return hvCString(m_state->serverFeatures.c_str());
}

hvCString hvHttpStream::GetExtension() { return m_state->extension; }

hvCString hvHttpStream::GetFileName() { return hvCString(m_state->url.c_str()); }

size_t hvHttpStream::GetAvailableReadSize() {
  return m_valid ? m_state->ring->GetAvailableReadSize() : 0;
}

size_t hvHttpStream::GetTotalBufferSize() {
  return m_valid ? m_state->ring->GetTotalBufferSize() : 0;
}

bool hvHttpStream::Support(int what) {
  std::unique_lock<std::mutex> hold(m_state->lock);
  if (GetProtocolInfoRecord() || what == khvStreamSupport_ApplicationCode1 ||
      what == khvStreamSupport_ApplicationCode3) {
    hold.unlock();
    return hvStream::Support(what);
  }
  const hvProtocolInfo* server = m_state->serverInfo;
  switch (what) {
    case khvStreamSupport_ByteSeek:
      if (server) return server->byteSeek != 0 || m_state->acceptRanges;
      // Before any answer, as any stream without protocolInfo: byte seeks are offered.
      return m_state->responseKnown ? m_state->acceptRanges : true;
    case khvStreamSupport_TimeSeek:
      return server && server->timeSeek != 0;
    case khvStreamSupport_ConnectionStalling:
      return server && server->connectionStalling != 0;
    default:
      return false;
  }
}

void hvHttpStream::SignalInterrupted() {
  m_state->interrupted.store(true);
  if (!m_valid) return;
  m_state->ring->SignalInterrupted();
  m_state->ring->StopStream();
}

hvStreamingStatus hvHttpStream::SeekBytes(const hvuint64& position) {
  if (!m_valid) return khvStreamingStatus_Error;
  if (m_state->interrupted.load()) return khvStreamingStatus_Interrupted;
  if (Open() != khvStreamingStatus_OK) return khvStreamingStatus_Error;
  m_state->AbandonTimeSeek();
  m_state->Settle();
  hvStreamMultiBuffer* ring = m_state->ring;
  if (ring->WillSeek(position)) {
    if (ring->Seek(position)) return khvStreamingStatus_OK;
    // The producer reused that room between the two looks: the ring restarted at the
    // target, so the transfer must as well.
    m_state->Drop();
    m_state->StartAtWritePosition();
    return khvStreamingStatus_OK;
  }
  if (!m_state->PermissionsKnown()) return khvStreamingStatus_Pending;
  if (!m_state->RangeAllowed()) return khvStreamingStatus_SeekNotSupported;
  m_state->Drop();
  ring->Seek(position);
  m_state->resumes = 0;
  m_state->StartAtWritePosition();
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvHttpStream::SeekTime(const hvuint64& time) {
  if (!m_valid) return khvStreamingStatus_Error;
  if (m_state->interrupted.load()) return khvStreamingStatus_Interrupted;
  if (Open() != khvStreamingStatus_OK) return khvStreamingStatus_Error;
  hvHttpStreamState& state = *m_state;
  if (state.timeSeek && state.timeSeekTarget != uint64_t(time)) state.AbandonTimeSeek();
  if (!state.timeSeek) {
    if (!Support(khvStreamSupport_TimeSeek))
      return state.PermissionsKnown() ? khvStreamingStatus_SeekNotSupported
                                      : khvStreamingStatus_Pending;
    state.LaunchTimeSeek(time);
    return state.timeSeek ? khvStreamingStatus_Pending : khvStreamingStatus_Error;
  }
  bool known = false;
  uint64_t first = 0;
  if (!state.timeSeek->Answered(&known, &first)) return khvStreamingStatus_Pending;
  if (state.timeSeek->Result() == khvHttpTransfer_Failed) {
    state.AbandonTimeSeek();
    return khvStreamingStatus_Error;
  }
  if (!known) {
    // Without the answer's byte position the ring could not tell where it stands.
    state.AbandonTimeSeek();
    return khvStreamingStatus_SeekNotSupported;
  }
  state.PlaceTimeSeek(first);
  return khvStreamingStatus_OK;
}

hvStreamingStatus hvHttpStream::PullTake(unsigned char** data, size_t* length, bool exact) {
  if (!m_valid) {
    *data = nullptr;
    *length = 0;
    return khvStreamingStatus_Error;
  }
  if (m_state->interrupted.load()) {
    *data = nullptr;
    *length = 0;
    return khvStreamingStatus_Interrupted;
  }
  if (Open() != khvStreamingStatus_OK) {
    *data = nullptr;
    *length = 0;
    return khvStreamingStatus_Error;
  }
  m_state->Settle();
  m_state->CloseIdle();
  hvStreamingStatus status = m_state->ring->TakeReadBuffer(data, length, exact);
  if (status == khvStreamingStatus_OK && *length == 0) return khvStreamingStatus_Pending;
  return status;
}

hvStreamingStatus hvHttpStream::PullRelease(unsigned char* data, size_t length) {
  if (!m_valid) return khvStreamingStatus_Error;
  hvStreamingStatus status = m_state->ring->ReleaseReadBuffer(data, length);
  if (m_state->transfer && m_state->transfer->NeedsResume())
    m_state->transport->Resume(m_state->transferId);
  m_state->Settle();
  m_state->CloseIdle();
  return status;
}

bool hvHttpStream::ReachReadSizeThreshold(uint32_t size, uint32_t timeout) {
  if (!m_valid || Open() != khvStreamingStatus_OK) return false;
  m_state->Settle();
  // Nothing more comes before the error: what is there is all there will be.
  if (m_state->failing) return m_state->ring->GetAvailableReadSize() >= size;
  return m_state->ring->ReachReadSizeThreshold(size, timeout);
}
