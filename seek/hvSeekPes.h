// What the transport and program stream seekers share: PES headers, 33-bit timestamps, key
// frame recognition, and the bisection over timestamps that turns a time into a position.
#ifndef HULVOSTREAMING_SEEK_HVSEEKPES_H
#define HULVOSTREAMING_SEEK_HVSEEKPES_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "seek/hvSeekProbe.h"

const uint64_t khvSeekPtsMask = (1ull << 33) - 1;

// The start of an access unit of the stream a seek follows: the packet or pack it begins
// in, its presentation time (90 kHz), and whether decoding can start there.
struct hvSeekUnit {
  uint64_t position;
  uint64_t pts;
  bool key;
};

// The PTS of the PES packet whose header (from its 00 00 01 start code) is in `bytes`, for
// MPEG-2 and MPEG-1 PES syntax. False without one. *payload is where its data begins.
bool hvSeek_ReadPesPts(const uint8_t* bytes, size_t length, uint64_t* pts, size_t* payload);

// Whether elementary stream data starts a picture a decoder can begin with: an MPEG-1/2
// sequence or GOP header, or (`h264`) an H.264 IDR slice or sequence parameter set.
bool hvSeek_LooksLikeKey(const uint8_t* bytes, size_t length, bool h264);

// Finds the units of one stream in a container. Scan reports, in order, the units whose
// packet or pack starts in [from, to); it may read past `to` to finish a header.
class hvSeekUnitScanner {
 public:
  virtual ~hvSeekUnitScanner() = default;
  virtual hvStreamingStatus Scan(hvSeekProbe& probe, uint64_t from, uint64_t to,
                                 std::vector<hvSeekUnit>* units) = 0;
  // The packet or pack grid position at or before `position` (packet formats), or
  // `position` itself when the scanner finds its own way to the next pack.
  virtual uint64_t Align(uint64_t position) const = 0;
};

// The last unit (a key one when `wantKey`, if it can find one) whose time since `firstPts`
// is at or before `target` (90 kHz ticks), between `dataStart` and the stream's end.
// Timestamps are compared modulo 2^33, so one wrap in the stream does not matter.
hvStreamingStatus hvSeek_Bisect(hvSeekProbe& probe, hvSeekUnitScanner& scanner, uint64_t dataStart,
                                uint64_t firstPts, uint64_t target, bool wantKey,
                                hvSeekUnit* found);

#endif
