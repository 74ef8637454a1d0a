// The system calls under hvPath, one implementation per system (support/win32/,
// support/posix/). Each hands back UTF-8 in a guarded allocation, or null; separators,
// placeholders, anchors and every log record live in the shared hvPath files.
#ifndef HULVOSTREAMING_SUPPORT_HVPATHKERNEL_H
#define HULVOSTREAMING_SUPPORT_HVPATHKERNEL_H

#include <cstddef>

// Room the system is given for a file name and for a folder name, in its own characters. A
// name that would fill the room is treated as cut short and refused.
constexpr size_t khvPathKernel_FileNameCapacity = 520;
constexpr size_t khvPathKernel_FolderCapacity = 260;

// The running executable's full name as the system writes it. Null when the system gives no
// name or one that fills the capacity.
char* hvPathKernel_ExecutableFileName();
// The folder for a shell folder number, khvPathShellFolder_Create included. Null when the
// system refuses; *error then holds its error number.
char* hvPathKernel_ShellFolder(int folder, long* error);
// The special-folder lookup (used for the fonts folder); never creates the folder.
char* hvPathKernel_SpecialFolder(int folder);
// The file of the module that contains `address`, without changing the module's reference
// count.
char* hvPathKernel_ModuleFileName(const void* address);
// An hvPathDriveKind value; khvPathDriveKind_Unknown when the volume cannot be queried.
int hvPathKernel_DriveKind(const char* path);
// Whether a path that starts with '/' is rooted on this system.
bool hvPathKernel_SlashIsRoot();

#endif
