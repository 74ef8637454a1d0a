// The generated seek media and ffprobe's account of them: which files there are, with the
// profile, stream and tolerance each is checked with, and the packet list to check against.
#ifndef HV_TESTS_SEEK_HVSEEKMEDIAFIXTURE_H
#define HV_TESTS_SEEK_HVSEEKMEDIAFIXTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "hulvoStreaming/hvSeeker.h"
#include "hulvoStreaming/hvStream.h"

struct hvSeekMedia {
  const char* file;
  const char* profile;  // DLNA.ORG_PN value
  const char* mime;
  const char* format;  // what the seeker reports
  int stream;          // the ffprobe stream the seeker follows
  bool keysOnly;       // video: only key frames are places to start
  uint64_t slack;      // bytes a position may lie before the packet (PS: one pack)
  uint64_t readBound;  // bytes one seek may read (the bounds stated in hvSeeker.h)
  bool recognisable;   // by content alone (raw L16 is not)
};

extern const hvSeekMedia khvSeekMedia[];
extern const size_t khvSeekMediaCount;

// ffprobe's packets of the followed stream in file order: the position (unknown for the
// later audio frames of a PES, and for some video packets of program streams), the time
// since the stream's start_time, and whether a decoder may start there.
struct hvSeekTruth {
  uint64_t position;  // UINT64_MAX when unknown
  double seconds;
  bool start;
};

std::string hvSeekMediaPath(const std::string& file);
// False when the media were not generated (no ffmpeg at build time).
bool hvSeekMediaPresent();
std::vector<hvSeekTruth> hvSeekLoadTruth(const hvSeekMedia& media);
std::string hvSeekReadFile(const std::string& path);

// An unbuffered stream over `path` whose media description names `profile` (none when null).
hvStream* hvSeekOpen(const std::string& path, const char* mime, const char* profile);

#endif
