// Finding an audio frame boundary in a stream of self-delimiting frames (MP3, ADTS): a sync
// candidate counts only when the frame after it starts with a sync too, so a stray sync word
// inside audio data is not taken for a frame.
#ifndef HULVOSTREAMING_SEEK_HVSEEKSYNC_H
#define HULVOSTREAMING_SEEK_HVSEEKSYNC_H

#include <cstddef>
#include <cstdint>

#include "seek/hvSeekProbe.h"

// Moves a `target` past the end of the data to the last byte there (*past true). A stream that
// does not tell its size is asked: a byte is read at the target and, when there is none, the
// end is found by halving between `low` and the target, one byte a read.
hvStreamingStatus hvSeek_ClampToEnd(hvSeekProbe& probe, uint64_t low, uint64_t* target, bool* past);

// The length of the frame whose header starts at `bytes` (with `length` bytes readable), or 0
// when it is no frame header of the stream described by `reference`.
typedef size_t (*hvSeekFrameLength)(const uint8_t* bytes, size_t length, const void* reference);

// The start of the last frame that begins at or before `target` and not before `low`, looked
// for in a window of `back` bytes before `target`. *found is low when none is in the window.
// EndOfStream when the target lies past the data: the window is then the one before the end.
hvStreamingStatus hvSeek_FrameAtOrBefore(hvSeekProbe& probe, uint64_t target, uint64_t low,
                                         size_t back, hvSeekFrameLength frameLength,
                                         const void* reference, uint64_t* found);

#endif
