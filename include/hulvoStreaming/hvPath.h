// hvPath answers where things are on the local machine: the running application, the
// per-user application-data folder, a module's file, the shell folders, and the turning of a
// relative or placeholder path into an absolute one. Every text comes back as a new UTF-8
// string (guarded allocation) that the caller releases with hvMemory_Free; null means none.
// No state is kept: any thread may call any function.
#ifndef HULVOSTREAMING_HVPATH_H
#define HULVOSTREAMING_HVPATH_H

#include "hv/hvPlatform.h"

// Shell folder numbers the library itself asks for. Any other number the system knows may be
// passed to hvPath_GetShellFolder.
enum hvPathShellFolder {
  khvPathShellFolder_MyMusic = 13,
  khvPathShellFolder_MyVideos = 14,
  khvPathShellFolder_Fonts = 20,
  khvPathShellFolder_AppData = 26,
  khvPathShellFolder_MyPictures = 39,
  khvPathShellFolder_AllUsersMusic = 53,
  khvPathShellFolder_AllUsersPictures = 54,
  khvPathShellFolder_AllUsersVideos = 55,
  // Or'ed into a folder number: create the folder when it is missing.
  khvPathShellFolder_Create = 0x8000,
};

// What hvPath_GetDriveKind answers.
enum hvPathDriveKind {
  khvPathDriveKind_Unknown = 0,
  khvPathDriveKind_Network = 1,
  khvPathDriveKind_Fixed = 2,
  // Removable, CD-ROM and RAM-disk drives.
  khvPathDriveKind_Removable = 3,
};

// Bits of the `flags` argument of hvPath_MakeAbsolute.
enum hvPathFlags {
  // Separators become '\' (without it they become '/').
  khvPathFlag_BackSlashes = 1,
  // Long-path prefix: "\\?\" before a local path, "\\?\UNC\" in place of the "\\" of a
  // network path.
  khvPathFlag_LongPrefix = 2,
};

// The executable's full name with every separator written as '/'.
HV_EXPORT char* hvPath_GetApplicationFileName();
// The application file name up to and including its last '/'.
HV_EXPORT char* hvPath_GetApplicationDirectory();
// The executable's name without its folder; with `stripExe`, a final ".exe" (any case) is
// removed.
HV_EXPORT char* hvPath_GetApplicationName(int stripExe);
// The per-user application-data folder, created when it is missing.
HV_EXPORT char* hvPath_GetApplicationDataDirectory();
// The file of the module (executable or shared library) that contains `address`, with the
// system's own separators.
HV_EXPORT char* hvPath_GetModuleFileName(const void* address);
HV_EXPORT char* hvPath_GetFontsFolder();
// The folder for a shell folder number (hvPathShellFolder values and the system's others);
// null when the system has no such folder.
HV_EXPORT char* hvPath_GetShellFolder(int folder);

// Replaces each "<Name>" by the shell folder it names: MyAppData, MyMusic, MyPictures,
// MyVideos, AllUsersMusic, AllUsersPictures, AllUsersVideos, where a name also matches the
// first of them that begins with it ("<My>" is MyAppData). Null for a null text, an empty
// or unclosed bracket, an unknown name or a folder the system cannot give. Safe on
// untrusted text.
HV_EXPORT char* hvPath_ExpandPlaceholders(const char* text);
// Expands placeholders, then puts a path that is not absolute under `anchor` (null: the
// application directory), dropping a leading "." or "./"; applies hvPathFlags; with
// `stripTrailing`, drops trailing separators except a lone one and that of a drive root.
HV_EXPORT char* hvPath_MakeAbsolute(const char* text, int stripTrailing, unsigned flags,
                                    const char* anchor);

// An hvPathDriveKind value for the volume that holds `path`.
HV_EXPORT int hvPath_GetDriveKind(const char* path);
// True for the empty text, for a text whose second character is ':' (and whose first is not
// '.'), for a text starting with two backslashes, and, on systems rooted at '/', for a text
// starting with '/'. False for null.
HV_EXPORT bool hvPath_IsAbsolute(const char* text);

#endif
