// The application and system folders of hvPath. The system lookups sit behind hvPathKernel;
// this file turns their answers into the texts callers get and writes the log records.
#include "hulvoStreaming/hvPath.h"

#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hv/hvLogReport.h"
#include "support/hvPathKernel.h"

namespace {

const char kLogSource[] = "..\\..\\hvPath";

// The application file name split at its last '/': the index just past it, or 0 when there
// is none (the name then has no folder).
size_t NameStart(const char* fileName) {
  const char* slash = strrchr(fileName, '/');
  return slash ? static_cast<size_t>(slash - fileName) + 1 : 0;
}

bool EndsWithExe(const char* name) {
  const size_t length = strlen(name);
  if (length < 4) return false;
  const char* tail = name + length - 4;
  static const char kExe[] = ".exe";
  for (size_t i = 0; i < 4; ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kExe[i]) return false;
  }
  return true;
}

}  // namespace

char* hvPath_GetApplicationFileName() {
  char* name = hvPathKernel_ExecutableFileName();
  if (!name) {
    HV_LOG(khvLogCategory_Paths, kLogSource,
           "hvPath: Cannot get application file name (buffer too small)\n");
    return nullptr;
  }
  for (char* c = name; *c; ++c) {
    if (*c == '\\') *c = '/';
  }
  return name;
}

char* hvPath_GetApplicationDirectory() {
  char* fileName = hvPath_GetApplicationFileName();
  if (!fileName) return nullptr;
  const size_t length = NameStart(fileName);
  char* directory = length ? hvMemory_Strndup(fileName, length) : nullptr;
  hvMemory_Free(fileName);
  return directory;
}

char* hvPath_GetApplicationName(int stripExe) {
  char* fileName = hvPath_GetApplicationFileName();
  if (!fileName) return nullptr;
  char* name = hvMemory_Strdup(fileName + NameStart(fileName));
  hvMemory_Free(fileName);
  if (stripExe && EndsWithExe(name)) name[strlen(name) - 4] = '\0';
  return name;
}

char* hvPath_GetApplicationDataDirectory() {
  long error = 0;
  char* folder =
      hvPathKernel_ShellFolder(khvPathShellFolder_AppData | khvPathShellFolder_Create, &error);
  if (!folder) {
    HV_LOG(khvLogCategory_Paths, kLogSource,
           "hvPath: Cannot get application specific data directory name (error = '%d')\n",
           static_cast<int>(error));
  }
  return folder;
}

char* hvPath_GetModuleFileName(const void* address) { return hvPathKernel_ModuleFileName(address); }

char* hvPath_GetFontsFolder() { return hvPathKernel_SpecialFolder(khvPathShellFolder_Fonts); }

char* hvPath_GetShellFolder(int folder) {
  long error = 0;
  return hvPathKernel_ShellFolder(folder, &error);
}

int hvPath_GetDriveKind(const char* path) {
  return path ? hvPathKernel_DriveKind(path) : khvPathDriveKind_Unknown;
}
