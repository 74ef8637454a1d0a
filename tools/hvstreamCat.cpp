// hvstream cat: copy a file, or a byte range of it, to standard output through the library's
// streams: the buffered hvFileStream (take in place, release) for a whole file, the direct
// hvFilePartGetStream (copy out) for a range, and hvHttpStream for an http(s) URL.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hulvoStreaming/hvStream.h"
#include "hulvoStreaming/hvStreamBuffer.h"
#include "hvstreamArgs.h"
#include "hvstreamJson.h"
#include "hvstreamTool.h"
#include "hvstreamUrlSource.h"

namespace {

const char kHelp[] =
    "usage: hvstream cat FILE [--offset N] [--length N] [--block BYTES] [--blocks N] [--json]\n"
    "       hvstream cat URL [--offset N] [--length N] [--protocol-info TEXT] [--block BYTES]\n"
    "                        [--blocks N] [--json]\n"
    "       hvstream cat URL --cache FILE [--offset N] [--length N] [--json]\n"
    "\n"
    "Copies FILE to standard output through hvFileStream, which reads ahead into a ring of\n"
    "--blocks blocks of --block bytes (default 2 x 128K). With --offset or --length only that\n"
    "byte range is copied, through hvFilePartGetStream, --block bytes per read; a range that\n"
    "runs past the end of the file is cut there.\n"
    "\n"
    "An http or https URL is read through hvHttpStream (default ring 8 x 128K); --offset seeks\n"
    "there first, as the source allows: by the protocolInfo given with --protocol-info, else\n"
    "by the server's contentFeatures.dlna.org or Accept-Ranges answer. With --cache the URL\n"
    "is downloaded into FILE by hvHttpDownloaderMgr and read through hvProgressiveStream;\n"
    "--offset then asks the server for a range from there, and FILE keeps what was fetched.\n"
    "\n"
    "Numbers are bytes, optionally followed by K, M or G (binary multiples). While standard\n"
    "error is a terminal a progress bar shows bytes, rate and percentage there; a summary line\n"
    "follows on standard error (a JSON object with --json).\n";

const hvToolOption kOptions[] = {{"offset", true}, {"length", true}, {"block", true},
                                 {"blocks", true}, {"json", false},  {"protocol-info", true},
                                 {"cache", true},  {nullptr, false}};

// The ring's total size must stay below 2^31 bytes.
const uint64_t kRingLimit = 0x7FFFFFFFu;

using Clock = std::chrono::steady_clock;

// A network read may wait this long for its next bytes before the copy gives up; the stream
// itself reports a dropped connection sooner.
const std::chrono::seconds kQuietLimit(120);

class Progress {
 public:
  Progress(uint64_t total) : m_total(total), m_start(Clock::now()), m_shown(m_start) {
    m_enabled = hvTool_StandardErrorIsTerminal();
  }

  void Update(uint64_t done, bool force) {
    Clock::time_point now = Clock::now();
    if (!m_enabled || (!force && now - m_shown < std::chrono::milliseconds(100))) return;
    m_shown = now;
    fputs(hvTool_ProgressLine(done, m_total, Seconds()).c_str(), stderr);
  }

  void Finish() {
    if (m_enabled) fputc('\n', stderr);
  }

  double Seconds() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

