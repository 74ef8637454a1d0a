#include "net/hvHttpStreamState.h"

#include "hulvoStreaming/hvProtocolInfo.h"
#include "hulvoStreaming/hvUrl.h"
#include "hv/hvLogReport.h"
#include "net/hvHttpRequestHeaders.h"

namespace {
const char kSource[] = "hvHttpStream";
// Drops in a row, without a byte arriving in between, before the stream gives up.
const unsigned kMaxResumes = 3;
}  // namespace

hvHttpStreamState::hvHttpStreamState(hvHttpStream* stream, const hvCString& text, size_t blockSize,
                                     size_t blockCount)
    : owner(stream), url(text.c_str(), text.Length()) {
  ring = new hvStreamMultiBuffer(blockSize, blockCount);
  hvUrl* parsed = hvUrl_ParseRaw(url.c_str());
  const char* found = hvUrl_GetExtension(parsed);
  if (found) extension = hvCString(found);
  hvUrl_Free(parsed);
}

hvHttpStreamState::~hvHttpStreamState() {
  AbandonTimeSeek();
  Drop();
  hvHttpTransport_Release(transport);
  delete ring;
  hvProtocolInfo_Free(serverInfo);
}

void hvHttpStreamState::OnResponse(const hvHttpResponse& response, bool timeSeek) {
  if (timeSeek) {
    {
      std::lock_guard<std::mutex> hold(lock);
      httpStatus = response.status;
    }
    // The caller of SeekTime waits for this answer as a reader waits for bytes.
    owner->SignalThresholdReached();
    return;
  }
  std::lock_guard<std::mutex> hold(lock);
  responseKnown = true;
  httpStatus = response.status;
  // The first size heard stays: a transfer that hears another one refuses its answer.
  if (size == UINT64_MAX && response.status == 200 && response.hasLength && !response.chunked)
    size = response.length;
  if (size == UINT64_MAX && (response.status == 206 || response.status == 416) && response.hasTotal)
    size = response.total;
  if (response.status == 200 || response.status == 206) {
    if (mimeType.empty()) mimeType = response.contentType;
    acceptRanges = acceptRanges || response.acceptRanges;
    if (response.hasContentFeatures && !serverInfo) {
      // The header carries the fourth field only; the type completes the record.
      std::string text =
          (mimeType.empty() ? std::string("*") : mimeType) + ":" + response.contentFeatures;
      serverInfo = hvProtocolInfo_ParseShort(text.c_str(), text.size());
      serverFeatures = response.contentFeatures;
    }
  }
  changed.notify_all();
}

void hvHttpStreamState::OnFinished() {
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!responseKnown) finishedWithoutResponse = true;
    changed.notify_all();
  }
  // A reader waiting for bytes must come back to see the end, the error or the resume.
  owner->SignalThresholdReached();
}

bool hvHttpStreamState::PermissionsKnown() {
  std::lock_guard<std::mutex> hold(lock);
  return protocolInfoGiven || responseKnown;
}

bool hvHttpStreamState::RangeAllowed() {
  if (owner->Support(khvStreamSupport_ByteSeek)) return true;
  std::lock_guard<std::mutex> hold(lock);
  return acceptRanges;
}

void hvHttpStreamState::Launch(uint64_t position) {
  idle = false;
  failing = false;
  hvHttpRequestPlan plan;
  // Without range permission the whole resource is asked for and read up to the position.
  plan.rangeStart = position != 0 && RangeAllowed() ? position : 0;
  transfer = new hvHttpTransfer(ring, position, this);
  {
    std::lock_guard<std::mutex> hold(lock);
    transfer->ExpectSize(size);
  }
  settled = false;
  transferId = Send(plan, transfer);
  if (transferId != 0) return;
  transfer = nullptr;
  FailAfterReadable();
}

void hvHttpStreamState::LaunchTimeSeek(uint64_t milliseconds) {
  hvHttpRequestPlan plan;
  plan.timeSeek = true;
  plan.timeMilliseconds = milliseconds;
  timeSeekTarget = milliseconds;
  timeSeek = new hvHttpTransfer(ring, this);
  timeSeekId = Send(plan, timeSeek);
  if (timeSeekId == 0) timeSeek = nullptr;
}

void hvHttpStreamState::AbandonTimeSeek() {
  if (!timeSeek) return;
  transport->Cancel(timeSeekId);
  delete timeSeek;
  timeSeek = nullptr;
  timeSeekId = 0;
}

