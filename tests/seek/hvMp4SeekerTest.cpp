// The MP4 seeker over files built box by box, where every sample's place is known: one
// table row per way a box or a sample table can be damaged. Each answer is the documented
// status or the nearest sound sample, and nothing is read outside the file.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "hvSeekBuilt.h"

namespace {

const uint32_t kSampleBytes = 50;

std::string Box(const char* type, const std::string& payload) {
  return hvSeekBE(8 + payload.size(), 4) + type + payload;
}
std::string FullBox(const char* type, const std::string& payload, int version = 0) {
  return Box(type, hvSeekBE(uint32_t(version) << 24, 4) + payload);
}
std::string Words(const std::vector<uint32_t>& words) {
  std::string out;
  for (uint32_t word : words) out += hvSeekBE(word, 4);
  return out;
}

// A one-track file: 100 samples of 50 bytes and 40 ms, chunks of 10, a key every 25.
struct Mp4 {
  const char* handler = "vide";
  uint32_t timescale = 1000;
  int mdhdVersion = 0;
  std::vector<uint32_t> stts{100, 40};  // count, delta
  bool hasStss = true;
  std::vector<uint32_t> stss{1, 26, 51, 76};
  std::vector<uint32_t> stsc{1, 10, 1};  // first chunk, samples per chunk, description
  uint32_t chunks = 10;
  bool co64 = false;
  uint64_t chunkOffsetBias = 0;  // added to every chunk offset
  uint32_t sampleSize = 0;       // nonzero: every sample has this size, no size entries
  bool hasEdit = false;
  int elstVersion = 0;
  uint32_t editMediaTime = 0;  // after one empty edit
  bool moovFirst = true;
  int mdatSizeKind = 0;  // 0: plain, 1: 64-bit size, 2: size 0 (to the end of the file)
  std::string before;    // boxes before the moov

  std::string Moov(uint64_t data) const {
    std::string tables = FullBox("stts", Words({uint32_t(stts.size() / 2)}) + Words(stts));
    if (hasStss) tables += FullBox("stss", Words({uint32_t(stss.size())}) + Words(stss));
    tables += FullBox("stsc", Words({uint32_t(stsc.size() / 3)}) + Words(stsc));
    std::string offsets = hvSeekBE(chunks, 4);
    for (uint32_t c = 0; c < chunks; ++c)
      offsets += hvSeekBE(data + chunkOffsetBias + c * 10 * kSampleBytes, co64 ? 8 : 4);
    tables += FullBox(co64 ? "co64" : "stco", offsets);
    std::string sizes = hvSeekBE(sampleSize, 4) + hvSeekBE(sampleSize ? 0 : 100, 4);
    for (int s = 0; s < 100 && !sampleSize; ++s) sizes += hvSeekBE(kSampleBytes, 4);
    tables += FullBox("stsz", sizes);
    const std::string mdhd =
        mdhdVersion == 1 ? std::string(16, '\0') + hvSeekBE(timescale, 4) + hvSeekBE(4000, 8)
                         : hvSeekBE(0, 8) + hvSeekBE(timescale, 4) + hvSeekBE(4000, 4);
    const int wide = elstVersion == 1 ? 8 : 4;
    const std::string edts =
        Box("edts", FullBox("elst",
                            hvSeekBE(2, 4) + hvSeekBE(100, wide) + hvSeekBE(~0ull, wide) +
                                hvSeekBE(1 << 16, 4) + hvSeekBE(4000, wide) +
                                hvSeekBE(editMediaTime, wide) + hvSeekBE(1 << 16, 4),
                            elstVersion));
    const std::string mdia =
        Box("mdia", FullBox("hdlr", hvSeekBE(0, 4) + handler + std::string(13, '\0')) +
                        FullBox("mdhd", mdhd + hvSeekBE(0, 4), mdhdVersion) +
                        Box("minf", Box("stbl", tables)));
    return Box("moov", Box("trak", (hasEdit ? edts : "") + mdia));
  }