 private:
  uint64_t m_total;
  Clock::time_point m_start;
  Clock::time_point m_shown;
  bool m_enabled;
};

struct Copy {
  uint64_t copied = 0;
  hvStreamingStatus status = khvStreamingStatus_OK;
  bool writeFailed = false;
};

bool Write(const unsigned char* data, size_t length) {
  return length == 0 || fwrite(data, 1, length, stdout) == length;
}

// Takes blocks in place and releases them, up to `limit` bytes. A file stream tops its ring
// up inside PullTake, so an empty take only happens at its end; a few in a row are allowed
// before giving up rather than spinning forever on a file that shrank. A network stream
// answers Pending (or nothing) while bytes are on their way: `waiter` then sleeps until the
// stream signals, for a bounded time.
void CopyBuffered(hvStream* stream, size_t block, uint64_t limit, hvToolWaiter* waiter,
                  Progress& progress, Copy* copy) {
  int emptyTakes = 0;
  Clock::time_point lastBytes = Clock::now();
  while (copy->copied < limit) {
    unsigned char* data = nullptr;
    size_t length = static_cast<size_t>(std::min<uint64_t>(block, limit - copy->copied));
    copy->status = stream->PullTake(&data, &length, false);
    if (waiter && (copy->status == khvStreamingStatus_Pending ||
                   (copy->status == khvStreamingStatus_OK && length == 0))) {
      if (Clock::now() - lastBytes > kQuietLimit) {
        copy->status = khvStreamingStatus_Error;
        return;
      }
      waiter->Wait(1000);
      continue;
    }
    if (copy->status != khvStreamingStatus_OK && copy->status != khvStreamingStatus_EndOfStream)
      return;
    if (!Write(data, length)) {
      copy->writeFailed = true;
      return;
    }
    hvStreamingStatus released = length ? stream->PullRelease(data, length) : copy->status;
    copy->copied += length;
    progress.Update(copy->copied, false);
    if (copy->status == khvStreamingStatus_EndOfStream ||
        released == khvStreamingStatus_EndOfStream) {
      copy->status = khvStreamingStatus_EndOfStream;
      return;
    }
    if (length) lastBytes = Clock::now();
    emptyTakes = length ? 0 : emptyTakes + 1;
    if (emptyTakes == 100) {
      copy->status = khvStreamingStatus_Error;
      return;
    }
  }
  copy->status = khvStreamingStatus_EndOfStream;  // the range is complete
}

// A range: copy out through PullGet; the end comes as EndOfStream with nothing. Empty
// answers are bounded as in CopyBuffered. `buffer` holds `block` bytes.
void CopyRange(hvStream* stream, unsigned char* buffer, size_t block, Progress& progress,
               Copy* copy) {
  int emptyReads = 0;
  for (;;) {
    size_t length = block;
    copy->status = stream->PullGet(buffer, &length, false);
    if (copy->status != khvStreamingStatus_OK && copy->status != khvStreamingStatus_EndOfStream)
      return;
    if (!Write(buffer, length)) {
      copy->writeFailed = true;
      return;
    }
    copy->copied += length;
    progress.Update(copy->copied, false);
    if (copy->status == khvStreamingStatus_EndOfStream) return;
    emptyReads = length ? 0 : emptyReads + 1;
    if (emptyReads == 100) {
      copy->status = khvStreamingStatus_Error;
      return;
    }
  }
}

// The summary on standard error and the exit status, for files and URLs alike.
int Report(const hvToolArgs& args, const std::string& path, const std::string& how, uint64_t offset,
           const Progress& progress, const Copy& copy) {
  bool complete = !copy.writeFailed && copy.status == khvStreamingStatus_EndOfStream;
  double seconds = progress.Seconds();
  if (args.Has("json")) {
    hvJsonWriter json;
    json.BeginObject();
    json.Field("file", path);
    json.Field("stream", how);
    json.Field("offset", static_cast<unsigned long long>(offset));
    json.Field("bytes", static_cast<unsigned long long>(copy.copied));
    json.Field("seconds", seconds);
    json.Field("bytesPerSecond", static_cast<double>(hvTool_Rate(copy.copied, seconds)));
    json.Field("complete", complete);
    json.EndObject();
    fprintf(stderr, "%s\n", json.Text().c_str());
  } else if (!copy.writeFailed) {  // bytes that did not arrive are not announced as copied
    fprintf(stderr,
            "hvstream cat: %llu bytes (%s) from offset %llu of '%s' in %.3f s, %s/s, "
            "through %s\n",
            static_cast<unsigned long long>(copy.copied), hvTool_ByteCount(copy.copied).c_str(),
            static_cast<unsigned long long>(offset), path.c_str(), seconds,
            hvTool_ByteCount(hvTool_Rate(copy.copied, seconds)).c_str(), how.c_str());
  }
  // The message comes from the tool's end, which sees the failed output as well.
  if (copy.writeFailed) return khvToolExit_BadInput;
  if (!complete) {
    hvTool_Error("cat", "reading '%s' failed at byte %llu (stream status %d)", path.c_str(),
                 static_cast<unsigned long long>(offset + copy.copied),
                 static_cast<int>(copy.status));
    return khvToolExit_BadInput;
  }
  return khvToolExit_OK;
}

// A URL: the whole resource, or the range from --offset on, through hvHttpStream's ring.
int CatUrl(const hvToolArgs& args, const std::string& url, uint64_t offset, uint64_t length,
           size_t block, size_t blocks) {
  // Declared first: the stream may signal it until the stream is deleted, and the cache's
  // manager must outlive the stream too.
  hvToolWaiter waiter;
  hvToolCache cache;
  const char* cacheFile = args.Value("cache");
  hvStream* stream =
      cacheFile ? cache.Open("cat", url, cacheFile, &waiter)
                : hvTool_OpenUrl("cat", url, block, blocks, args.Value("protocol-info"), &waiter);
  if (!stream) return khvToolExit_BadInput;
  uint64_t size = stream->GetStreamSize();  // khvuint64_Max while unknown
  if (size != khvuint64_Max && offset > size) {
    hvTool_Error("cat", "offset %llu is past the end of '%s' (%llu bytes)",
                 static_cast<unsigned long long>(offset), url.c_str(),
                 static_cast<unsigned long long>(size));
    stream->Delete();
    return khvToolExit_BadInput;
  }
  if (offset > 0) {
    hvStreamingStatus seek;
    Clock::time_point deadline = Clock::now() + kQuietLimit;
    while ((seek = stream->SeekBytes(offset)) == khvStreamingStatus_Pending &&
           Clock::now() < deadline)
      waiter.Wait(1000);
    if (seek != khvStreamingStatus_OK) {
      hvTool_Error(
          "cat", "cannot seek to byte %llu of '%s' (stream status %d%s)",
          static_cast<unsigned long long>(offset), url.c_str(), static_cast<int>(seek),
          seek == khvStreamingStatus_SeekNotSupported ? ": the source allows no byte seek" : "");
      stream->Delete();
      return khvToolExit_BadInput;
    }
  }
  if (size != khvuint64_Max && length > size - offset) length = size - offset;
  std::string how =
      cacheFile
          ? "hvProgressiveStream over " + std::string(cacheFile) + " (hvHttpDownloaderMgr)"
          : "hvHttpStream, ring of " + std::to_string(blocks) + " x " + hvTool_ByteCount(block);
  // Without a size or a length the bar has no end to measure against.
  Progress progress(length != UINT64_MAX ? length : 0);
  Copy copy;
  CopyBuffered(stream, block, length, &waiter, progress, &copy);
  stream->Delete();
  if (hvTool_OutputFailed()) copy.writeFailed = true;
  progress.Update(copy.copied, true);
  progress.Finish();
  return Report(args, url, how, offset, progress, copy);
}

}  // namespace

