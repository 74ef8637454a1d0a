// MP4 / ISO base media files (and 3GPP): the track to follow is the first video track, else
// the first sound track. A time goes through its sample tables: time to sample (stts), the
// sync sample at or before it (stss), sample to chunk (stsc), the chunk's offset (stco or
// co64) and the sizes of the samples before it in the chunk (stsz). Only box headers and
// the table entries needed are read, wherever the moov box lies.
#include <algorithm>

#include "seek/hvSeekFields.h"
#include "seek/hvSeekFormats.h"
#include "seek/hvSeekProbe.h"

namespace {

const uint64_t kBudget = 2 * 1024 * 1024;
const int kMaxBoxes = 256;  // per level
const size_t kEntryWindow = 4096;
const char kProfiles[] =
#include "seek/hvMp4Profiles.inc"
    ;

constexpr uint32_t Tag(const char* t) {
  return uint32_t(uint8_t(t[0])) << 24 | uint32_t(uint8_t(t[1])) << 16 |
         uint32_t(uint8_t(t[2])) << 8 | uint8_t(t[3]);
}

struct Box {
  uint32_t type;
  uint64_t start;  // the payload
  uint64_t end;    // one past the box
};

// Reads the box header at `at`, below `limit`. A box that claims more than its parent holds
// is cut to the parent, so a damaged length cannot send the walk outside.
hvStreamingStatus ReadBox(hvSeekProbe& probe, uint64_t at, uint64_t limit, Box* box, bool* ok) {
  *ok = false;
  const uint8_t* bytes;
  size_t got;
  hvStreamingStatus status = probe.Read(at, 16, &bytes, &got);
  if (status != khvStreamingStatus_OK || got < 8) return status;
  hvSeekCursor c(bytes, got);
  uint64_t size = c.U32();
  box->type = c.U32();
  uint64_t header = 8;
  if (size == 1) {
    size = c.U64();
    header = 16;
  } else if (size == 0) {
    size = limit - at;
  }
  if (!c.ok || size < header) return khvStreamingStatus_OK;
  box->start = at + header;
  box->end = size > limit - at ? limit : at + size;
  *ok = box->start <= box->end;
  return khvStreamingStatus_OK;
}

// The first child of `parent` of the given type; *found false when there is none.
hvStreamingStatus FindChild(hvSeekProbe& probe, const Box& parent, uint32_t type, Box* child,
                            bool* found) {
  *found = false;
  uint64_t at = parent.start;
  for (int i = 0; i < kMaxBoxes && at + 8 <= parent.end; ++i) {
    bool ok;
    hvStreamingStatus status = ReadBox(probe, at, parent.end, child, &ok);
    if (status != khvStreamingStatus_OK || !ok) return status;
    if (child->type == type) {
      *found = true;
      return khvStreamingStatus_OK;
    }
    at = child->end;
  }
  return khvStreamingStatus_OK;
}

// The first `length` bytes of a box's payload, fewer when the box is shorter: a field a
// damaged box does not hold is never read from the box after it.
hvStreamingStatus ReadPayload(hvSeekProbe& probe, const Box& box, size_t length,
                              hvSeekCursor* payload) {
  const uint8_t* bytes;
  size_t got;
  hvStreamingStatus status = probe.Read(box.start, length, &bytes, &got);
  *payload = hvSeekCursor(bytes, static_cast<size_t>(std::min<uint64_t>(got, box.end - box.start)));
  return status;
}

// A table box: a version/flags word, an entry count, then fixed-size entries read on demand.
struct Table {
  uint64_t entries = 0;  // first entry
  uint32_t count = 0;
  uint32_t entrySize = 0;
  bool present = false;

