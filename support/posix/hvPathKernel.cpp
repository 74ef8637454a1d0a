// The system side of hvPath on POSIX systems. The Windows shell folders map to the XDG base
// and user folders; folders shared by all users, which XDG does not name, map to fixed
// system folders. Names are bytes, taken to be UTF-8 as the desktop writes them.
#include "support/hvPathKernel.h"

#include <dlfcn.h>
#include <errno.h>
#include <pwd.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"

namespace {

// A folder name built in place, refused (false) once it would fill the capacity.
class FolderName {
 public:
  bool Append(const char* text, size_t length) {
    if (!m_ok || m_length + length >= khvPathKernel_FolderCapacity) return m_ok = false;
    memcpy(m_text + m_length, text, length);
    m_length += length;
    m_text[m_length] = '\0';
    return true;
  }
  bool Append(const char* text) { return Append(text, strlen(text)); }
  bool Overflowed() const { return !m_ok; }
  const char* text() const { return m_text; }

 private:
  char m_text[khvPathKernel_FolderCapacity] = {};
  size_t m_length = 0;
  bool m_ok = true;
};

// $HOME, else the home folder of the user's account entry.
bool HomeFolder(FolderName* folder) {
  const char* home = getenv("HOME");
  if (home && home[0] == '/') return folder->Append(home);
  passwd entry;
  passwd* found = nullptr;
  char storage[1024];
  if (getpwuid_r(getuid(), &entry, storage, sizeof storage, &found) != 0 || !found) return false;
  return found->pw_dir && found->pw_dir[0] == '/' && folder->Append(found->pw_dir);
}

// An XDG base folder: the variable when it holds an absolute name, else home + fallback.
bool BaseFolder(const char* variable, const char* fallback, FolderName* folder) {
  const char* value = getenv(variable);
  if (value && value[0] == '/') return folder->Append(value);
  return HomeFolder(folder) && folder->Append(fallback);
}

// Reads one XDG user folder (XDG_MUSIC_DIR and the like) from user-dirs.dirs, where values
// are "$HOME/..." or absolute, in double quotes, with '\' escaping the next byte.
bool UserFolderFromFile(const char* key, const char* home, FolderName* folder) {
  FolderName file;
  if (!BaseFolder("XDG_CONFIG_HOME", "/.config", &file) || !file.Append("/user-dirs.dirs")) {
    return false;
  }
  FILE* in = fopen(file.text(), "r");
  if (!in) return false;
  const size_t keyLength = strlen(key);
  char line[1024];
  bool found = false;
  while (!found && fgets(line, sizeof line, in)) {
    const char* c = line;
    while (*c == ' ' || *c == '\t') ++c;
    if (strncmp(c, key, keyLength) != 0 || c[keyLength] != '=') continue;
    c += keyLength + 1;
    if (*c != '"') continue;
    ++c;
    FolderName value;
    if (strncmp(c, "$HOME", 5) == 0 && (c[5] == '/' || c[5] == '"')) {
      value.Append(home);
      c += 5;
    } else if (*c != '/') {
      continue;
    }
    for (; *c && *c != '"' && *c != '\n'; ++c) {
      if (*c == '\\' && c[1]) ++c;
      value.Append(c, 1);
    }
    if (*c == '"' && !value.Overflowed()) found = folder->Append(value.text());
  }
  fclose(in);
  return found;
}

// A user folder: its entry in user-dirs.dirs, else the home folder's sub-folder of the
// usual name.
bool UserFolder(const char* key, const char* defaultName, FolderName* folder) {
  FolderName home;
  if (!HomeFolder(&home)) return false;
  if (UserFolderFromFile(key, home.text(), folder)) return true;
  return folder->Append(home.text()) && folder->Append("/") && folder->Append(defaultName);
}

// mkdir -p, with the private mode XDG asks for on folders it creates.
bool CreateFolders(const char* name) {
  char path[khvPathKernel_FolderCapacity];
  const size_t length = strlen(name);
  memcpy(path, name, length + 1);
  for (size_t i = 1; i <= length; ++i) {
    if (path[i] != '/' && path[i] != '\0') continue;
    const char saved = path[i];
    path[i] = '\0';
    if (mkdir(path, 0700) != 0 && errno != EEXIST) return false;
    path[i] = saved;
  }
  struct stat info;
  return stat(name, &info) == 0 && S_ISDIR(info.st_mode);
}

// Windows shell folder numbers (CSIDL values) this system can answer.
bool ShellFolderName(int folder, FolderName* name) {
  switch (folder) {
    case 0x00:  // desktop
    case 0x10:  // desktop folder
      return UserFolder("XDG_DESKTOP_DIR", "Desktop", name);
    case 0x05:  // documents
      return UserFolder("XDG_DOCUMENTS_DIR", "Documents", name);
    case khvPathShellFolder_MyMusic:
      return UserFolder("XDG_MUSIC_DIR", "Music", name);
    case khvPathShellFolder_MyVideos:
      return UserFolder("XDG_VIDEOS_DIR", "Videos", name);
    case khvPathShellFolder_MyPictures:
      return UserFolder("XDG_PICTURES_DIR", "Pictures", name);
    case 0x15:  // templates
      return UserFolder("XDG_TEMPLATES_DIR", "Templates", name);
    case khvPathShellFolder_Fonts:
      return name->Append("/usr/share/fonts");
    case khvPathShellFolder_AppData:
    case 0x1C:  // local application data
      return BaseFolder("XDG_DATA_HOME", "/.local/share", name);
    case 0x20:  // internet cache
      return BaseFolder("XDG_CACHE_HOME", "/.cache", name);
    case 0x23:  // application data of all users
      return name->Append("/var/lib");
    case 0x28:  // profile
      return HomeFolder(name);
    case 0x2E:  // documents of all users
      return name->Append("/srv/media/Documents");
    case khvPathShellFolder_AllUsersMusic:
      return name->Append("/srv/media/Music");
    case khvPathShellFolder_AllUsersPictures:
      return name->Append("/srv/media/Pictures");
    case khvPathShellFolder_AllUsersVideos:
      return name->Append("/srv/media/Videos");
    default:
      return false;
  }
}

// Kinds by file-system type: network file systems, media that come and go (optical discs,
// memory file systems, the FAT family of memory cards and sticks), and disk file systems.
int KindOfFileSystem(unsigned long type) {
  switch (type) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x5346414F:  // AFS
    case 0x6B414653:  // kAFS
    case 0x73757245:  // Coda
    case 0x00C36400:  // Ceph
    case 0x01021997:  // 9P
    case 0x564C:      // NCP
      return khvPathDriveKind_Network;
    case 0x9660:      // ISO 9660
    case 0x15013346:  // UDF
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0x4D44:      // FAT
    case 0x2011BAB0:  // exFAT
      return khvPathDriveKind_Removable;
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // XFS
    case 0x9123683E:  // Btrfs
    case 0xF2F52010:  // F2FS
    case 0x5346544E:  // NTFS
    case 0x2FC12FC1:  // ZFS
    case 0x3153464A:  // JFS
    case 0x52654973:  // ReiserFS
    case 0x794C7630:  // overlay
    case 0x73717368:  // SquashFS
    case 0xE0F5E1E2:  // EROFS
      return khvPathDriveKind_Fixed;
    default:
      return khvPathDriveKind_Unknown;
  }
}

}  // namespace

