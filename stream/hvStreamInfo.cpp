// The media description and protocolInfo a stream carries, and the answers drawn from them.
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hulvoStreaming/hvStream.h"

void hvStream::SetProtocolInfo(const hvCString& protocolInfo) {
  hvProtocolInfo_Free(m_protocolInfo);
  // The record replaces the old one even when the text does not parse, so stale seek
  // permissions never survive a new protocolInfo.
  m_protocolInfo = hvProtocolInfo_Parse(protocolInfo.c_str(), protocolInfo.Length());
}

void hvStream::SetInfo(hvMediaInfo* info) {
  delete m_info;
  m_info = info;
}

hvMediaInfo* hvStream::GetInfo() { return m_info; }

bool hvStream::GetInfo(hvMediaInfo* info) {
  bool written = false;
  if (info->fileName.IsEmpty()) info->fileName = GetFileName();
  hvCString mimeType = GetMimeType().Lower();
  if (!mimeType.IsEmpty()) written = info->Set("mt", mimeType, true);
  hvuint64 size = GetStreamSize();
  if (size != 0 && size != khvuint64_Max) written = info->Set("fs", size, true) || written;
  hvCString extension = GetExtension().Lower();
  if (!extension.IsEmpty()) written = info->Set("fe", extension, true) || written;
  return written;
}

hvuint64 hvStream::GetDuration() {
  return m_info ? hvuint64(m_info->GetUInt32("du", 0)) : hvuint64(0);
}

bool hvStream::Support(int what) {
  if (what == khvStreamSupport_ApplicationCode1 || what == khvStreamSupport_ApplicationCode3)
    return true;
  if (!m_protocolInfo) return what == khvStreamSupport_ByteSeek;
  switch (what) {
    case khvStreamSupport_TimeSeek:
      return m_protocolInfo->timeSeek != 0;
    case khvStreamSupport_ByteSeek:
      return m_protocolInfo->byteSeek != 0;
    case khvStreamSupport_ConnectionStalling:
      return m_protocolInfo->connectionStalling != 0;
    default:
      return false;
  }
}

bool hvStream::IsLive() { return false; }

bool hvStream::IsPauseAllowed() { return !IsLive(); }
