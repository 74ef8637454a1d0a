// Seekers turn a time position or a requested byte offset into a byte position in a stream,
// each for the family of media formats named by its DLNA profile names. hvSeekerManager owns
// the seekers and finds the one for a stream's media description; hvSeekerManager_Create
// returns one filled with the library's format seekers (LPCM/WAV, MP3, ADTS AAC, MPEG
// transport and program streams, MP4), and hvSeeker_SeekTime is a player's time seek on a
// byte-seek-only stream in one call. Nothing here locks: one thread at a time per manager
// and per stream.
#ifndef HULVOSTREAMING_HVSEEKER_H
#define HULVOSTREAMING_HVSEEKER_H

#include <cstddef>
#include <cstdint>

#include "hulvoStreaming/hvStream.h"
#include "hv/hvCString.h"
#include "hv/hvMediaInfo.h"
#include "hv/hvPlatform.h"

struct hvDList;
struct hvHashTable;

class HV_EXPORT hvSeeker {
 public:
  // `profileNameList` holds the profile names separated by backslashes; empty names
  // between separators are ignored.
  explicit hvSeeker(const hvCString& profileNameList);
  hvSeeker(const hvSeeker& other);
  hvSeeker& operator=(const hvSeeker& other);

  hvCString GetProfileNameList() const;

  // Each conversion returns true and sets `bytePos` when it can convert; the base class
  // converts nothing and leaves `bytePos` untouched. The unit of `time` and the meaning
  // of `byteSpec` are the format-specific seeker's.
  virtual bool TimeSpecToBytePos(hvStream* stream, const hvuint64& time, hvuint64& bytePos);
  virtual bool ByteSpecToBytePos(hvStream* stream, const hvuint64& byteSpec, hvuint64& bytePos);
  // Base: the "fs" size of the stream's media description, or khvuint64_Max (unknown)
  // without a description, without that key, or without a stream.
  virtual hvuint64 GetByteSize(hvStream* stream);

  // Virtual so that the manager, which deletes seekers through this class, also releases
  // what a derived seeker holds. Declared after the conversions to keep their slots first.
  virtual ~hvSeeker();

 private:
  hvCString m_profileNameList;
};

class HV_EXPORT hvSeekerManager {
 public:
  hvSeekerManager();
  // Destroys every seeker added, in the order added.
  virtual ~hvSeekerManager();
  // A copy would share the tables and destroy the seekers twice.
  hvSeekerManager(const hvSeekerManager&) = delete;
  hvSeekerManager& operator=(const hvSeekerManager&) = delete;

  // Takes ownership of `seeker` (created with new) and registers it under each of its
  // profile names. A name already registered passes to this seeker; the earlier one keeps
  // its other names and stays owned. A null seeker, or one already added, is ignored.
  void Add(hvSeeker* seeker);
  // The seeker registered for the profile name after the first '=' of the "dl" text in
  // `info`, compared exactly (case matters), or null. The seeker stays owned by the manager
  // and valid as long as the manager lives.
  hvSeeker* GetSeeker(hvMediaInfo* info);

 private:
  hvHashTable* m_profileTable;  // profile name (copied) -> seeker (not owned by the table)
  hvDList* m_seekers;           // every seeker added, in order; deletes them when destroyed
};

// Time positions of the library's format seekers are milliseconds from the start of the
// media (the first timestamp of the stream, not zero on the wire).
//
// What one seek may read, at most, wherever it lands and however long the stream is (a seek
// that would need more answers khvStreamingStatus_TooLarge):
//   LPCM / WAV     64 KiB: the RIFF chunk headers before the samples (raw audio/L16: 12
//                  bytes, to see that there are none). WAV files of compressed samples
//                  (ADPCM, MP3 and the like) are refused; PCM, float, A-law and mu-law are not.
//   MP3            96 KiB: the first frame with its Xing/VBRI table, and a 12 KiB window at
//                  the estimate to find the frame there. ID3v2 tags are stepped over.
//   ADTS AAC       320 KiB: the 7-byte frame headers from the start, up to 256 KiB of them
//                  (about 14 minutes at 44.1 kHz); past that the average frame size seen
//                  so far extrapolates and a 24 KiB window finds the frame.
//   MPEG-TS / PS   2 MiB: a 64 KiB look at the start, 16 KiB per bisection step (more only
//                  when a step lands inside one large picture), and the walk back to a key
//                  frame. A 10-second SD file costs about 200-350 KiB.
//   MP4            2 MiB: box headers, then only the entries of one track's time, sync,
//                  chunk, offset and size tables that the seek visits.
// On a stream that does not tell its size, MP3, ADTS and LPCM find the end with a few
// one-byte reads, halving the distance each time; they count within the bounds above.
struct hvSeekResult {
  uint64_t bytePos = 0;     // where reading should start
  uint64_t bytesRead = 0;   // bytes the seek read from the stream to find it
  const char* format = "";  // "mp3", "adts", "lpcm", "mpegts", "mpegps", "mp4"; static text
};

