// Parsing protocolInfo lists and writing them back, in list texts per second (and entries per
// second). The lists are the shared corpus when it is there (the folder named by
// HV_CORPUS_DIR, as for the tests, else the shared folder beside the project), else a
// built-in set of lists as media servers and renderers announce them.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"

namespace {

const char* const kBuiltInLists[] = {
    // A media server's source list.
    "http-get:*:audio/"
    "mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01700000000000000000000000000000,"
    "http-get:*:audio/L16;rate=44100;channels=2:DLNA.ORG_PN=LPCM;DLNA.ORG_OP=01,"
    "http-get:*:audio/mp4:DLNA.ORG_PN=AAC_ISO_320;DLNA.ORG_OP=01;DLNA.ORG_CI=0,"
    "http-get:*:image/"
    "jpeg:DLNA.ORG_PN=JPEG_TN;DLNA.ORG_OP=01;DLNA.ORG_FLAGS=00D00000000000000000000000000000,"
    "http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_SM,http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_MED,"
    "http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_LRG,http-get:*:image/png:DLNA.ORG_PN=PNG_LRG,"
    "http-get:*:video/"
    "mpeg:DLNA.ORG_PN=MPEG_PS_PAL;DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01700000000000000000000000000000,"
    "http-get:*:video/vnd.dlna.mpeg-tts:DLNA.ORG_PN=AVC_TS_HD_50_AC3_T;DLNA.ORG_OP=01,"
    "http-get:*:video/mp4:DLNA.ORG_PN=AVC_MP4_MP_SD_AAC_MULT5;DLNA.ORG_OP=01,"
    "http-get:*:video/x-matroska:*,http-get:*:video/x-msvideo:*,http-get:*:text/srt:*",
    // A renderer's sink list.
    "http-get:*:audio/mpeg:*,http-get:*:audio/x-flac:*,http-get:*:audio/flac:*,"
    "http-get:*:audio/wav:*,http-get:*:audio/x-wav:*,http-get:*:audio/L16;rate=44100;channels=2:*,"
    "http-get:*:audio/L16;rate=48000;channels=2:*,http-get:*:audio/aac:*,http-get:*:audio/mp4:*,"
    "http-get:*:audio/x-ms-wma:DLNA.ORG_PN=WMABASE,http-get:*:audio/x-ms-wma:DLNA.ORG_PN=WMAFULL,"
    "http-get:*:audio/ogg:*,http-get:*:application/ogg:*,http-get:*:video/mp4:*,"
    "http-get:*:video/x-matroska:*,http-get:*:image/jpeg:*,http-get:*:image/png:*",
    // Streaming and protected entries.
    "rtsp-rtp-udp:*:video/mpeg:DLNA.ORG_PN=MPEG_TS_SD_NA;DLNA.ORG_OP=10;DLNA.ORG_PS=-2\\,-1\\,1/"
    "2\\,2;"
    "DLNA.ORG_MAXSP=2.5,"
    "http-get:*:application/x-dtcp1;DTCP1HOST=192.168.0.10;DTCP1PORT=8000;CONTENTFORMAT=\"video/"
    "mpeg\":"
    "DLNA.ORG_PN=DTCP_MPEG_PS_NTSC;DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01718000000000000000000000000000,"
    "http-get:*:audio/x-ms-wma:DLNA.ORG_PN=WMDRM_WMABASE;DLNA.ORG_OP=10;MICROSOFT.COM_PN=WMABASE,"
    "playsingle-http-get:*:audio/mpeg:DLNA.ORG_OP=01,internal:192.168.1.4:audio/x-ms-wma:*",
    "http-get:*:*:*",
};

// The project folder, from this file's own path (bench/ lies directly below it).
std::string ProjectFolder() {
  std::string path = __FILE__;
  for (int level = 0; level < 2; ++level) {
    size_t slash = path.find_last_of("/\\");
    path.erase(slash == std::string::npos ? 0 : slash);
  }
  return path.empty() ? "." : path;
}

std::string CorpusFile(const char* name) {
  const char* folder = getenv("HV_CORPUS_DIR");
  std::string base = folder && *folder ? folder : ProjectFolder() + "/../shared/corpus";
  return base + "/" + name;
}

std::vector<std::string> LoadLists() {
  std::vector<std::string> lists;
  std::ifstream in(CorpusFile("protocolinfo-lists.txt"), std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lists.push_back(line);
  }
  if (lists.empty()) lists.assign(std::begin(kBuiltInLists), std::end(kBuiltInLists));
  return lists;
}

const std::vector<std::string>& Lists() {
  static const std::vector<std::string> lists = LoadLists();
  return lists;
}

size_t CountEntries() {
  size_t entries = 0;
  for (const std::string& text : Lists()) {
    hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(text.c_str());
    entries += hvProtocolInfoList_GetCount(list);
    hvProtocolInfoList_Free(list);
  }
  return entries;
}

void Count(benchmark::State& state) {
  static const size_t entries = CountEntries();
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Lists().size()));
  state.counters["lists"] = static_cast<double>(Lists().size());
  state.counters["entries/s"] =
      benchmark::Counter(static_cast<double>(entries) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void ParseList(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& text : Lists()) {
      hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(text.c_str());
      benchmark::DoNotOptimize(list);
      hvProtocolInfoList_Free(list);
    }
  }
  Count(state);
}
BENCHMARK(ParseList);

// The whole round a control point makes with a device's list: read it, write it for a list.
void ParseAndWriteList(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& text : Lists()) {
      hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(text.c_str());
      char* written = hvProtocolInfoList_ToString(list, khvProtocolInfo_WriteForList);
      benchmark::DoNotOptimize(written);
      hvMemory_Free(written);
      hvProtocolInfoList_Free(list);
    }
  }
  Count(state);
}
BENCHMARK(ParseAndWriteList);

}  // namespace

BENCHMARK_MAIN();