  // Entry `index` (from 0) as a cursor of entrySize bytes.
  hvStreamingStatus Get(hvSeekProbe& probe, uint64_t index, hvSeekCursor* entry) const {
    const uint8_t* bytes;
    size_t got;
    // Reading a few entries ahead makes a walk through the table one read per window.
    hvStreamingStatus status =
        probe.Read(entries + index * entrySize, entrySize, &bytes, &got, kEntryWindow);
    if (status != khvStreamingStatus_OK) return status;
    *entry = hvSeekCursor(bytes, std::min<size_t>(got, entrySize));
    if (got < entrySize) entry->ok = false;
    return khvStreamingStatus_OK;
  }
};

// `extra` bytes of the box before the count (stsz has its sample size there).
hvStreamingStatus ReadTable(hvSeekProbe& probe, const Box& box, uint32_t entrySize, size_t extra,
                            Table* table, uint32_t* extraValue = nullptr) {
  hvSeekCursor c(nullptr, 0);
  hvStreamingStatus status = ReadPayload(probe, box, 8 + extra, &c);
  if (status != khvStreamingStatus_OK) return status;
  c.Skip(4);
  if (extra) {
    const uint32_t value = c.U32();
    if (extraValue) *extraValue = value;
  }
  table->count = c.U32();
  table->entries = box.start + 8 + extra;
  table->entrySize = entrySize;
  // Entries the box cannot hold are not there.
  const uint64_t room = box.end - std::min(box.end, table->entries);
  table->count = static_cast<uint32_t>(std::min<uint64_t>(table->count, room / entrySize));
  table->present = c.ok;
  return khvStreamingStatus_OK;
}

struct Track {
  uint32_t handler = 0;
  uint32_t timescale = 0;
  Table stts, stss, stsc, stco, stsz;
  uint64_t mediaStart = 0;  // the media time shown first (edit list), in timescale units
  uint32_t sampleSize = 0;  // stsz: nonzero when every sample has this size
  bool wide = false;        // co64
};

// Where the edit list starts presenting the media: encoders cut their priming samples (and
// the delay reordered frames cause) this way, and players count time from there.
hvStreamingStatus ReadEdits(hvSeekProbe& probe, const Box& trak, Track* track) {
  Box edts, elst;
  bool found;
  hvStreamingStatus status = FindChild(probe, trak, Tag("edts"), &edts, &found);
  if (status != khvStreamingStatus_OK || !found) return status;
  status = FindChild(probe, edts, Tag("elst"), &elst, &found);
  if (status != khvStreamingStatus_OK || !found) return status;
  hvSeekCursor c(nullptr, 0);
  status = ReadPayload(probe, elst, 8 + 4 * 20, &c);
  if (status != khvStreamingStatus_OK) return status;
  const unsigned wide = c.U8() == 1 ? 8 : 4;
  c.Skip(3);
  const uint32_t count = c.U32();
  // An empty edit (media time -1) only delays the start; the first real one says where.
  for (uint32_t i = 0; i < count && i < 4 && c.ok; ++i) {
    c.Skip(wide);
    const uint64_t mediaTime = c.Bytes(wide);
    c.Skip(4);
    const uint64_t empty = wide == 8 ? UINT64_MAX : 0xFFFFFFFFu;
    if (c.ok && mediaTime != empty) {
      track->mediaStart = mediaTime;
      break;
    }
  }
  return khvStreamingStatus_OK;
}

hvStreamingStatus ReadTrack(hvSeekProbe& probe, const Box& trak, Track* track) {
  Box mdia, box, minf, stbl;
  bool found;
  hvStreamingStatus status = ReadEdits(probe, trak, track);
  if (status != khvStreamingStatus_OK) return status;
  status = FindChild(probe, trak, Tag("mdia"), &mdia, &found);
  if (status != khvStreamingStatus_OK || !found) return status;
  status = FindChild(probe, mdia, Tag("hdlr"), &box, &found);
  if (status != khvStreamingStatus_OK || !found) return status;
  hvSeekCursor hdlr(nullptr, 0);
  status = ReadPayload(probe, box, 12, &hdlr);
  if (status != khvStreamingStatus_OK) return status;
  hdlr.Skip(8);
  track->handler = hdlr.U32();
  status = FindChild(probe, mdia, Tag("mdhd"), &box, &found);
  if (status != khvStreamingStatus_OK || !found) return status;
  hvSeekCursor mdhd(nullptr, 0);
  status = ReadPayload(probe, box, 24, &mdhd);
  if (status != khvStreamingStatus_OK) return status;
  mdhd.Skip(mdhd.U8() == 1 ? 3 + 16 : 3 + 8);
  track->timescale = mdhd.U32();
  if (!mdhd.ok) track->timescale = 0;
  status = FindChild(probe, mdia, Tag("minf"), &minf, &found);
  if (status != khvStreamingStatus_OK || !found) return status;
  status = FindChild(probe, minf, Tag("stbl"), &stbl, &found);
  if (status != khvStreamingStatus_OK || !found) return status;
  // The tables, each optional here; what the seek needs is checked by the caller.
  const struct {
    const char* type;
    Table* table;
    uint32_t entrySize;
    size_t extra;
  } kTables[] = {{"stts", &track->stts, 8, 0},  {"stss", &track->stss, 4, 0},
                 {"stsc", &track->stsc, 12, 0}, {"stco", &track->stco, 4, 0},
                 {"co64", &track->stco, 8, 0},  {"stsz", &track->stsz, 4, 4}};
  for (const auto& entry : kTables) {
    status = FindChild(probe, stbl, Tag(entry.type), &box, &found);
    if (status != khvStreamingStatus_OK) return status;
    if (!found) continue;
    status = ReadTable(probe, box, entry.entrySize, entry.extra, entry.table,
                       entry.extra ? &track->sampleSize : nullptr);
    if (status != khvStreamingStatus_OK) return status;
    if (entry.entrySize == 8 && entry.table == &track->stco) track->wide = true;
  }
  return khvStreamingStatus_OK;
}

// The video track, else the first sound track, of the moov box.
hvStreamingStatus FindTrack(hvSeekProbe& probe, Track* chosen) {
  const uint64_t size = probe.Size();
  if (size == khvuint64_Max) return khvStreamingStatus_Error;
  Box file{0, 0, size}, moov;
  bool found;
  hvStreamingStatus status = FindChild(probe, file, Tag("moov"), &moov, &found);
  if (status != khvStreamingStatus_OK) return status;
  if (!found) return khvStreamingStatus_Error;
  uint64_t at = moov.start;
  bool haveSound = false;
  for (int i = 0; i < kMaxBoxes && at + 8 <= moov.end; ++i) {
    Box trak;
    bool ok;
    status = ReadBox(probe, at, moov.end, &trak, &ok);
    if (status != khvStreamingStatus_OK) return status;
    if (!ok) break;
    at = trak.end;
    if (trak.type != Tag("trak")) continue;
    Track track;
    status = ReadTrack(probe, trak, &track);
    if (status != khvStreamingStatus_OK) return status;
    if (!track.timescale || !track.stts.present || !track.stsc.present || !track.stco.present ||
        !track.stsz.present)
      continue;
    if (track.handler == Tag("vide")) {
      *chosen = track;
      return khvStreamingStatus_OK;
    }
    if (track.handler == Tag("soun") && !haveSound) {
      *chosen = track;
      haveSound = true;
    }
  }
  return haveSound ? khvStreamingStatus_OK : khvStreamingStatus_Error;
}

// The last sample (from 0) whose decoding time is at or before `ticks`; *past when the time
// lies after the last sample.
hvStreamingStatus SampleAt(hvSeekProbe& probe, const Track& track, uint64_t ticks, uint64_t* sample,
                           bool* past) {
  uint64_t time = 0, first = 0;
  *sample = 0;
  *past = false;
  for (uint32_t i = 0; i < track.stts.count; ++i) {
    hvSeekCursor entry(nullptr, 0);
    hvStreamingStatus status = track.stts.Get(probe, i, &entry);
    if (status != khvStreamingStatus_OK) return status;
    const uint64_t count = entry.U32(), delta = entry.U32();
    if (!entry.ok) return khvStreamingStatus_Error;
    if (count == 0) continue;
    if (delta && ticks < time + count * delta) {
      *sample = first + (ticks - time) / delta;
      return khvStreamingStatus_OK;
    }
    time += count * delta;
    first += count;
  }
  *sample = first ? first - 1 : 0;
  *past = true;
  return khvStreamingStatus_OK;
}

// The last sync sample at or before `sample`, by bisection over stss (1-based numbers).
hvStreamingStatus SyncAtOrBefore(hvSeekProbe& probe, const Track& track, uint64_t* sample) {
  if (!track.stss.present) return khvStreamingStatus_OK;  // every sample is a sync sample
  uint64_t lo = 0, hi = track.stss.count;  // the answer is entry lo - 1 once lo == hi
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    hvSeekCursor entry(nullptr, 0);
    hvStreamingStatus status = track.stss.Get(probe, mid, &entry);
    if (status != khvStreamingStatus_OK) return status;
    const uint64_t number = entry.U32();
    if (!entry.ok) return khvStreamingStatus_Error;
    if (number <= *sample + 1)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == 0) return khvStreamingStatus_OK;  // no sync sample before: start at the sample
  hvSeekCursor entry(nullptr, 0);
  hvStreamingStatus status = track.stss.Get(probe, lo - 1, &entry);
  if (status != khvStreamingStatus_OK) return status;
  const uint64_t number = entry.U32();
  if (entry.ok && number >= 1) *sample = number - 1;
  return khvStreamingStatus_OK;
}