class hvSeekProbe;

// A seeker of the library: the bool conversions of hvSeeker answer true only when the seek
// completed; the status variants tell "not yet" apart from "never". They read through
// SeekBytes and PullGet only, and put the stream back where it was before returning.
class HV_EXPORT hvFormatSeeker : public hvSeeker {
 public:
  // `format` is a static text; `readBound` the most one seek may read.
  hvFormatSeeker(const hvCString& profileNameList, const char* format, uint64_t readBound);

  bool TimeSpecToBytePos(hvStream* stream, const hvuint64& time, hvuint64& bytePos) override;
  // `byteSpec` is any byte offset; `bytePos` becomes the start of the unit that holds it:
  // audio frame, transport packet, pack, LPCM sample frame, or the MP4 sample of the followed
  // track. False past the end of a stream of known size.
  bool ByteSpecToBytePos(hvStream* stream, const hvuint64& byteSpec, hvuint64& bytePos) override;

  // OK: `result` holds the position. khvStreamingStatus_Pending: the stream does not have
  // the bytes yet (still downloading); ask again later. TooLarge: the seek would read more
  // than its bound. Error: the data is not of this format or too damaged to seek.
  // EndOfStream: the time or offset lies past the end; `result` holds the last position.
  // InvalidOperation: no stream. `result` may be null. With `waitMs` above 0, a read the
  // stream cannot serve yet waits up to that long for the stream's threshold signal and goes
  // on; Pending then means that one wait ran out.
  hvStreamingStatus SeekTime(hvStream* stream, uint64_t timeMs, hvSeekResult* result,
                             uint32_t waitMs = 0);
  hvStreamingStatus AlignBytes(hvStream* stream, uint64_t byteSpec, hvSeekResult* result);

  // Whether the first bytes of a stream look like this format (for streams without a
  // profile). `head` holds up to 64 KiB from the start.
  virtual bool Recognise(const unsigned char* head, size_t length) const = 0;

  const char* GetFormat() const { return m_format; }
  uint64_t GetReadBound() const { return m_readBound; }

 protected:
  // The format's own work, reading only through `probe`: with `isTime`, where the data for
  // `value` milliseconds (at most about 31 years) starts; without, the start of the unit
  // that holds byte offset `value`.
  virtual hvStreamingStatus Find(hvSeekProbe& probe, uint64_t value, bool isTime,
                                 uint64_t* bytePos) = 0;

 private:
  hvStreamingStatus Run(hvStream* stream, uint64_t value, bool isTime, hvSeekResult* result,
                        uint32_t waitMs);

  const char* m_format;
  uint64_t m_readBound;
};

// A manager holding the library's format seekers under the DLNA profile names they serve.
// The caller deletes it.
HV_EXPORT hvSeekerManager* hvSeekerManager_Create();

// A time seek on a stream that allows only byte seeks: finds the seeker by the profile of
// the stream's media description ("dl"), or by the content when there is none, converts
// `timeMs` and calls SeekBytes. OK once the stream stands at the position; Pending when the
// bytes to decide are not there yet (nothing moved; call again); the seeker's or SeekBytes'
// status otherwise. `result` (may be null) receives position, bytes read and format;
// recognising the content costs up to 64 KiB of reading on top of the seek's own.
HV_EXPORT hvStreamingStatus hvSeeker_SeekTime(hvSeekerManager* manager, hvStream* stream,
                                              uint64_t timeMs, hvSeekResult* result);

// hvSeeker_SeekTime for a stream that is still arriving, such as hvHttpStream: each read the
// seek needs that answers "not yet" blocks the calling thread until the stream's threshold
// signal, for at most `waitMs` milliseconds per wait, and goes on where it stopped, so the
// seek converges in one call (calling hvSeeker_SeekTime again after Pending starts over, and
// its first reads may no longer be in the stream's buffer). Pending only when one wait ran
// out. While the call runs, its own callback heads the stream's threshold chain: the
// stream's earlier callback is not run until it returns.
HV_EXPORT hvStreamingStatus hvSeeker_SeekTimeWaiting(hvSeekerManager* manager, hvStream* stream,
                                                     uint64_t timeMs, uint32_t waitMs,
                                                     hvSeekResult* result);

#endif
