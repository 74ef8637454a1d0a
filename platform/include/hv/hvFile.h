// hvFile: a binary file opened by UTF-8 name, read (or written) through the system's own
// calls with no buffering of its own. Whoever holds the object owns the open file; the
// destructor closes it. Not locked: one thread at a time.
#ifndef HV_HVFILE_H
#define HV_HVFILE_H

#include <cstddef>
#include <cstdint>

#include "hv/hvPlatform.h"

// Why the last operation failed. Each system side maps its own error numbers onto these.
enum hvFileStatus {
  khvFileStatus_OK = 0,
  khvFileStatus_NotOpen,          // no file open, or the name was null or empty
  khvFileStatus_InvalidArgument,  // bad origin, negative resulting offset, bad name
  khvFileStatus_NotFound,
  khvFileStatus_AccessDenied,
  khvFileStatus_IsDirectory,
  khvFileStatus_Interrupted,  // the call was interrupted before it did anything; retried
  khvFileStatus_NoSpace,
  khvFileStatus_Error,  // anything else
};

class HV_EXPORT hvFile {
 public:
  // The system handle, all ones (khvuint64_Max) while no file is open. Streams read this
  // member directly to decide whether the file they were given is usable, so it stays the
  // first data member.
  uint64_t handle;

  hvFile();
  virtual ~hvFile();
  hvFile(const hvFile&) = delete;
  hvFile& operator=(const hvFile&) = delete;

  // Opens an existing file for reading. A file still open in this object is closed first.
  // Other processes may keep writing the file (a download in progress).
  bool Open(const char* utf8Name);
  // Creates the file, or empties an existing one, for writing and reading back.
  bool Create(const char* utf8Name);
  void Close();
  bool IsOpen() const { return handle != khvuint64_Max; }

  // Bytes read (> 0), 0 at the end of the file, negative on error. One system read per
  // call: fewer bytes than asked is normal near the end. Requests above INT32_MAX bytes
  // are cut to INT32_MAX, since the count must fit the result.
  virtual int32_t Read(void* buffer, size_t size);
  // Bytes written, negative on error; the same cut applies.
  int32_t Write(const void* buffer, size_t size);
  // origin 0: from the start, 1: from the current position, 2: from the end. Returns the
  // new offset, or -1 (the position is then unchanged). Positions past the end are allowed.
  virtual int64_t Seek(int64_t offset, int origin);
  // Current offset, or -1.
  virtual int64_t Tell();
  // File size in bytes, or -1.
  virtual int64_t Length();

  hvFileStatus GetLastStatus() const { return m_lastStatus; }

 private:
  bool OpenWith(const char* utf8Name, bool create);
  template <typename Buffer, typename SystemCall>
  int32_t Transfer(Buffer buffer, size_t size, SystemCall systemCall);
  // Records the outcome of an operation and passes its result through.
  template <typename T>
  T Finish(T result, hvFileStatus status) {
    m_lastStatus = status;
    return result;
  }

  hvFileStatus m_lastStatus;
};

#endif