char* hvPathKernel_ExecutableFileName() {
  char name[khvPathKernel_FileNameCapacity];
  const ssize_t length = readlink("/proc/self/exe", name, sizeof name);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof name) return nullptr;
  return hvMemory_Strndup(name, static_cast<size_t>(length));
}

char* hvPathKernel_ShellFolder(int folder, long* error) {
  FolderName name;
  if (!ShellFolderName(folder & ~khvPathShellFolder_Create, &name)) {
    *error = name.Overflowed() ? ENAMETOOLONG : ENOENT;
    return nullptr;
  }
  if ((folder & khvPathShellFolder_Create) && !CreateFolders(name.text())) {
    *error = errno;
    return nullptr;
  }
  return hvMemory_Strdup(name.text());
}

char* hvPathKernel_SpecialFolder(int folder) {
  long error = 0;
  return hvPathKernel_ShellFolder(folder & ~khvPathShellFolder_Create, &error);
}

char* hvPathKernel_ModuleFileName(const void* address) {
  Dl_info module;
  if (!address || !dladdr(address, &module) || !module.dli_fname) return nullptr;
  // The loader names the main program by the text it was started with, which may be
  // relative; the kernel's name of the executable is the full one.
  Dl_info program;
  const void* programHeaders = reinterpret_cast<const void*>(getauxval(AT_PHDR));
  if (programHeaders && dladdr(programHeaders, &program) && program.dli_fbase == module.dli_fbase) {
    return hvPathKernel_ExecutableFileName();
  }
  if (strlen(module.dli_fname) >= khvPathKernel_FileNameCapacity) return nullptr;
  return hvMemory_Strdup(module.dli_fname);
}

int hvPathKernel_DriveKind(const char* path) {
  // A name that does not exist yet lives on the volume of its nearest existing folder.
  char name[khvPathKernel_FileNameCapacity];
  const size_t length = strlen(path);
  if (length == 0 || length >= sizeof name) return khvPathDriveKind_Unknown;
  memcpy(name, path, length + 1);
  for (;;) {
    struct statfs volume;
    if (statfs(name, &volume) == 0) {
      return KindOfFileSystem(static_cast<unsigned long>(volume.f_type));
    }
    if (errno != ENOENT && errno != ENOTDIR) return khvPathDriveKind_Unknown;
    char* slash = strrchr(name, '/');
    if (!slash) {
      if (strcmp(name, ".") == 0) return khvPathDriveKind_Unknown;
      memcpy(name, ".", 2);
    } else if (slash == name) {
      if (name[1] == '\0') return khvPathDriveKind_Unknown;
      name[1] = '\0';
    } else {
      *slash = '\0';
    }
  }
}

bool hvPathKernel_SlashIsRoot() { return true; }