// The file offset of `sample` through stsc, stco/co64 and stsz.
hvStreamingStatus OffsetOf(hvSeekProbe& probe, const Track& track, uint64_t sample,
                           uint64_t* offset) {
  uint64_t chunk = 0, firstInChunk = 0;  // chunk from 0
  bool located = false;
  uint64_t base = 0;  // the first sample of the run of chunks of entry i
  for (uint32_t i = 0; i < track.stsc.count && !located; ++i) {
    hvSeekCursor entry(nullptr, 0);
    hvStreamingStatus status = track.stsc.Get(probe, i, &entry);
    if (status != khvStreamingStatus_OK) return status;
    const uint64_t firstChunk = entry.U32(), perChunk = entry.U32();
    uint64_t nextChunk = uint64_t(track.stco.count) + 1;
    if (i + 1 < track.stsc.count) {
      status = track.stsc.Get(probe, i + 1, &entry);
      if (status != khvStreamingStatus_OK) return status;
      nextChunk = entry.U32();
    }
    if (!entry.ok || firstChunk == 0 || nextChunk < firstChunk || perChunk == 0)
      return khvStreamingStatus_Error;
    const uint64_t runSamples = (nextChunk - firstChunk) * perChunk;
    if (sample < base + runSamples || i + 1 == track.stsc.count) {
      chunk = firstChunk - 1 + (sample - base) / perChunk;
      firstInChunk = base + (sample - base) / perChunk * perChunk;
      located = true;
    }
    base += runSamples;
  }
  if (!located || chunk >= track.stco.count) return khvStreamingStatus_Error;
  hvSeekCursor entry(nullptr, 0);
  hvStreamingStatus status = track.stco.Get(probe, chunk, &entry);
  if (status != khvStreamingStatus_OK) return status;
  *offset = track.wide ? entry.U64() : entry.U32();
  if (!entry.ok) return khvStreamingStatus_Error;
  // A 64-bit chunk offset plus the sizes before the sample must not wrap to a small offset.
  uint64_t before = 0;
  if (track.sampleSize) {
    before = (sample - firstInChunk) * track.sampleSize;
  } else {
    for (uint64_t s = firstInChunk; s < sample; ++s) {
      if (s >= track.stsz.count) return khvStreamingStatus_Error;
      status = track.stsz.Get(probe, s, &entry);
      if (status != khvStreamingStatus_OK) return status;
      before += entry.U32();
      if (!entry.ok) return khvStreamingStatus_Error;
    }
  }
  if (before > UINT64_MAX - *offset) return khvStreamingStatus_Error;
  *offset += before;
  return khvStreamingStatus_OK;
}

