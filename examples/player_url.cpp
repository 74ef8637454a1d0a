// How a renderer plays a URL it was handed together with its protocolInfo.
//
//   player_url URL [PROTOCOLINFO]
//   e.g. player_url http://192.168.1.20:8200/MediaItems/22.mp3
//                   "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01"
//
// The protocolInfo (from the control point, or the server's own contentFeatures.dlna.org
// when none is given) decides which seeks the source allows. The renderer reads the start,
// then jumps to the middle by bytes, or ten seconds in by time, as the source allows. The
// stream never blocks: while bytes are on their way a read answers Pending and the reader
// sleeps until the stream's threshold callback wakes it, for a bounded time.
#include <hulvoStreaming/hulvoStreaming.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

// Wakes the reading thread when the stream signals; the signal comes from the library's
// HTTP thread, so it only sets a flag.
class Waiter {
 public:
  static void Signal(void* self) {
    Waiter* waiter = static_cast<Waiter*>(self);
    std::lock_guard<std::mutex> hold(waiter->m_lock);
    waiter->m_signalled = true;
    waiter->m_wake.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> hold(m_lock);
    m_wake.wait_for(hold, std::chrono::seconds(1), [this] { return m_signalled; });
    m_signalled = false;
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_signalled = false;
};

// Reads up to `wanted` bytes from the current position, in place; the status that ended it.
// A player would hand the blocks to its decoder; here they are only counted.
hvStreamingStatus Play(hvStream* stream, Waiter& waiter, uint64_t wanted, uint64_t* read) {
  *read = 0;
  int quietSeconds = 0;
  while (*read < wanted) {
    unsigned char* block = nullptr;
    size_t length = static_cast<size_t>(wanted - *read < 65536 ? wanted - *read : 65536);
    hvStreamingStatus status = stream->PullTake(&block, &length, false);
    if (status == khvStreamingStatus_Pending || (status == khvStreamingStatus_OK && length == 0)) {
      if (++quietSeconds > 30) return khvStreamingStatus_Error;  // the server went quiet
      waiter.Wait();
      continue;
    }
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) return status;
    quietSeconds = 0;
    *read += length;
    hvStreamingStatus released = length ? stream->PullRelease(block, length) : status;
    if (status == khvStreamingStatus_EndOfStream || released == khvStreamingStatus_EndOfStream)
      return khvStreamingStatus_EndOfStream;
  }
  return khvStreamingStatus_OK;
}

// A seek may answer Pending while the source's permissions or the server's answer are on
// their way: ask again after each signal, for a bounded time.
template <typename Seek>
hvStreamingStatus SeekPatiently(Waiter& waiter, Seek seek) {
  hvStreamingStatus status = seek();
  for (int tries = 0; status == khvStreamingStatus_Pending && tries < 30; ++tries) {
    waiter.Wait();
    status = seek();
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printf(
        "player_url plays an http(s) URL as a renderer does: player_url URL [PROTOCOLINFO].\n"
        "Without a URL there is nothing to play; start any HTTP server, e.g.\n"
        "  python3 -m http.server 8000 --bind 127.0.0.1\n"
        "and run player_url http://127.0.0.1:8000/some-file\n");
    return 0;
  }
  Waiter waiter;  // outlives the stream, whose thread may signal it until Delete
  hvHttpStream* stream = new hvHttpStream(hvCString(argv[1]));
  if (!stream->IsValid()) {
    fprintf(stderr, "player_url: %s is not an http(s) URL with a host\n", argv[1]);
    stream->Delete();
    return 1;
  }
  if (argc > 2) stream->SetProtocolInfo(hvCString(argv[2]));
  stream->PushThresholdCallBack(&Waiter::Signal, &waiter);

  if (stream->WaitForResponse(10000) != khvStreamingStatus_OK) {
    fprintf(stderr, "player_url: no usable answer from %s (HTTP status %d)\n", argv[1],
            static_cast<int>(stream->GetHttpStatus()));
    stream->Delete();
    return 1;
  }
  uint64_t size = stream->GetStreamSize();
  bool byteSeek = stream->Support(khvStreamSupport_ByteSeek);
  bool timeSeek = stream->Support(khvStreamSupport_TimeSeek);
  printf("%s: %s, %s bytes, byte seek %s, time seek %s\n", argv[1], stream->GetMimeType().c_str(),
         size == khvuint64_Max ? "unknown" : std::to_string(size).c_str(), byteSeek ? "yes" : "no",
         timeSeek ? "yes" : "no");

  uint64_t read = 0;
  hvStreamingStatus status = Play(stream, waiter, 1024 * 1024, &read);
  printf("played %llu bytes from the start\n", static_cast<unsigned long long>(read));
  if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) {
    fprintf(stderr, "player_url: reading failed with status %d\n", static_cast<int>(status));
    stream->Delete();
    return 1;
  }

  // The user jumps ahead: by bytes where the source allows it and the size is known, else by
  // time where the source allows that.
  hvStreamingStatus seek = khvStreamingStatus_SeekNotSupported;
  if (byteSeek && size != khvuint64_Max) {
    uint64_t middle = size / 2;
    seek = SeekPatiently(waiter, [&] { return stream->SeekBytes(middle); });
    printf("byte seek to %llu: status %d\n", static_cast<unsigned long long>(middle),
           static_cast<int>(seek));
  } else if (timeSeek) {
    seek = SeekPatiently(waiter, [&] { return stream->SeekTime(10000); });
    printf("time seek to 10 s: status %d, now at byte %llu\n", static_cast<int>(seek),
           static_cast<unsigned long long>(stream->GetStreamPosition()));
  } else {
    printf("the source allows no seek: a renderer plays it from the start only\n");
  }
  if (seek == khvStreamingStatus_OK) {
    status = Play(stream, waiter, 256 * 1024, &read);
    printf("played %llu bytes after the seek\n", static_cast<unsigned long long>(read));
  }

  stream->PopThresholdCallBack(&Waiter::Signal);
  stream->Delete();
  return status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream ? 0 : 1;
}
