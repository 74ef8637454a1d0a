#include "../hvFileOS.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

hvFileStatus StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return khvFileStatus_NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return khvFileStatus_AccessDenied;
    case EISDIR:
      return khvFileStatus_IsDirectory;
    case EINTR:
      return khvFileStatus_Interrupted;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return khvFileStatus_NoSpace;
    case EINVAL:
    case ENAMETOOLONG:
    case EOVERFLOW:
      return khvFileStatus_InvalidArgument;
    default:
      return khvFileStatus_Error;
  }
}

int Descriptor(uint64_t handle) { return static_cast<int>(handle); }

}  // namespace

uint64_t hvFileOS_Open(const char* utf8Name, bool create, hvFileStatus* status) {
  // A named pipe with no writer would block open() until one comes; opened without
  // blocking, it reads as an empty (ended) pipe instead. Reads themselves block as usual.
  int flags = create ? (O_RDWR | O_CREAT | O_TRUNC) : (O_RDONLY | O_NONBLOCK);
  int descriptor = open(utf8Name, flags | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    *status = StatusFromErrno(errno);
    return khvuint64_Max;
  }
  int mode = fcntl(descriptor, F_GETFL);
  if (!create && (mode < 0 || fcntl(descriptor, F_SETFL, mode & ~O_NONBLOCK) != 0)) {
    *status = StatusFromErrno(errno);
    close(descriptor);
    return khvuint64_Max;
  }
  // open() accepts a folder for reading; Windows refuses it, and so do we.
  struct stat info;
  hvFileStatus refusal = khvFileStatus_OK;
  if (fstat(descriptor, &info) != 0)
    refusal = StatusFromErrno(errno);
  else if (S_ISDIR(info.st_mode))
    refusal = khvFileStatus_IsDirectory;
  if (refusal != khvFileStatus_OK) {
    *status = refusal;
    close(descriptor);
    return khvuint64_Max;
  }
  return static_cast<uint64_t>(descriptor);
}

void hvFileOS_Close(uint64_t handle) { close(Descriptor(handle)); }

int32_t hvFileOS_Read(uint64_t handle, void* buffer, int32_t size, hvFileStatus* status) {
  ssize_t count = read(Descriptor(handle), buffer, static_cast<size_t>(size));
  if (count < 0) *status = StatusFromErrno(errno);
  return static_cast<int32_t>(count);
}

int32_t hvFileOS_Write(uint64_t handle, const void* buffer, int32_t size, hvFileStatus* status) {
  ssize_t count = write(Descriptor(handle), buffer, static_cast<size_t>(size));
  if (count < 0) *status = StatusFromErrno(errno);
  return static_cast<int32_t>(count);
}

int64_t hvFileOS_Seek(uint64_t handle, int64_t offset, int origin, hvFileStatus* status) {
  static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "origins are passed through");
  static_assert(sizeof(off_t) == 8, "64-bit file offsets are needed");
  off_t position = lseek(Descriptor(handle), static_cast<off_t>(offset), origin);
  if (position < 0) *status = StatusFromErrno(errno);
  return static_cast<int64_t>(position);
}

int64_t hvFileOS_Length(uint64_t handle, hvFileStatus* status) {
  struct stat info;
  if (fstat(Descriptor(handle), &info) != 0) {
    *status = StatusFromErrno(errno);
    return -1;
  }
  return static_cast<int64_t>(info.st_size);
}