// The start of the track's last sample that begins at or before `byteSpec`: the chunk by
// bisection over the chunk offsets, its first sample through stsc, then the sizes within it.
// An offset before the track's first chunk gives that chunk.
hvStreamingStatus SampleStartAtOrBefore(hvSeekProbe& probe, const Track& track, uint64_t byteSpec,
                                        uint64_t* bytePos) {
  auto chunkOffset = [&](uint64_t chunk, uint64_t* offset) {
    hvSeekCursor entry(nullptr, 0);
    hvStreamingStatus status = track.stco.Get(probe, chunk, &entry);
    *offset = track.wide ? entry.U64() : entry.U32();
    return status != khvStreamingStatus_OK ? status
           : entry.ok                      ? khvStreamingStatus_OK
                                           : khvStreamingStatus_Error;
  };
  uint64_t lo = 0, hi = track.stco.count, offset = 0;
  if (hi == 0) return khvStreamingStatus_Error;
  while (lo < hi) {  // lo becomes the number of chunks starting at or before byteSpec
    const uint64_t mid = lo + (hi - lo) / 2;
    hvStreamingStatus status = chunkOffset(mid, &offset);
    if (status != khvStreamingStatus_OK) return status;
    if (offset <= byteSpec)
      lo = mid + 1;
    else
      hi = mid;
  }
  const uint64_t chunk = lo ? lo - 1 : 0;
  hvStreamingStatus status = chunkOffset(chunk, bytePos);
  if (status != khvStreamingStatus_OK || lo == 0) return status;
  // The chunk's first sample and sample count, from the runs of stsc.
  uint64_t first = 0, count = 0;
  for (uint32_t i = 0; i < track.stsc.count && count == 0; ++i) {
    hvSeekCursor entry(nullptr, 0);
    if ((status = track.stsc.Get(probe, i, &entry)) != khvStreamingStatus_OK) return status;
    const uint64_t firstChunk = entry.U32(), perChunk = entry.U32();
    uint64_t nextChunk = uint64_t(track.stco.count) + 1;
    if (i + 1 < track.stsc.count) {
      if ((status = track.stsc.Get(probe, i + 1, &entry)) != khvStreamingStatus_OK) return status;
      nextChunk = entry.U32();
    }
    if (!entry.ok || firstChunk == 0 || nextChunk < firstChunk) return khvStreamingStatus_Error;
    if (chunk + 1 < nextChunk) {
      if (chunk + 1 < firstChunk) return khvStreamingStatus_Error;
      first += (chunk + 1 - firstChunk) * perChunk;
      count = perChunk;
    } else {
      first += (nextChunk - firstChunk) * perChunk;
    }
  }
  // *bytePos stays the start of the sample holding byteSpec, or of the chunk's last sample
  // when the offset lies past the chunk (in another track's data).
  if (track.sampleSize) {
    // Arithmetic: a damaged chunk may claim 2^32 samples.
    const uint64_t within = byteSpec > *bytePos ? (byteSpec - *bytePos) / track.sampleSize : 0;
    *bytePos += std::min(within, count ? count - 1 : 0) * track.sampleSize;
    return khvStreamingStatus_OK;
  }
  uint64_t start = *bytePos;
  for (uint64_t sample = first; sample + 1 < first + count; ++sample) {
    hvSeekCursor entry(nullptr, 0);
    if (sample >= track.stsz.count) return khvStreamingStatus_Error;
    if ((status = track.stsz.Get(probe, sample, &entry)) != khvStreamingStatus_OK) return status;
    start += entry.U32();
    if (start > byteSpec) break;
    *bytePos = start;
  }
  return khvStreamingStatus_OK;
}

