#include "hulvoStreaming/hvStream.h"

#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hv/hvLogReport.h"

namespace {
const char kSource[] = "..\\..\\hvStream";
}

hvStream::hvStream()
    : m_valid(true),
      m_thresholdChain(nullptr),
      m_dataShortageChain(nullptr),
      m_info(nullptr),
      m_protocolInfo(nullptr) {}

hvStream::~hvStream() {
  while (m_thresholdChain) PopCallBack(m_thresholdChain, m_thresholdChain->callback);
  while (m_dataShortageChain) PopCallBack(m_dataShortageChain, m_dataShortageChain->callback);
  delete m_info;
  m_info = nullptr;
  hvProtocolInfo_Free(m_protocolInfo);
  m_protocolInfo = nullptr;
}

void hvStream::Delete() { delete this; }

const char* hvStream::GetID() { return "unknown"; }

bool hvStream::IsValid() {
  if (!m_valid)
    HV_LOG(khvLogCategory_Stream, kSource, "hvStream: Invalid (stream=0x%lx)\n",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
  return m_valid;
}

hvuint64 hvStream::GetStreamSize() { return khvuint64_Max; }
hvuint64 hvStream::GetStreamPosition() { return khvuint64_Max; }
hvCString hvStream::GetMimeType() { return hvCString(); }
hvCString hvStream::GetExtension() { return hvCString(); }
int32_t hvStream::GetErrorCode() { return 0; }
size_t hvStream::GetAvailableReadSize() { return static_cast<size_t>(-1); }
hvCString hvStream::GetFileName() { return hvCString(); }
size_t hvStream::GetTotalBufferSize() { return 0; }

void hvStream::SignalInterrupted() {
  HV_LOG(khvLogCategory_Stream, kSource, "hvStream: Cannot interrupt (stream=0x%lx)\n",
         static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
}

void hvStream::PushCallBack(hvStreamCallBackChain*& chain, hvStreamCallBack callback,
                            void* userData) {
  // Allocated before locking: a failure here is fatal and must not happen under the lock.
  auto* node = static_cast<hvStreamCallBackChain*>(hvMemory_Malloc(sizeof(hvStreamCallBackChain)));
  m_lock.Lock();
  node->callback = callback;
  node->userData = userData;
  node->next = chain;
  chain = node;
  m_lock.Unlock();
}

void hvStream::PopCallBack(hvStreamCallBackChain*& chain, hvStreamCallBack callback) {
  m_lock.Lock();
  for (hvStreamCallBackChain** link = &chain; *link; link = &(*link)->next) {
    hvStreamCallBackChain* node = *link;
    if (node->callback == callback) {
      *link = node->next;
      hvMemory_Free(node);
      break;
    }
  }
  m_lock.Unlock();
}

void hvStream::RunHead(hvStreamCallBackChain* const& chain) {
  m_lock.Lock();
  if (chain) chain->callback(chain->userData);
  m_lock.Unlock();
}

void hvStream::SignalThresholdReached() { RunHead(m_thresholdChain); }
void hvStream::SignalDataShortage() { RunHead(m_dataShortageChain); }

void hvStream::PushThresholdCallBack(hvStreamCallBack callback, void* userData) {
  PushCallBack(m_thresholdChain, callback, userData);
}
void hvStream::PopThresholdCallBack(hvStreamCallBack callback) {
  PopCallBack(m_thresholdChain, callback);
}
void hvStream::PushDataShortageCallBack(hvStreamCallBack callback, void* userData) {
  PushCallBack(m_dataShortageChain, callback, userData);
}
void hvStream::PopDataShortageCallBack(hvStreamCallBack callback) {
  PopCallBack(m_dataShortageChain, callback);
}

hvStreamingStatus hvStream::SeekBytes(const hvuint64&) {
  return khvStreamingStatus_SeekNotSupported;
}
hvStreamingStatus hvStream::SeekTime(const hvuint64&) {
  return khvStreamingStatus_SeekNotSupported;
}
hvStreamingStatus hvStream::PullTake(unsigned char**, size_t*, bool) {
  return khvStreamingStatus_InvalidOperation;
}
hvStreamingStatus hvStream::PullRelease(unsigned char*, size_t) {
  return khvStreamingStatus_InvalidOperation;
}

hvStreamingStatus hvStream::PullGet(unsigned char* destination, size_t* length, bool exact) {
  unsigned char* block = nullptr;
  hvStreamingStatus status = PullTake(&block, length, exact);
  if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) return status;
  if (block && *length > 0) memcpy(destination, block, *length);
  // An end of stream reported by the take comes back through the release's status.
  return PullRelease(block, *length);
}

void hvStream::DefaultThresholdCallBack(void* stream) {
  static_cast<hvStream*>(stream)->m_condition.Signal();
}

void hvStream::DefaultThresholdWait() { m_condition.Wait(); }

bool hvStream::ReachReadSizeThreshold(uint32_t, uint32_t) { return false; }
