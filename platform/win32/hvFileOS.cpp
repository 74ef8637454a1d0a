#include "../hvFileOS.h"

#include <windows.h>

#include <vector>

namespace {

hvFileStatus StatusFromLastError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return khvFileStatus_NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return khvFileStatus_AccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return khvFileStatus_NoSpace;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK:
    case ERROR_NO_UNICODE_TRANSLATION:
    case ERROR_FILENAME_EXCED_RANGE:
      return khvFileStatus_InvalidArgument;
    case ERROR_OPERATION_ABORTED:
      return khvFileStatus_Interrupted;
    default:
      return khvFileStatus_Error;
  }
}

HANDLE Handle(uint64_t handle) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)); }

}  // namespace

uint64_t hvFileOS_Open(const char* utf8Name, bool create, hvFileStatus* status) {
  static_assert(sizeof(HANDLE) <= sizeof(uint64_t), "a handle fits the 64-bit member");
  int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Name, -1, nullptr, 0);
  if (wideLength <= 0) {
    *status = StatusFromLastError(GetLastError());
    return khvuint64_Max;
  }
  std::vector<wchar_t> wideName(static_cast<size_t>(wideLength));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Name, -1, wideName.data(), wideLength);
  // A file being downloaded is read while its writer still has it open.
  HANDLE file = CreateFileW(wideName.data(), create ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *status = StatusFromLastError(GetLastError());
    return khvuint64_Max;
  }
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(file));
}

void hvFileOS_Close(uint64_t handle) { CloseHandle(Handle(handle)); }

int32_t hvFileOS_Read(uint64_t handle, void* buffer, int32_t size, hvFileStatus* status) {
  DWORD count = 0;
  if (!ReadFile(Handle(handle), buffer, static_cast<DWORD>(size), &count, nullptr)) {
    DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF) return 0;
    *status = StatusFromLastError(error);
    return -1;
  }
  return static_cast<int32_t>(count);
}

int32_t hvFileOS_Write(uint64_t handle, const void* buffer, int32_t size, hvFileStatus* status) {
  DWORD count = 0;
  if (!WriteFile(Handle(handle), buffer, static_cast<DWORD>(size), &count, nullptr)) {
    *status = StatusFromLastError(GetLastError());
    return -1;
  }
  return static_cast<int32_t>(count);
}

int64_t hvFileOS_Seek(uint64_t handle, int64_t offset, int origin, hvFileStatus* status) {
  static_assert(FILE_BEGIN == 0 && FILE_CURRENT == 1 && FILE_END == 2,
                "origins are passed through");
  // Pipes and character devices have no offset; SetFilePointerEx would not refuse them.
  if (GetFileType(Handle(handle)) != FILE_TYPE_DISK) {
    *status = khvFileStatus_InvalidArgument;
    return -1;
  }
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(Handle(handle), distance, &position, static_cast<DWORD>(origin))) {
    *status = StatusFromLastError(GetLastError());
    return -1;
  }
  return position.QuadPart;
}

int64_t hvFileOS_Length(uint64_t handle, hvFileStatus* status) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Handle(handle), &size)) {
    *status = StatusFromLastError(GetLastError());
    return -1;
  }
  return size.QuadPart;
}