int hvTool_RunCat(int argc, char** argv) {
  hvToolArgs args("cat", kOptions);
  int status = args.Start(argc, argv, kHelp);
  if (status >= 0) return status;
  if ((status = args.CheckOperands(1, 1, "FILE")) >= 0) return status;
  uint64_t offset, length, block, blocks;
  bool range = args.Has("offset") || args.Has("length");
  if (!args.Size("offset", 0, &offset, true) || !args.Size("length", UINT64_MAX, &length, true) ||
      !args.Size("block", 128 * 1024, &block) || !args.Size("blocks", 2, &blocks))
    return khvToolExit_Usage;
  const std::string& path = args.Operands()[0];
  bool url = hvTool_IsUrl(path);
  if (url && !args.Has("blocks")) blocks = 8;
  if (!url && args.Has("cache"))
    return hvTool_UsageError("cat", "--cache keeps a download of a URL, not of a file");
  if (args.Has("cache") && (args.Has("protocol-info") || args.Has("blocks")))
    return hvTool_UsageError("cat",
                             "--cache reads the cache file; it takes no --protocol-info "
                             "and no --blocks");
  if (!url && args.Has("protocol-info"))
    return hvTool_UsageError("cat", "--protocol-info describes a URL's source, not a file");
  if (range && !url && args.Has("blocks"))
    return hvTool_UsageError("cat",
                             "--blocks sizes the ring of whole-file reads; a range is "
                             "read without one");
  if (block > kRingLimit || blocks > kRingLimit / block)
    return hvTool_UsageError("cat", "a ring of %llu x %llu bytes is too large (limit 2 GiB)",
                             static_cast<unsigned long long>(blocks),
                             static_cast<unsigned long long>(block));
  if (offset > static_cast<uint64_t>(INT64_MAX))
    return hvTool_UsageError("cat", "--offset is too large");
  if (url)
    return CatUrl(args, path, offset, range ? length : UINT64_MAX, static_cast<size_t>(block),
                  static_cast<size_t>(blocks));

  hvFile* file = new hvFile;
  if (!file->Open(path.c_str())) {
    hvTool_Error("cat", "cannot open '%s'", path.c_str());
    delete file;
    return khvToolExit_BadInput;
  }
  int64_t size = file->Length();
  if (size < 0) {
    hvTool_Error("cat", "cannot tell the size of '%s'", path.c_str());
    delete file;
    return khvToolExit_BadInput;
  }
  uint64_t fileSize = static_cast<uint64_t>(size);
  if (offset > fileSize) {
    hvTool_Error("cat", "offset %llu is past the end of '%s' (%llu bytes)",
                 static_cast<unsigned long long>(offset), path.c_str(),
                 static_cast<unsigned long long>(fileSize));
    delete file;
    return khvToolExit_BadInput;
  }
  if (length > fileSize - offset) length = fileSize - offset;
  if (!range) length = fileSize;

  // The streams own the file (and the ring) from here on.
  hvStream* stream;
  std::string how;
  if (range) {
    stream = new hvFilePartGetStream(file, "application/octet-stream", path.c_str(),
                                     static_cast<int64_t>(offset), static_cast<int64_t>(length));
    how = "hvFilePartGetStream";
  } else {
    stream = new hvFileStream(new hvStreamMultiBuffer(block, blocks), file,
                              "application/octet-stream", path.c_str());
    how = "hvFileStream, ring of " + std::to_string(blocks) + " x " + hvTool_ByteCount(block);
  }
  if (!stream->IsValid()) {
    hvTool_Error("cat", "cannot read '%s' through %s", path.c_str(), how.c_str());
    stream->Delete();
    return khvToolExit_BadInput;
  }

  Progress progress(length);
  Copy copy;
  if (range) {
    // --block is an upper bound per read: a short range needs no more than itself.
    size_t readSize = static_cast<size_t>(length < block ? (length ? length : 1) : block);
    unsigned char* buffer = static_cast<unsigned char*>(malloc(readSize));
    if (!buffer) {
      hvTool_Error("cat", "cannot allocate a read buffer of %s",
                   hvTool_ByteCount(readSize).c_str());
      stream->Delete();
      return khvToolExit_BadInput;
    }
    CopyRange(stream, buffer, readSize, progress, &copy);
    free(buffer);
  } else {
    CopyBuffered(stream, block, UINT64_MAX, nullptr, progress, &copy);
  }
  stream->Delete();
  // Buffered bytes count as copied only once they have left: the flush may fail too.
  if (hvTool_OutputFailed()) copy.writeFailed = true;
  progress.Update(copy.copied, true);
  progress.Finish();

  return Report(args, path, how, offset, progress, copy);
}
