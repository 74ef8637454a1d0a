// The system side of hvPath on Windows: module names, shell folders and drive types, read as
// wide text and handed on as UTF-8.
#include "support/hvPathKernel.h"

#include <windows.h>
// windows.h first: the shell header relies on its types.
#include <shlobj.h>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"

namespace {

// A wide text of `length` characters as a new UTF-8 text; null when it cannot be converted.
char* ToUtf8(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0 && length > 0) return nullptr;
  char* converted = static_cast<char*>(hvMemory_Malloc(static_cast<size_t>(size) + 1));
  if (length > 0 &&
      WideCharToMultiByte(CP_UTF8, 0, text, length, converted, size, nullptr, nullptr) != size) {
    hvMemory_Free(converted);
    return nullptr;
  }
  converted[size] = '\0';
  return converted;
}

char* ToUtf8(const wchar_t* text) { return ToUtf8(text, lstrlenW(text)); }

// The module's file name, or null when the system gives none or one that fills the room.
char* ModuleName(HMODULE module) {
  wchar_t name[khvPathKernel_FileNameCapacity];
  const DWORD length = GetModuleFileNameW(module, name, khvPathKernel_FileNameCapacity);
  if (length == 0 || length >= khvPathKernel_FileNameCapacity) return nullptr;
  return ToUtf8(name, static_cast<int>(length));
}

}  // namespace

char* hvPathKernel_ExecutableFileName() { return ModuleName(nullptr); }

char* hvPathKernel_ShellFolder(int folder, long* error) {
  wchar_t name[khvPathKernel_FolderCapacity];
  // S_FALSE names a folder that does not exist: no folder either.
  if (SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, name) != S_OK) {
    *error = static_cast<long>(GetLastError());
    return nullptr;
  }
  return ToUtf8(name);
}

char* hvPathKernel_SpecialFolder(int folder) {
  wchar_t name[khvPathKernel_FolderCapacity];
  if (!SHGetSpecialFolderPathW(nullptr, name, folder, FALSE)) return nullptr;
  return ToUtf8(name);
}

char* hvPathKernel_ModuleFileName(const void* address) {
  HMODULE module = nullptr;
  if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                          GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      static_cast<LPCWSTR>(address), &module)) {
    return nullptr;
  }
  return ModuleName(module);
}

int hvPathKernel_DriveKind(const char* path) {
  wchar_t name[khvPathKernel_FileNameCapacity];
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, name,
                                         static_cast<int>(khvPathKernel_FileNameCapacity));
  wchar_t volume[MAX_PATH + 1];
  if (length <= 0 || !GetVolumePathNameW(name, volume, MAX_PATH + 1)) {
    return khvPathDriveKind_Unknown;
  }
  switch (GetDriveTypeW(volume)) {
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
      return khvPathDriveKind_Removable;
    case DRIVE_FIXED:
      return khvPathDriveKind_Fixed;
    case DRIVE_REMOTE:
      return khvPathDriveKind_Network;
    default:
      return khvPathDriveKind_Unknown;
  }
}

bool hvPathKernel_SlashIsRoot() { return false; }
