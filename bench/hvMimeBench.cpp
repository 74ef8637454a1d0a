// Parsing MIME texts and writing them back, in texts per second, beside GMime's Content-Type
// parser on the same texts. The texts are the shared corpus when it is there (see
// hvBenchCorpus.h), else a built-in set of types as media servers and renderers send them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvMimeType.h"
#include "hvBenchAllocations.h"
#include "hvBenchCorpus.h"
#include "hvBenchMain.h"

#if HV_HAVE_GMIME
#include <gmime/gmime.h>
#endif

namespace {

const char* const kBuiltInTypes[] = {
    "audio/mpeg",
    "audio/L16;rate=44100;channels=2",
    "audio/L16; rate=48000; channels=1",
    "video/mp4",
    "video/vnd.dlna.mpeg-tts",
    "image/jpeg",
    "text/xml; charset=\"utf-8\"",
    "application/x-dtcp1;DTCP1HOST=192.168.0.10;DTCP1PORT=8000;CONTENTFORMAT=\"video/mpeg\"",
    "audio/x-ms-wma",
    "application/ogg",
    "multipart/byteranges; boundary=3d6b6a416f9b5",
    "text/html;charset=ISO-8859-1",
};

const std::vector<std::string>& Types() {
  static const std::vector<std::string> types = hvBenchCorpusLines("mime.txt", kBuiltInTypes);
  return types;
}

using Work = void (*)(const std::string&);

template <Work work>
void OverTypes(benchmark::State& state) {
  const std::vector<std::string>& types = Types();
  for (auto _ : state) {
    for (const std::string& text : types) work(text);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(types.size()));
  state.counters["texts"] = static_cast<double>(types.size());
  hvBenchReportAllocations(state, types.size(), [&] {
    for (const std::string& text : types) work(text);
  });
}

void HvParseWrite(const std::string& text) {
  hvMimeType* mime = hvMimeType_Parse(text.c_str());
  char* written = hvMimeType_ToString(mime);
  benchmark::DoNotOptimize(written);
  hvMemory_Free(written);
  hvMimeType_Free(mime);
}
BENCHMARK(OverTypes<HvParseWrite>)->Name("mime_parse_write/hulvo");

#if HV_HAVE_GMIME
// The header value GMime would write back, parameters included.
void GmimeParseWrite(const std::string& text) {
  GMimeContentType* type = g_mime_content_type_parse(nullptr, text.c_str());
  char* written = g_mime_content_type_encode(type, nullptr);
  benchmark::DoNotOptimize(written);
  g_free(written);
  g_object_unref(type);
}
BENCHMARK(OverTypes<GmimeParseWrite>)->Name("mime_parse_write/gmime");
#endif

}  // namespace

int main(int argc, char** argv) {
#if HV_HAVE_GMIME
  hvBenchAllocations_SeeGlibSlices(argv);
  g_mime_init();
#else
  fprintf(stderr, "hvMimeBench: built without GMime, its side is skipped\n");
#endif
  return hvBenchMain(argc, argv);
}
