// Placeholder expansion and absolute paths of hvPath. Texts here may come from users or
// playlists, so every scan is bounded by the text's own terminator.
#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"
#include "hv/hvLogReport.h"
#include "support/hvPathKernel.h"
#include "support/hvStringBuilder.h"

namespace {

const char kLogSource[] = "..\\..\\hvPath";

struct Placeholder {
  const char* name;
  int folder;
};

// Searched in this order: a short name matches the first entry that begins with it.
const Placeholder kPlaceholders[] = {
    {"MyAppData", khvPathShellFolder_AppData},
    {"MyMusic", khvPathShellFolder_MyMusic},
    {"MyPictures", khvPathShellFolder_MyPictures},
    {"MyVideos", khvPathShellFolder_MyVideos},
    {"AllUsersMusic", khvPathShellFolder_AllUsersMusic},
    {"AllUsersPictures", khvPathShellFolder_AllUsersPictures},
    {"AllUsersVideos", khvPathShellFolder_AllUsersVideos},
};
constexpr size_t kPlaceholderCount = sizeof(kPlaceholders) / sizeof(kPlaceholders[0]);

// The table entry for a bracketed name, or -1.
int FindPlaceholder(const char* name, size_t length) {
  for (size_t i = 0; i < kPlaceholderCount; ++i) {
    // The entry's terminator takes part in the comparison, so a name longer than the entry
    // never matches it.
    if (strncmp(kPlaceholders[i].name, name, length) == 0) return static_cast<int>(i);
  }
  return -1;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool StartsWith(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

}  // namespace

char* hvPath_ExpandPlaceholders(const char* text) {
  if (!text) return nullptr;
  // Each folder is asked for once per call, however often its name appears.
  char* folders[kPlaceholderCount] = {};
  hvStringBuilder* result = hvStringBuilder_Create(strlen(text) + 1);
  bool failed = false;
  const char* rest = text;
  for (;;) {
    const char* open = strchr(rest, '<');
    if (!open) {
      hvStringBuilder_AppendText(result, rest);
      break;
    }
    const char* close = strchr(open + 1, '>');
    const int entry = close && close > open + 1
                          ? FindPlaceholder(open + 1, static_cast<size_t>(close - open - 1))
                          : -1;
    if (entry < 0) {
      failed = true;
      break;
    }
    if (!folders[entry]) {
      long error = 0;
      folders[entry] = hvPathKernel_ShellFolder(kPlaceholders[entry].folder, &error);
      if (!folders[entry]) {
        failed = true;
        break;
      }
    }
    hvStringBuilder_AppendBytes(result, rest, static_cast<size_t>(open - rest));
    hvStringBuilder_AppendText(result, folders[entry]);
    // The search goes on after the inserted folder: a folder whose own name holds a
    // bracketed word is not expanded again (it used to make the expansion endless).
    rest = close + 1;
  }
  for (char* folder : folders) hvMemory_Free(folder);
  if (failed) {
    hvStringBuilder_Free(result);
    return nullptr;
  }
  return hvStringBuilder_Detach(result, 0, nullptr);
}

bool hvPath_IsAbsolute(const char* text) {
  if (!text) return false;
  if (text[0] == '\0') return true;
  if (text[0] == '/' && hvPathKernel_SlashIsRoot()) return true;
  if (text[0] == '.') return false;
  return text[1] == ':' || (text[0] == '\\' && text[1] == '\\');
}

char* hvPath_MakeAbsolute(const char* text, int stripTrailing, unsigned flags, const char* anchor) {
  char* expanded = hvPath_ExpandPlaceholders(text);
  if (!expanded) return nullptr;

  hvStringBuilder* path = hvStringBuilder_Create(0);
  if (hvPath_IsAbsolute(expanded)) {
    hvStringBuilder_AppendText(path, expanded);
  } else {
    const char* rest = expanded;
    if (rest[0] == '.' && (rest[1] == '\0' || IsSeparator(rest[1]))) rest += rest[1] ? 2 : 1;
    char* applicationDirectory = anchor ? nullptr : hvPath_GetApplicationDirectory();
    const char* base = anchor ? anchor : applicationDirectory;
    if (!base) {
      HV_LOG(khvLogCategory_Paths, kLogSource,
             "hvPath: Cannot get an anchor path (or none specified) to build an absolute path "
             "for '%s'\n",
             expanded);
      hvMemory_Free(expanded);
      hvStringBuilder_Free(path);
      return nullptr;
    }
    hvStringBuilder_AppendText(path, base);
    hvStringBuilder_AppendText(path, rest);
    hvMemory_Free(applicationDirectory);
  }
  hvMemory_Free(expanded);
  char* joined = hvStringBuilder_Detach(path, 0, nullptr);

  const bool network = StartsWith(joined, "\\\\");
  const bool alreadyLong = StartsWith(joined, "\\\\?\\");
  // Separators are rewritten only after the prefix (or the "\\" of a network path), which
  // must keep its backslashes.
  size_t keep = network ? 2 : 0;
  if (alreadyLong) keep = StartsWith(joined, "\\\\?\\UNC\\") ? 8 : 4;
  if ((flags & khvPathFlag_LongPrefix) && !alreadyLong) {
    hvStringBuilder* prefixed = hvStringBuilder_Create(0);
    hvStringBuilder_AppendText(prefixed, network ? "\\\\?\\UNC\\" : "\\\\?\\");
    hvStringBuilder_AppendText(prefixed, network ? joined + 2 : joined);
    keep = network ? 8 : 4;
    hvMemory_Free(joined);
    joined = hvStringBuilder_Detach(prefixed, 0, nullptr);
  }

  const char from = (flags & khvPathFlag_BackSlashes) ? '/' : '\\';
  const char to = (flags & khvPathFlag_BackSlashes) ? '\\' : '/';
  size_t length = keep;
  for (; joined[length]; ++length) {
    if (joined[length] == from) joined[length] = to;
  }

  if (stripTrailing) {
    // A drive root ("C:\", also behind a long prefix) keeps its separator.
    const size_t root = alreadyLong || (flags & khvPathFlag_LongPrefix) ? keep : 0;
    while (length > 1 && IsSeparator(joined[length - 1])) {
      if (length - root == 3 && joined[root + 1] == ':') break;
      joined[--length] = '\0';
    }
  }
  return joined;
}
