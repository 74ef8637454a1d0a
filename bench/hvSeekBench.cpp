// Time seeks through the library's seekers on about 1 GiB of MPEG-TS and of MP4 (H.264 and
// AAC), at random times over the whole duration: seeks per second, and the bytes each seek
// read ("bytes_per_seek"), over hvFileStream and over hvHttpStream from a loopback lighttpd.
// ffmpeg makes the media once, by encoding a 10-second clip and repeating it with stream
// copy, and it stays in the build folder for later runs. Linux only.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "hulvoStreaming/hvSeeker.h"
#include "hulvoStreaming/hvStream.h"
#include "hvBenchMain.h"
#if HV_BENCH_HTTP
#include "hulvoStreaming/hvHttp.h"
#include "hvBenchHttpServer.h"
#endif

namespace {

const uint64_t kTargetSize = uint64_t(1) << 30;
const char kFfmpeg[] = "ffmpeg -hide_banner -loglevel error -y -nostdin ";

struct Media {
  std::string name;     // in the data folder
  const char* profile;  // the DLNA profile a player would have been given
  uint64_t durationMs = 0;
};

uint64_t FileSize(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// The duration ffprobe reads from the container, in milliseconds; 0 when it reads none.
uint64_t ProbeDuration(const std::string& path) {
  const std::string command =
      "ffprobe -v error -show_entries format=duration -of csv=p=0 '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  double seconds = 0;
  if (fscanf(pipe, "%lf", &seconds) != 1) seconds = 0;
  pclose(pipe);
  return static_cast<uint64_t>(seconds * 1000);
}

// The clip repeated into `name` until it is about kTargetSize, unless an earlier run left it.
bool Make(const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name;
  if (FileSize(path) >= kTargetSize / 2) return true;
  const std::string clip = folder + "/clip.mp4";
  if (FileSize(clip) == 0 &&
      !Shell(std::string(kFfmpeg) +
             "-f lavfi -i testsrc=size=640x360:rate=25:duration=10 "
             "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -c:v libx264 "
             "-preset ultrafast -g 50 -bf 0 -b:v 8M -pix_fmt yuv420p -c:a aac -b:a 128k '" +
             clip + "'"))
    return false;
  const uint64_t loops = kTargetSize / FileSize(clip);
  const std::string format = name.substr(name.rfind('.') + 1) == "ts" ? "mpegts" : "mp4";
  return Shell(std::string(kFfmpeg) + "-stream_loop " + std::to_string(loops) + " -i '" + clip +
               "' -c copy -f " + format + " '" + path + ".part' && mv '" + path + ".part' '" +
               path + "'");
}

// The two media files, made at first use.
class Library {
 public:
  static Library& Get() {
    static Library library;
    return library;
  }
  const std::string& Folder() const { return m_folder; }
  // Null when ffmpeg could not make it.
  const Media* Find(const std::string& name) const {
    for (const Media& media : m_media)
      if (media.name == name && media.durationMs) return &media;
    return nullptr;
  }

 private:
  Library() : m_folder(HV_BENCH_DATA_DIR) {
    mkdir(m_folder.c_str(), 0755);
    for (Media& media : m_media)
      if (Make(m_folder, media.name)) media.durationMs = ProbeDuration(m_folder + "/" + media.name);
  }

  std::string m_folder;
  Media m_media[2] = {{"seek.ts", "AVC_TS_HD_EU_ISO"}, {"seek.mp4", "AVC_MP4_MP_SD_AAC_MULT5"}};
};

// One seek per iteration, to a random time; the stream is the caller's and deleted here.
// `waitMs`: how long each read may wait for bytes still on their way.
void Seek(benchmark::State& state, const Media& media, hvStream* stream, uint32_t waitMs) {
  hvMediaInfo* info = new hvMediaInfo;
  info->Set("dl", (std::string("DLNA.ORG_PN=") + media.profile).c_str(), true);
  stream->SetInfo(info);
  hvSeekerManager* manager = hvSeekerManager_Create();
  std::mt19937_64 random(11);
  uint64_t bytes = 0;
  for (auto _ : state) {
    hvSeekResult result;
    hvStreamingStatus status =
        hvSeeker_SeekTimeWaiting(manager, stream, random() % media.durationMs, waitMs, &result);
    if (status != khvStreamingStatus_OK && status != khvStreamingStatus_EndOfStream) {
      state.SkipWithError("a seek failed");
      break;
    }
    bytes += result.bytesRead;
  }
  delete manager;
  stream->Delete();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["bytes_per_seek"] =
      static_cast<double>(bytes) / static_cast<double>(std::max<uint64_t>(1, state.iterations()));
}

void BM_SeekFile(benchmark::State& state, const char* name) {
  const Media* media = Library::Get().Find(name);
  if (!media) return state.SkipWithError("ffmpeg could not make the media");
  const std::string path = Library::Get().Folder() + "/" + name;
  hvFile* file = new hvFile;
  if (!file->Open(path.c_str())) {
    delete file;
    return state.SkipWithError("cannot open the media");
  }
  Seek(state, *media,
       new hvFileStream(nullptr, file, hvCString("application/octet-stream"),
                        hvCString(path.c_str())),
       0);
}

#if HV_BENCH_HTTP

// As hvstream seek reads a URL: a small ring, since every probe is a new range request.
const size_t kBlock = 32 * 1024;
const size_t kBlocks = 4;
const uint32_t kPatience = 10000;

void BM_SeekHttp(benchmark::State& state, const char* name) {
  const Media* media = Library::Get().Find(name);
  if (!media) return state.SkipWithError("ffmpeg could not make the media");
  static hvBenchHttpServer server(Library::Get().Folder());
  if (!server.Started()) return state.SkipWithError("lighttpd does not start");
  hvHttpStream* http =
      new hvHttpStream(hvCString(server.Url(std::string("/") + name).c_str()), kBlock, kBlocks);
  if (http->WaitForResponse(kPatience) != khvStreamingStatus_OK) {
    http->Delete();
    return state.SkipWithError("no response");
  }
  Seek(state, *media, http, kPatience);
}

#endif

}  // namespace

BENCHMARK_CAPTURE(BM_SeekFile, ts, "seek.ts")->Name("seek_mpegts_file/hulvo");
BENCHMARK_CAPTURE(BM_SeekFile, mp4, "seek.mp4")->Name("seek_mp4_file/hulvo");
#if HV_BENCH_HTTP
BENCHMARK_CAPTURE(BM_SeekHttp, ts, "seek.ts")->Name("seek_mpegts_http/hulvo")->UseRealTime();
BENCHMARK_CAPTURE(BM_SeekHttp, mp4, "seek.mp4")->Name("seek_mp4_http/hulvo")->UseRealTime();
#endif

int main(int argc, char** argv) { return hvBenchMain(argc, argv); }
