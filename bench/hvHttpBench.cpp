// hvHttpStream against curl on one loopback lighttpd, in the same run: reading a 1 GiB file
// whole (http_read: bytes per second; processor seconds per GiB as "cpu_s/GiB", ours for the
// whole process with its transport thread, curl's for the child, taken from wait4; and the
// context switches per GiB, which is where most of a difference in processor time goes), and
// the time from a byte seek to the first byte there (http_seek_first_byte, lower is better).
// The file is sparse, so it costs no disk and the server sends it from the page cache; it is
// kept in the build folder. Linux only.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <random>
#include <string>

#include "hulvoStreaming/hvHttp.h"
#include "hvBenchHttpServer.h"
#include "hvBenchMain.h"
#include "hvstreamUrlSource.h"

namespace {

const uint64_t kFileSize = uint64_t(1) << 30;
const double kGiB = 1024.0 * 1024.0 * 1024.0;
const size_t kPiece = 128 * 1024;
// How long one read may wait for the server before the run counts as failed.
const uint32_t kPatience = 10000;

// The file and the server that serves it, made at first use.
class Site {
 public:
  static Site& Get() {
    static Site site;
    return site;
  }
  bool Ready() const { return m_server && m_server->Started(); }
  std::string Url() const { return m_server->Url("/http.bin"); }

 private:
  Site() {
    const std::string folder = HV_BENCH_DATA_DIR;
    mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/http.bin";
    int descriptor = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    if (descriptor < 0) return;
    const bool sized = ftruncate(descriptor, static_cast<off_t>(kFileSize)) == 0;
    close(descriptor);
    if (sized) m_server.reset(new hvBenchHttpServer(folder));
  }

  std::unique_ptr<hvBenchHttpServer> m_server;
};

// The stream over the site's file, attached to `waiter`, which must outlive it. Null when the
// server does not answer.
hvStream* OpenStream(hvToolWaiter* waiter) {
  hvHttpStream* http = new hvHttpStream(hvCString(Site::Get().Url().c_str()));
  waiter->Attach(http);
  if (http->WaitForResponse(kPatience) != khvStreamingStatus_OK) {
    http->Delete();
    return nullptr;
  }
  return http;
}

// A take that waits for the stream's threshold signal while the bytes are on their way, up
// to kPatience per wait.
hvStreamingStatus Take(hvStream* stream, hvToolWaiter* waiter, unsigned char** data,
                       size_t* length) {
  const size_t wanted = *length;
  for (;;) {
    *length = wanted;
    hvStreamingStatus status = stream->PullTake(data, length, false);
    if (status != khvStreamingStatus_Pending) return status;
    if (!waiter->Wait(kPatience)) return status;
  }
}

uint64_t ReadAll(hvStream* stream, hvToolWaiter* waiter) {
  uint64_t total = 0;
  for (;;) {
    unsigned char* data = nullptr;
    size_t length = kPiece;
    hvStreamingStatus status = Take(stream, waiter, &data, &length);
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) break;
    benchmark::DoNotOptimize(data);
    total += length;
    if (stream->PullRelease(data, length) != khvStreamingStatus_OK || length == 0) break;
  }
  return total;
}

double ProcessSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Processor seconds and context switches, summed over the runs, per GiB.
void Report(benchmark::State& state, double cpu, double switches) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
  const double gib = static_cast<double>(state.iterations() * kFileSize) / kGiB;
  state.counters["cpu_s/GiB"] = cpu / gib;
  state.counters["switches/GiB"] = switches / gib;
}

void BM_ReadHulvo(benchmark::State& state) {
  if (!Site::Get().Ready()) return state.SkipWithError("lighttpd does not serve the file");
  double cpu = 0, switches = 0;
  for (auto _ : state) {
    hvToolWaiter waiter;
    hvStream* stream = OpenStream(&waiter);
    if (!stream) return state.SkipWithError("no response");
    const double start = ProcessSeconds();
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const uint64_t read = ReadAll(stream, &waiter);
    getrusage(RUSAGE_SELF, &after);
    cpu += ProcessSeconds() - start;
    switches +=
        static_cast<double>(after.ru_nvcsw + after.ru_nivcsw - before.ru_nvcsw - before.ru_nivcsw);
    stream->Delete();
    if (read != kFileSize) return state.SkipWithError("short read");
  }
  Report(state, cpu, switches);
}

void BM_ReadCurl(benchmark::State& state) {
  if (!Site::Get().Ready()) return state.SkipWithError("lighttpd does not serve the file");
  std::string url = Site::Get().Url();
  double cpu = 0, switches = 0;
  for (auto _ : state) {
    const char* argv[] = {"curl", "-s", "-o", "/dev/null", url.c_str(), nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      return state.SkipWithError("curl does not start");
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return state.SkipWithError("curl failed");
    cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    switches += static_cast<double>(usage.ru_nvcsw + usage.ru_nivcsw);
  }
  Report(state, cpu, switches);
}

// Each iteration seeks far from the last place (outside the ring) and waits for one byte.
void BM_SeekFirstByte(benchmark::State& state) {
  if (!Site::Get().Ready()) return state.SkipWithError("lighttpd does not serve the file");
  hvToolWaiter waiter;
  hvStream* stream = OpenStream(&waiter);
  if (!stream) return state.SkipWithError("no response");
  std::mt19937_64 random(7);
  for (auto _ : state) {
    if (stream->SeekBytes(random() % kFileSize) != khvStreamingStatus_OK)
      return state.SkipWithError("seek refused");
    unsigned char* data = nullptr;
    size_t length = 1;
    hvStreamingStatus status = Take(stream, &waiter, &data, &length);
    if (status != khvStreamingStatus_OK || length == 0)
      return state.SkipWithError("no byte after the seek");
    stream->PullRelease(data, 0);
  }
  stream->Delete();
  state.counters["lower_is_better"] = 1;
}

}  // namespace

// Three runs of each, interleaved, keep the program within its share of `make bench`.
BENCHMARK(BM_ReadHulvo)
    ->Name("http_read/hulvo")
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCurl)
    ->Name("http_read/curl")
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeekFirstByte)
    ->Name("http_seek_first_byte/hulvo")
    ->Iterations(200)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return hvBenchMain(argc, argv); }