  // The file, and where its first sample starts.
  std::string Build(uint64_t* data) const {
    const std::string ftyp = Box("ftyp", "isom" + hvSeekBE(0, 4) + "isom");
    const std::string payload(100 * kSampleBytes, '\x33');
    const std::string mdatHeader = mdatSizeKind == 1
                                       ? hvSeekBE(1, 4) + "mdat" + hvSeekBE(16 + payload.size(), 8)
                                   : mdatSizeKind == 2 ? hvSeekBE(0, 4) + "mdat"
                                                       : hvSeekBE(8 + payload.size(), 4) + "mdat";
    const uint64_t head = ftyp.size() + before.size();
    const uint64_t moovSize = Moov(0).size();
    *data = head + mdatHeader.size() + (moovFirst ? moovSize : 0);
    const std::string moov = Moov(*data);
    // A box of size 0 runs to the end of the file, so it can only come last.
    return moovFirst || mdatSizeKind == 2 ? ftyp + before + moov + mdatHeader + payload
                                          : ftyp + before + mdatHeader + payload + moov;
  }
};

struct Case {
  const char* situation;
  std::function<void(Mp4&)> tweak;
  std::function<void(std::string&)> damage;  // on the built bytes; may be empty
  int64_t value;                             // ms, or a byte offset from the first sample
  bool isTime;
  hvStreamingStatus status;
  int sample;  // where the answer must be, -1: not checked
};

void Check(const Case& row) {
  Mp4 mp4;
  if (row.tweak) row.tweak(mp4);
  uint64_t data;
  std::string bytes = mp4.Build(&data);
  if (row.damage) row.damage(bytes);
  hvSeekRequest request{"AVC_MP4_MP_SD_AAC_MULT5", "video/mp4",
                        uint64_t(row.isTime ? row.value : int64_t(data) + row.value), row.isTime};
  hvSeekResult result;
  EXPECT_EQ(hvSeekInMemory(bytes, request, &result), row.status) << row.situation;
  if (row.sample >= 0) {
    EXPECT_EQ(result.bytePos, data + uint64_t(row.sample) * kSampleBytes) << row.situation;
  }
}

const hvStreamingStatus kOK = khvStreamingStatus_OK, kEnd = khvStreamingStatus_EndOfStream,
                        kError = khvStreamingStatus_Error;

TEST(hvMp4SeekerTest, SoundTablesInEveryLayout) {
  const Case cases[] = {
      {"plain", nullptr, nullptr, 2100, true, kOK, 50},
      {"moov after mdat", [](Mp4& m) { m.moovFirst = false; }, nullptr, 2100, true, kOK, 50},
      {"64-bit mdat size", [](Mp4& m) { m.mdatSizeKind = 1; }, nullptr, 2100, true, kOK, 50},
      {"mdat running to the end",
       [](Mp4& m) {
         m.mdatSizeKind = 2;
         m.moovFirst = false;
       },
       nullptr, 2100, true, kOK, 50},
      {"64-bit chunk offsets", [](Mp4& m) { m.co64 = true; }, nullptr, 2100, true, kOK, 50},
      {"one size for all samples", [](Mp4& m) { m.sampleSize = kSampleBytes; }, nullptr, 2180, true,
       kOK, 50},
      {"every sample a key", [](Mp4& m) { m.hasStss = false; }, nullptr, 2180, true, kOK, 54},
      {"sound track", [](Mp4& m) { m.handler = "soun"; }, nullptr, 2100, true, kOK, 50},
      {"version 1 media header", [](Mp4& m) { m.mdhdVersion = 1; }, nullptr, 2100, true, kOK, 50},
      {"time-to-sample runs of 50 x 40 and 50 x 20 ticks",
       [](Mp4& m) { m.stts = {0, 7, 50, 40, 50, 20}; }, nullptr, 2500, true, kOK, 75},
      {"a run without duration is stepped over",
       [](Mp4& m) {
         m.stts = {10, 0, 90, 40};
         m.hasStss = false;
       },
       nullptr, 400, true, kOK, 20},
      {"edit list starting 400 ms in",
       [](Mp4& m) {
         m.hasEdit = true;
         m.editMediaTime = 400;
         m.hasStss = false;
       },
       nullptr, 1700, true, kOK, 52},
      {"64-bit edit list",
       [](Mp4& m) {
         m.hasEdit = true;
         m.elstVersion = 1;
         m.editMediaTime = 400;
         m.hasStss = false;
       },
       nullptr, 1700, true, kOK, 52},
      // Sample 24 is the first of the fifth chunk, which starts 40 samples' bytes in.
      {"chunk runs of 2 x 10 then 8 x 2",
       [](Mp4& m) {
         m.stsc = {1, 10, 1, 3, 2, 1};
         m.hasStss = false;
       },
       nullptr, 960, true, kOK, 40},
      {"before any sync sample the sample itself",
       [](Mp4& m) {
         m.stss = {30, 60};
       },
       nullptr, 400, true, kOK, 10},
      {"past the last sample", nullptr, nullptr, 9000, true, kEnd, 75},
      {"byte offset inside a sample", nullptr, nullptr, 52 * kSampleBytes + 7, false, kOK, 52},
      {"byte offset with one size for all", [](Mp4& m) { m.sampleSize = kSampleBytes; }, nullptr,
       52 * kSampleBytes + 7, false, kOK, 52},
      {"byte offset before the first chunk", nullptr, nullptr, -10, false, kOK, 0},
      {"byte offset at a chunk start, one size for all",
       [](Mp4& m) { m.sampleSize = kSampleBytes; }, nullptr, 50 * kSampleBytes, false, kOK, 50},
      {"byte offset with 64-bit chunk offsets", [](Mp4& m) { m.co64 = true; }, nullptr,
       52 * kSampleBytes + 7, false, kOK, 52},
      // Chunk 6 (the sixth run of two) holds samples 26 and 27 and starts 50 samples' bytes in.
      {"byte offset in a later chunk run", [](Mp4& m) { m.stsc = {1, 10, 1, 3, 2, 1}; }, nullptr,
       51 * kSampleBytes + 7, false, kOK, 51},
      {"only an empty edit", [](Mp4& m) { m.hasEdit = true; },
       [](std::string& b) { hvSeekPatch(&b, "elst", 8, 1, 4); }, 2100, true, kOK, 50},
      {"an edit box without its list", [](Mp4& m) { m.hasEdit = true; },
       [](std::string& b) { hvSeekPatch(&b, "elst", 0, 0x6672, 2); }, 2100, true, kOK, 50},
      {"no time-to-sample entries: past the end", [](Mp4& m) { m.stts = {}; }, nullptr, 2100, true,
       kEnd, 0},
      {"byte offset past the end", nullptr, nullptr, 100 * kSampleBytes, false, kEnd, 99},
  };
  for (const Case& row : cases) Check(row);
}

TEST(hvMp4SeekerTest, DamagedBoxesAndTablesAreRefusedOrBounded) {
  auto free = [](int count) {
    return [count](Mp4& m) {
      for (int i = 0; i < count; ++i) m.before += Box("free", "");
    };
  };
  const Case cases[] = {
      {"a box shorter than its header before the moov", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "ftyp", -4, 4, 4); }, 2100, true, kError, -1},
      {"a 64-bit size shorter than its header", nullptr,
       [](std::string& b) { b.insert(0, hvSeekBE(1, 4) + "skip" + hvSeekBE(8, 8)); }, 2100, true,
       kError, -1},
      {"more boxes before the moov than a level may hold", free(300), nullptr, 2100, true, kError,
       -1},
      {"a moov claiming more than the file: cut to it", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "moov", -4, 0x7FFFFFFF, 4); }, 2100, true, kOK, 50},
      {"a trak cut inside its header", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "trak", -4, 1, 4); }, 2100, true, kError, -1},
      {"file cut inside the moov", nullptr, [](std::string& b) { b.resize(b.find("stsc")); }, 2100,
       true, kError, -1},
      {"no time scale", [](Mp4& m) { m.timescale = 0; }, nullptr, 2100, true, kError, -1},
      {"neither video nor sound", [](Mp4& m) { m.handler = "text"; }, nullptr, 2100, true, kError,
       -1},
      {"no chunk offsets", nullptr, [](std::string& b) { hvSeekPatch(&b, "stco", 0, 0x6672, 2); },
       2100, true, kError, -1},
      {"no media header", nullptr, [](std::string& b) { hvSeekPatch(&b, "mdhd", 0, 0x6672, 2); },
       2100, true, kError, -1},
      {"no sample table", nullptr, [](std::string& b) { hvSeekPatch(&b, "stbl", 0, 0x6672, 2); },
       2100, true, kError, -1},
      {"time-to-sample count beyond its box: only the entries there", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "stts", 8, 0xFFFFFFFF, 4); }, 2100, true, kOK, 50},
      {"sync sample numbered 0",
       [](Mp4& m) {
         m.stss = {0, 0};
       },
       nullptr, 2100, true, kOK, 52},
      {"a moov running to the end of the file", [](Mp4& m) { m.moovFirst = false; },
       [](std::string& b) { hvSeekPatch(&b, "moov", -4, 0, 4); }, 2100, true, kOK, 50},
      {"a 64-bit box size cut by the end of the file", nullptr,
       [](std::string& b) {
         hvSeekPatch(&b, "moov", 0, 0x6672, 2);
         b += hvSeekBE(1, 4) + "free" + hvSeekBE(0, 4);
       },
       2100, true, kError, -1},
      {"a box inside the moov shorter than its header", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "trak", -4, 4, 4); }, 2100, true, kError, -1},
      {"a media header cut short", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "mdhd", -4, 12, 4); }, 2100, true, kError, -1},
      {"no handler", nullptr, [](std::string& b) { hvSeekPatch(&b, "hdlr", 0, 0x6672, 2); }, 2100,
       true, kError, -1},
      {"no media information", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "minf", 0, 0x6672, 2); }, 2100, true, kError, -1},
      {"no sample-to-chunk entries", [](Mp4& m) { m.stsc = {}; }, nullptr, 2100, true, kError, -1},
      {"byte offset without chunk offsets", [](Mp4& m) { m.chunks = 0; }, nullptr, 100, false,
       kError, -1},
      {"a time-to-sample table larger than the read bound",
       [](Mp4& m) {
         m.stts.clear();
         for (int i = 0; i < 300000; ++i) m.stts.insert(m.stts.end(), {0, 1});
         m.stts.insert(m.stts.end(), {100, 40});
       },
       nullptr, 2100, true, khvStreamingStatus_TooLarge, -1},
      {"sample-to-chunk from chunk 0",
       [](Mp4& m) {
         m.stsc = {0, 10, 1};
       },
       nullptr, 2100, true, kError, -1},
      {"sample-to-chunk with no samples per chunk",
       [](Mp4& m) {
         m.stsc = {1, 0, 1};
       },
       nullptr, 2100, true, kError, -1},
      {"sample-to-chunk runs going backwards", [](Mp4& m) { m.stsc = {3, 10, 1, 2, 10, 1}; },
       nullptr, 2100, true, kError, -1},
      {"a sample in a chunk without an offset", [](Mp4& m) { m.chunks = 3; }, nullptr, 2100, true,
       kError, -1},
      {"sample sizes missing", [](Mp4& m) { m.hasStss = false; },
       [](std::string& b) { hvSeekPatch(&b, "stsz", 12, 1, 4); }, 2180, true, kError, -1},
      {"chunk offsets past the file", [](Mp4& m) { m.chunkOffsetBias = 1 << 20; }, nullptr, 2100,
       true, kError, -1},
      {"byte offset with chunk runs going backwards", [](Mp4& m) { m.stsc = {3, 10, 1, 2, 10, 1}; },
       nullptr, 52 * kSampleBytes, false, kError, -1},
      {"byte offset in a chunk before the first run",
       [](Mp4& m) {
         m.stsc = {3, 10, 1};
       },
       nullptr, 12 * kSampleBytes, false, kError, -1},
      {"byte offset with sample sizes missing", nullptr,
       [](std::string& b) { hvSeekPatch(&b, "stsz", 12, 1, 4); }, 52 * kSampleBytes, false, kError,
       -1},
      // Used to read the sample size of 7 that follows the box, and land inside a sample.
      {"sample size box cut after its version",
       [](Mp4& m) {
         m.sampleSize = 7;
         m.hasStss = false;
       },
       [](std::string& b) { hvSeekPatch(&b, "stsz", -4, 12, 4); }, 2180, true, kError, -1},
      // Used to wrap past 2^64 to an offset near the start of the file.
      {"a 64-bit chunk offset that wraps with the sample sizes",
       [](Mp4& m) {
         m.co64 = true;
         m.hasStss = false;
       },
       [](std::string& b) { hvSeekPatch(&b, "co64", 12 + 5 * 8, ~0ull - 99, 8); }, 2180, true,
       kError, -1},
  };
  for (const Case& row : cases) Check(row);
  // The walk over the top-level boxes needs the file's size.
  uint64_t data;
  const std::string bytes = Mp4().Build(&data);
  hvSeekRequest unsized{"AVC_MP4_MP_SD_AAC_MULT5", "video/mp4", 2100, true, false};
  hvSeekResult result;
  EXPECT_EQ(hvSeekInMemory(bytes, unsized, &result), kError);
}

// Used to step through up to 2^32 samples of one chunk one at a time.
TEST(hvMp4SeekerTest, HugeChunkOfEqualSamplesIsAlignedAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  Check({"one chunk claiming 2^32 - 1 samples",
         [](Mp4& m) {
           m.sampleSize = kSampleBytes;
           m.stsc = {1, 0xFFFFFFFF, 1};
         },
         nullptr, 1ull << 40, false, kError, -1});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