class Mp4Seeker : public hvFormatSeeker {
 public:
  Mp4Seeker() : hvFormatSeeker(kProfiles, "mp4", kBudget) {}

  bool Recognise(const unsigned char* head, size_t length) const override {
    if (length < 8) return false;
    const uint32_t type = hvSeekCursor(head + 4, 4).U32();
    return type == Tag("ftyp") || type == Tag("moov") || type == Tag("styp");
  }

 protected:
  hvStreamingStatus Find(hvSeekProbe& probe, uint64_t value, bool isTime,
                         uint64_t* bytePos) override {
    Track track;
    hvStreamingStatus status = FindTrack(probe, &track);
    if (status != khvStreamingStatus_OK) return status;
    if (!isTime) {
      // The sample of the followed track at or before the offset.
      status = SampleStartAtOrBefore(probe, track, value, bytePos);
      if (status == khvStreamingStatus_OK && value >= probe.Size())
        status = khvStreamingStatus_EndOfStream;
      return status;
    }
    uint64_t sample;
    bool past;
    const uint64_t ticks = hvSeek_MsToUnits(value, track.timescale);
    const uint64_t mediaTime = ticks + std::min(track.mediaStart, UINT64_MAX - ticks);
    status = SampleAt(probe, track, mediaTime, &sample, &past);
    if (status == khvStreamingStatus_OK) status = SyncAtOrBefore(probe, track, &sample);
    if (status == khvStreamingStatus_OK) status = OffsetOf(probe, track, sample, bytePos);
    // Tables that point past the data (a cut file) give no place to read from.
    if (status == khvStreamingStatus_OK && probe.Size() != khvuint64_Max &&
        *bytePos >= probe.Size())
      status = khvStreamingStatus_Error;
    if (status == khvStreamingStatus_OK && past) status = khvStreamingStatus_EndOfStream;
    return status;
  }
};

}  // namespace

hvFormatSeeker* hvSeek_CreateMp4() { return new Mp4Seeker; }