void hvHttpStreamState::PlaceTimeSeek(uint64_t first) {
  Drop();
  if (!ring->Seek(first)) ring->SignalSeekDone(first);
  timeSeek->Place(first, ring->GetCurrentWritePosition());
  transfer = timeSeek;
  transferId = timeSeekId;
  idle = false;
  failing = false;
  timeSeek = nullptr;
  timeSeekId = 0;
  settled = false;
  resumes = 0;
  transport->Resume(transferId);
}

uint64_t hvHttpStreamState::Send(hvHttpRequestPlan& plan, hvHttpTransfer* made) {
  plan.askContentFeatures = !protocolInfoGiven;
  {
    std::lock_guard<std::mutex> hold(lock);
    plan.mimeType = mimeType;
  }
  if (plan.mimeType.empty()) plan.mimeType = givenContentFormat;
  hvHttpRequest request;
  request.url = url;
  request.headers = hvHttpRequest_Headers(plan);
  request.connectTimeoutMs = connectTimeoutMs;
  request.stallTimeoutMs = stallTimeoutMs;
  uint64_t id = transport->Start(request, made);
  if (id == 0) {
    HV_LOG(khvLogCategory_Stream, kSource, "hvHttpStream: request refused (stream=0x%lx)\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(owner)));
    delete made;
  }
  return id;
}

void hvHttpStreamState::Drop() {
  if (!transfer) return;
  transport->Cancel(transferId);
  delete transfer;
  transfer = nullptr;
  transferId = 0;
}

void hvHttpStreamState::StartAtWritePosition() {
  uint64_t position = ring->GetCurrentWritePosition();
  // No producer runs now, so the ring's seek is done as soon as the position is named.
  ring->SignalSeekDone(position);
  Launch(position);
}

void hvHttpStreamState::CloseIdle() {
  if (idle) {
    // Half the ring free: enough room that the new connection is not paused at once.
    if (ring->GetAvailableWriteSize() < ring->GetTotalBufferSize() / 2) return;
    idle = false;
    StartAtWritePosition();
    return;
  }
  if (!transfer || transfer->PausedMilliseconds() <= stallTimeoutMs ||
      owner->Support(khvStreamSupport_ConnectionStalling) || !RangeAllowed())
    return;
  // What the transfer held back never reached the ring, so the next request asks for it
  // again from the write position.
  Drop();
  idle = true;
}

void hvHttpStreamState::FailAfterReadable() {
  failing = true;
  FailWhenDrained();
}

void hvHttpStreamState::FailWhenDrained() {
  if (!failing || ring->GetAvailableReadSize() != 0) return;
  failing = false;
  ring->SignalReadError();
}

void hvHttpStreamState::Settle() {
  FailWhenDrained();
  if (!transfer || settled || !transfer->Finished() || !transfer->DrainHeld()) return;
  settled = true;
  switch (transfer->Result()) {
    case khvHttpTransfer_End: {
      ring->SignalEndOfStream();
      std::lock_guard<std::mutex> hold(lock);
      if (size == UINT64_MAX) size = ring->GetCurrentWritePosition();
      break;
    }
    case khvHttpTransfer_Dropped:
      resumes = transfer->Delivered() ? 1 : resumes + 1;
      if (!interrupted.load() && resumes <= kMaxResumes && RangeAllowed()) {
        Drop();
        StartAtWritePosition();
        return;
      }
      HV_LOG(khvLogCategory_Stream, kSource,
             "hvHttpStream: transfer dropped at %llu: %s (stream=0x%lx)\n",
             static_cast<unsigned long long>(ring->GetCurrentWritePosition()),
             transfer->Reason().c_str(),
             static_cast<unsigned long>(reinterpret_cast<uintptr_t>(owner)));
      FailAfterReadable();
      break;
    case khvHttpTransfer_Failed:
      HV_LOG(khvLogCategory_Stream, kSource, "hvHttpStream: transfer failed: %s (stream=0x%lx)\n",
             transfer->Reason().c_str(),
             static_cast<unsigned long>(reinterpret_cast<uintptr_t>(owner)));
      FailAfterReadable();
      break;
    case khvHttpTransfer_Running:
    case khvHttpTransfer_Stopped:
      break;
  }
}
