// Parsing protocolInfo texts and writing them back, single texts (texts per second) and
// whole device lists (lists per second), beside gupnp-av on the same texts. The texts are the
// shared corpus when it is there (see hvBenchCorpus.h), else a built-in set of lists as media
// servers and renderers announce them, and their entries as the single texts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"
#include "hvBenchAllocations.h"
#include "hvBenchCorpus.h"
#include "hvBenchMain.h"

#if HV_HAVE_GUPNP_AV
#include <libgupnp-av/gupnp-protocol-info.h>
#endif

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

// Calls each(text, length) for every entry of a ','-separated list; a ',' behind a backslash
// belongs to its entry (DLNA.ORG_PS=-2\,-1), and empty entries are skipped.
template <class Each>
void ForEachEntry(const std::string& list, Each each) {
  size_t start = 0;
  for (size_t comma = list.find(',');; comma = list.find(',', comma + 1)) {
    if (comma != std::string::npos && comma > 0 && list[comma - 1] == '\\') continue;
    size_t end = comma == std::string::npos ? list.size() : comma;
    if (end > start) each(list.data() + start, end - start);
    if (comma == std::string::npos) return;
    start = comma + 1;
  }
}

const std::vector<std::string>& Lists() {
  static const std::vector<std::string> lists =
      hvBenchCorpusLines("protocolinfo-lists.txt", kBuiltInLists);
  return lists;
}

const std::vector<std::string>& Singles() {
  static const std::vector<std::string> singles = [] {
    std::vector<std::string> texts = hvBenchCorpusLines("protocolinfo.txt");
    if (texts.empty()) {
      for (const char* list : kBuiltInLists)
        ForEachEntry(list,
                     [&](const char* text, size_t length) { texts.emplace_back(text, length); });
    }
    return texts;
  }();
  return singles;
}

// A work function handles one text and returns what it found in it: 1 or 0 for a single text
// (accepted or not), the entries it read for a list. The timed loop ignores it; the untimed
// pass that counts allocations sums it into a counter, so a difference in results between
// the two sides shows in the report.
using Work = size_t (*)(const std::string&);

template <Work work>
void OverTexts(benchmark::State& state, const std::vector<std::string>& texts, const char* found) {
  for (auto _ : state) {
    for (const std::string& text : texts) benchmark::DoNotOptimize(work(text));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
  state.counters["texts"] = static_cast<double>(texts.size());
  size_t total = 0;
  hvBenchReportAllocations(state, texts.size(), [&] {
    for (const std::string& text : texts) total += work(text);
  });
  state.counters[found] = static_cast<double>(total);
}

template <Work work>
void OverSingles(benchmark::State& state) {
  OverTexts<work>(state, Singles(), "accepted");
}

template <Work work>
void OverLists(benchmark::State& state) {
  OverTexts<work>(state, Lists(), "entries");
}

// --- hulvoStreaming ---------------------------------------------------------------------

size_t HvParse(const std::string& text) {
  hvProtocolInfo* record = hvProtocolInfo_Parse(text.data(), text.size());
  size_t valid = record->valid ? 1 : 0;
  hvProtocolInfo_Free(record);
  return valid;
}

size_t HvParseWrite(const std::string& text) {
  hvProtocolInfo* record = hvProtocolInfo_Parse(text.data(), text.size());
  size_t valid = record->valid ? 1 : 0;
  char* written = hvProtocolInfo_ToString(record);
  benchmark::DoNotOptimize(written);
  hvMemory_Free(written);
  hvProtocolInfo_Free(record);
  return valid;
}

size_t HvParseList(const std::string& text) {
  hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(text.c_str());
  size_t entries = hvProtocolInfoList_GetCount(list);
  hvProtocolInfoList_Free(list);
  return entries;
}

// The whole round a control point makes with a device's list: read it, write it for a list.
size_t HvParseWriteList(const std::string& text) {
  hvProtocolInfoList* list = hvProtocolInfoList_CreateFromText(text.c_str());
  size_t entries = hvProtocolInfoList_GetCount(list);
  char* written = hvProtocolInfoList_ToString(list, khvProtocolInfo_WriteForList);
  benchmark::DoNotOptimize(written);
  hvMemory_Free(written);
  hvProtocolInfoList_Free(list);
  return entries;
}

BENCHMARK(OverSingles<HvParse>)->Name("protocolinfo_parse/hulvo");
BENCHMARK(OverSingles<HvParseWrite>)->Name("protocolinfo_parse_write/hulvo");
BENCHMARK(OverLists<HvParseList>)->Name("protocolinfo_list_parse/hulvo");
BENCHMARK(OverLists<HvParseWriteList>)->Name("protocolinfo_list_parse_write/hulvo");

#if HV_HAVE_GUPNP_AV
// --- gupnp-av -----------------------------------------------------------------------------
// gupnp-av reads one protocolInfo at a time; a list is split as a careful user of it would:
// at the commas that are not escaped, each entry copied into one reused buffer for its
// terminator (no allocation of the splitting's own), then parsed.

GUPnPProtocolInfo* GupnpParse(const char* text) {
  GError* error = nullptr;
  GUPnPProtocolInfo* info = gupnp_protocol_info_new_from_string(text, &error);
  if (!info) g_clear_error(&error);
  return info;
}

size_t GupnpParseOnly(const std::string& text) {
  GUPnPProtocolInfo* info = GupnpParse(text.c_str());
  if (!info) return 0;
  g_object_unref(info);
  return 1;
}

size_t GupnpParseWrite(const std::string& text) {
  GUPnPProtocolInfo* info = GupnpParse(text.c_str());
  if (!info) return 0;
  char* written = gupnp_protocol_info_to_string(info);
  benchmark::DoNotOptimize(written);
  g_free(written);
  g_object_unref(info);
  return 1;
}

std::string& EntryBuffer() {
  static std::string entry;
  return entry;
}

size_t GupnpParseList(const std::string& text) {
  size_t entries = 0;
  ForEachEntry(text, [&](const char* start, size_t length) {
    EntryBuffer().assign(start, length);
    entries += GupnpParseOnly(EntryBuffer());
  });
  return entries;
}

size_t GupnpParseWriteList(const std::string& text) {
  static std::string joined;
  joined.clear();
  size_t entries = 0;
  ForEachEntry(text, [&](const char* start, size_t length) {
    EntryBuffer().assign(start, length);
    GUPnPProtocolInfo* info = GupnpParse(EntryBuffer().c_str());
    if (!info) return;
    ++entries;
    char* written = gupnp_protocol_info_to_string(info);
    if (!joined.empty()) joined += ',';
    joined += written;
    g_free(written);
    g_object_unref(info);
  });
  benchmark::DoNotOptimize(joined.data());
  return entries;
}

BENCHMARK(OverSingles<GupnpParseOnly>)->Name("protocolinfo_parse/gupnp-av");
BENCHMARK(OverSingles<GupnpParseWrite>)->Name("protocolinfo_parse_write/gupnp-av");
BENCHMARK(OverLists<GupnpParseList>)->Name("protocolinfo_list_parse/gupnp-av");
BENCHMARK(OverLists<GupnpParseWriteList>)->Name("protocolinfo_list_parse_write/gupnp-av");
#endif

}  // namespace

int main(int argc, char** argv) {
#if HV_HAVE_GUPNP_AV
  hvBenchAllocations_SeeGlibSlices(argv);
#else
  fprintf(stderr, "hvProtocolInfoBench: built without gupnp-av, its side is skipped\n");
#endif
  return hvBenchMain(argc, argv);
}
