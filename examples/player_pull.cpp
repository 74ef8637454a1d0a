// A player-style pull loop: read a file through hvFileStream, block by block, in place.
//
//   player_pull [FILE]      (without FILE, a sample file is written and read back)
//
// The reader takes a block (PullTake), uses it where it lies, and gives it back
// (PullRelease). When a take has nothing yet, the reader waits on the stream's threshold
// signal instead of spinning: DefaultThresholdCallBack, registered on the stream, wakes
// DefaultThresholdWait.
#include <hulvoStreaming/hulvoStreaming.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A checksum a player would replace by its decoder.
uint32_t Mix(uint32_t sum, const unsigned char* data, size_t length) {
  for (size_t i = 0; i < length; ++i) sum = (sum ^ data[i]) * 16777619u;
  return sum;
}

std::string WriteSample(uint32_t* expected) {
  std::string path = (std::filesystem::temp_directory_path() / "hv-player-sample.bin").string();
  std::string bytes(3 * 1000 * 1000 + 17, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + (i >> 10));
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  *expected = Mix(2166136261u, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t expected = 0;
  bool sample = argc < 2;
  std::string path = sample ? WriteSample(&expected) : argv[1];

  hvFile* file = new hvFile;
  if (!file->Open(path.c_str())) {
    fprintf(stderr, "player_pull: cannot open %s\n", path.c_str());
    delete file;
    return 1;
  }
  // The stream owns the file; with no buffer given it reads ahead through a 2 x 128 KiB ring.
  hvStream* stream = new hvFileStream(nullptr, file, "application/octet-stream", path.c_str());
  stream->PushThresholdCallBack(hvStream::DefaultThresholdCallBack, stream);

  uint32_t sum = 2166136261u;
  uint64_t total = 0;
  hvStreamingStatus status;
  do {
    unsigned char* block = nullptr;
    size_t length = 64 * 1024;  // what we would like; the stream may hand out less
    status = stream->PullTake(&block, &length, false);
    if (status == khvStreamingStatus_OK && length == 0) {
      stream->DefaultThresholdWait();  // nothing ready yet: wait for the threshold signal
      continue;
    }
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) break;
    sum = Mix(sum, block, length);  // used in place, no copy
    total += length;
    stream->PullRelease(block, length);
  } while (status != khvStreamingStatus_EndOfStream);

  stream->PopThresholdCallBack(hvStream::DefaultThresholdCallBack);
  stream->Delete();  // also closes the file
  if (sample) std::filesystem::remove(path);

  printf("read %llu bytes, checksum %08x\n", static_cast<unsigned long long>(total), sum);
  if (status != khvStreamingStatus_EndOfStream) {
    fprintf(stderr, "player_pull: read failed with status %d\n", static_cast<int>(status));
    return 1;
  }
  return sample && sum != expected ? 1 : 0;
}
