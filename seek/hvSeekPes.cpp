// PES headers, key frames and the timestamp bisection of the MPEG stream seekers.
#include "seek/hvSeekPes.h"

#include <algorithm>

#include "seek/hvSeekFields.h"

namespace {

const size_t kWindow = 16 * 1024;
const int kForwardWindows = 16;
// A window inside one large picture holds no unit start; the step looks further, this far.
const int kStepWindows = 16;
const int kBackWindows = 64;  // how far back a key frame is looked for: 1 MiB

uint64_t ReadTimestamp(hvSeekCursor& c) {
  const uint64_t a = c.U8(), b = c.U16(), d = c.U16();
  return ((a >> 1) & 7) << 30 | (b >> 1) << 15 | (d >> 1);
}

// Time since `first`, with a unit slightly before it (reordered frames) read as 0.
uint64_t Since(uint64_t pts, uint64_t first) {
  const uint64_t delta = (pts - first) & khvSeekPtsMask;
  return delta >= (1ull << 32) ? 0 : delta;
}

}  // namespace

bool hvSeek_ReadPesPts(const uint8_t* bytes, size_t length, uint64_t* pts, size_t* payload) {
  hvSeekCursor c(bytes, length);
  if (c.U24() != 1) return false;
  const uint32_t streamId = c.U8();
  c.Skip(2);  // packet length
  // Padding, private stream 2 and the system streams carry no timestamps.
  if (!c.ok || streamId < 0xBD || streamId == 0xBE || streamId == 0xBF || streamId >= 0xF0)
    return false;
  uint32_t flags = c.U8();
  if ((flags & 0xC0) == 0x80) {  // MPEG-2 syntax
    flags = c.U8();
    const uint32_t headerLength = c.U8();
    const size_t end = c.at + headerLength;
    if (!(flags & 0x80) || headerLength < 5 || !c.Has(5)) return false;
    *pts = ReadTimestamp(c);
    *payload = end;
    return c.ok && end <= length;
  }
  // MPEG-1 syntax: stuffing, an optional buffer size, then the timestamps.
  for (int i = 0; i < 16 && flags == 0xFF; ++i) flags = c.U8();
  if ((flags & 0xC0) == 0x40) {
    c.Skip(1);
    flags = c.U8();
  }
  if ((flags & 0xE0) != 0x20 || !c.ok) return false;
  --c.at;
  *pts = ReadTimestamp(c);
  if ((flags & 0xF0) == 0x30) c.Skip(5);
  *payload = c.at;
  return c.ok;
}

bool hvSeek_LooksLikeKey(const uint8_t* bytes, size_t length, bool h264) {
  for (size_t i = 0; i + 5 < length; ++i) {
    if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1) continue;
    const uint8_t code = bytes[i + 3];
    if (h264) {
      if (code & 0x80) continue;
      const uint8_t nal = code & 0x1F;
      if (nal == 5 || nal == 7) return true;
      if (nal == 1) return false;  // the picture is a non-IDR slice
    } else {
      // A sequence or GOP header, or the first picture header: its coding type 1 is I.
      if (code == 0xB3 || code == 0xB8) return true;
      if (code == 0x00) return ((bytes[i + 5] >> 3) & 7) == 1;
    }
  }
  return false;
}

hvStreamingStatus hvSeek_Bisect(hvSeekProbe& probe, hvSeekUnitScanner& scanner, uint64_t dataStart,
                                uint64_t firstPts, uint64_t target, bool wantKey,
                                hvSeekUnit* found) {
  const uint64_t size = probe.Size();
  if (size == khvuint64_Max) return khvStreamingStatus_Error;
  std::vector<hvSeekUnit> units;
  // lo is a unit at or before the target (or the data start), hi a point past it.
  uint64_t lo = dataStart, hi = size;
  while (hi - lo > 2 * kWindow) {
    const uint64_t mid = std::max(scanner.Align(lo + (hi - lo) / 2), lo + 1);
    units.clear();
    for (int w = 0; w < kStepWindows && units.empty(); ++w) {
      const uint64_t from = mid + w * kWindow;
      if (from >= hi) break;
      hvStreamingStatus status = scanner.Scan(probe, from, std::min(from + kWindow, hi), &units);
      if (status != khvStreamingStatus_OK) return status;
    }
    if (!units.empty() && Since(units.front().pts, firstPts) <= target)
      lo = units.front().position;
    else
      hi = mid;
  }
  // Forward from lo to the first unit past the target; then back for a key frame if needed.
  bool haveAny = false, haveKey = false;
  hvSeekUnit last{}, lastKey{};
  uint64_t at = lo;
  bool passed = false;
  for (int w = 0; w < kForwardWindows && !passed && at < size; ++w, at += kWindow) {
    units.clear();
    hvStreamingStatus status = scanner.Scan(probe, at, std::min(at + kWindow, size), &units);
    if (status != khvStreamingStatus_OK) return status;
    for (const hvSeekUnit& unit : units) {
      if (Since(unit.pts, firstPts) > target) {
        passed = true;
        break;
      }
      last = unit;
      haveAny = true;
      if (unit.key) lastKey = unit, haveKey = true;
    }
  }
  for (int w = 0; wantKey && !haveKey && w < kBackWindows && lo > dataStart; ++w) {
    const uint64_t from = std::max(dataStart, scanner.Align(lo > kWindow ? lo - kWindow : 0));
    units.clear();
    hvStreamingStatus status = scanner.Scan(probe, from, lo, &units);
    if (status != khvStreamingStatus_OK) return status;
    for (const hvSeekUnit& unit : units)
      if (unit.key && Since(unit.pts, firstPts) <= target) lastKey = unit, haveKey = true;
    lo = from;
  }
  // Nothing after the target up to the end: the time lies past it.
  const hvStreamingStatus status =
      !passed && at >= size ? khvStreamingStatus_EndOfStream : khvStreamingStatus_OK;
  if (wantKey && haveKey) {
    *found = lastKey;
  } else if (haveAny) {
    *found = last;
  } else {
    found->position = dataStart;
    found->pts = firstPts;
    found->key = true;
  }
  return status;
}
