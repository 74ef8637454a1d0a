// Seekers turn a time position or a requested byte offset into a byte position in a stream,
// each for the family of media formats named by its DLNA profile names. The application
// derives its format-specific seekers from hvSeeker and registers them with an
// hvSeekerManager, which owns them and finds the one for a stream's media description.
// Neither class locks: fill and query a manager from one thread at a time.
#ifndef HULVOSTREAMING_HVSEEKER_H
#define HULVOSTREAMING_HVSEEKER_H

#include "hv/hvCString.h"
#include "hv/hvMediaInfo.h"
#include "hv/hvPlatform.h"

class hvStream;
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

#endif
