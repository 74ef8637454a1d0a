// Sequential reading of a 256 MiB file from the page cache in 64 KiB pieces: through
// hvFileStream PullTake/PullRelease (default 2 x 128 KiB ring, one top-up per take) beside
// plain read() of the same pieces, in bytes per second. The file is written once into a
// temporary folder, read once to warm the cache, and removed at exit. POSIX only: plain
// read() is the yardstick (the build leaves this program out elsewhere).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hulvoStreaming/hvStream.h"
#include "hvBenchMain.h"

namespace {

const size_t kPiece = 64 * 1024;
const size_t kFileSize = size_t(256) << 20;

uint64_t Mix(uint64_t word) { return (word + 1) * 0x9E3779B97F4A7C15ull; }

// The file and its folder, created at first use and removed at exit.
class BenchFile {
 public:
  static BenchFile& Get() {
    static BenchFile file;
    return file;
  }
  const std::string& Path() const { return m_path; }
  bool Ready() const { return m_ready; }
  // Sum of the file's 64-bit words, each mixed with its index: what a full read must see.
  uint64_t Expected() const { return m_expected; }

 private:
  BenchFile() {
    const char* base = getenv("TMPDIR");
    std::string folder = std::string(base && *base ? base : "/tmp") + "/hvFileStreamBench.XXXXXX";
    std::vector<char> name(folder.begin(), folder.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) return;
    m_folder = name.data();
    m_path = m_folder + "/stream.bin";
    int descriptor = open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (descriptor < 0) return;
    std::vector<uint64_t> piece(kPiece / 8);
    uint64_t index = 0;
    bool written = true;
    for (size_t done = 0; done < kFileSize && written; done += kPiece) {
      for (uint64_t& word : piece) {
        word = Mix(index);
        m_expected += Mix(word ^ index);
        ++index;
      }
      written = write(descriptor, piece.data(), kPiece) == static_cast<ssize_t>(kPiece);
    }
    // Written back before anything is timed, so no flushing competes with the reads.
    written = written && fsync(descriptor) == 0;
    close(descriptor);
    m_ready = written;
  }
  ~BenchFile() {
    if (!m_path.empty()) unlink(m_path.c_str());
    if (!m_folder.empty()) rmdir(m_folder.c_str());
  }

  std::string m_folder;
  std::string m_path;
  uint64_t m_expected = 0;
  bool m_ready = false;
};

uint64_t SumWords(const unsigned char* data, size_t length, uint64_t* index) {
  uint64_t sum = 0;
  for (size_t i = 0; i + 8 <= length; i += 8) {
    uint64_t word;
    memcpy(&word, data + i, 8);
    sum += Mix(word ^ (*index)++);
  }
  return sum;
}

// Reads the whole file through the stream; with `check`, sums every byte as well.
size_t ReadThroughStream(const std::string& path, bool check, uint64_t* sum) {
  hvFile* file = new hvFile;
  file->Open(path.c_str());
  hvFileStream* stream = new hvFileStream(nullptr, file, hvCString("application/octet-stream"),
                                          hvCString(path.c_str()));
  size_t total = 0;
  uint64_t index = 0;
  for (;;) {
    unsigned char* data = nullptr;
    size_t length = kPiece;
    hvStreamingStatus status = stream->PullTake(&data, &length, false);
    if (length == 0) break;
    if (check) *sum += SumWords(data, length, &index);
    benchmark::DoNotOptimize(data);
    stream->PullRelease(data, length);
    total += length;
    if (status != khvStreamingStatus_OK) break;
  }
  stream->Delete();
  return total;
}

size_t ReadPlain(const std::string& path, bool check, uint64_t* sum) {
  static std::vector<unsigned char> piece(kPiece);
  int descriptor = open(path.c_str(), O_RDONLY);
  if (descriptor < 0) return 0;
  size_t total = 0;
  uint64_t index = 0;
  for (;;) {
    ssize_t count = read(descriptor, piece.data(), kPiece);
    if (count <= 0) break;
    if (check) *sum += SumWords(piece.data(), static_cast<size_t>(count), &index);
    benchmark::DoNotOptimize(piece.data());
    total += static_cast<size_t>(count);
  }
  close(descriptor);
  return total;
}

// Timed runs do not touch the bytes (that would only dilute the difference being measured);
// one untimed read first proves that every byte arrives in order.
template <size_t (*Read)(const std::string&, bool, uint64_t*)>
void BM_Read(benchmark::State& state) {
  BenchFile& file = BenchFile::Get();
  if (!file.Ready()) {
    state.SkipWithError("cannot write the temporary file");
    return;
  }
  uint64_t sum = 0;
  if (Read(file.Path(), true, &sum) != kFileSize || sum != file.Expected()) {
    state.SkipWithError("the bytes read differ from the file");
    return;
  }
  hvProcessCpuClock cpu;
  for (auto _ : state) {
    uint64_t unused = 0;
    if (Read(file.Path(), false, &unused) != kFileSize) {
      state.SkipWithError("short read");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kFileSize));
  cpu.Report(state, static_cast<double>(state.iterations()) * static_cast<double>(kFileSize));
}

void BM_ReadHvFileStream(benchmark::State& state) { BM_Read<ReadThroughStream>(state); }
void BM_ReadPlainRead(benchmark::State& state) { BM_Read<ReadPlain>(state); }

}  // namespace

BENCHMARK(BM_ReadHvFileStream)
    ->Name("file_read_64k/hulvo")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ReadPlainRead)
    ->Name("file_read_64k/read")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) { return hvBenchMain(argc, argv); }
