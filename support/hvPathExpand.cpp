// Placeholder expansion and absolute paths of hvPath. Texts here may come from users or
// playlists, so every scan is bounded by the text's own terminator.
#include <cstring>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"
#include "hv/hvLogReport.h"
#include "support/hvPathKernel.h"

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

// A text grown by appending, in a guarded allocation that the caller takes over.
class TextBuilder {
 public:
  TextBuilder() = default;
  ~TextBuilder() { hvMemory_Free(m_text); }
  TextBuilder(const TextBuilder&) = delete;
  TextBuilder& operator=(const TextBuilder&) = delete;

  void Append(const char* text, size_t length) {
    if (m_length + length + 1 > m_capacity) {
      size_t capacity = m_capacity ? m_capacity : 64;
      while (capacity < m_length + length + 1) capacity *= 2;
      m_text = static_cast<char*>(hvMemory_Realloc(m_text, capacity));
      m_capacity = capacity;
    }
    memcpy(m_text + m_length, text, length);
    m_length += length;
    m_text[m_length] = '\0';
  }
  // The text built so far; the builder is empty afterwards.
  char* Take() {
    if (!m_text) Append("", 0);
    char* text = m_text;
    m_text = nullptr;
    m_length = m_capacity = 0;
    return text;
  }

 private:
  char* m_text = nullptr;
  size_t m_length = 0;
  size_t m_capacity = 0;
};

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
  TextBuilder result;
  bool failed = false;
  const char* rest = text;
  while (!failed) {
    const char* open = strchr(rest, '<');
    if (!open) {
      result.Append(rest, strlen(rest));
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
    result.Append(rest, static_cast<size_t>(open - rest));
    result.Append(folders[entry], strlen(folders[entry]));
    // The search goes on after the inserted folder: a folder whose own name holds a
    // bracketed word is not expanded again (it used to make the expansion endless).
    rest = close + 1;
  }
  for (char* folder : folders) hvMemory_Free(folder);
  return failed ? nullptr : result.Take();
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

  TextBuilder path;
  if (hvPath_IsAbsolute(expanded)) {
    path.Append(expanded, strlen(expanded));
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
      return nullptr;
    }
    path.Append(base, strlen(base));
    path.Append(rest, strlen(rest));
    hvMemory_Free(applicationDirectory);
  }
  hvMemory_Free(expanded);
  char* joined = path.Take();

  const bool network = StartsWith(joined, "\\\\");
  const bool alreadyLong = StartsWith(joined, "\\\\?\\");
  // Separators are rewritten only after the prefix (or the "\\" of a network path), which
  // must keep its backslashes.
  size_t keep = network ? 2 : 0;
  if (alreadyLong) keep = StartsWith(joined, "\\\\?\\UNC\\") ? 8 : 4;
  if ((flags & khvPathFlag_LongPrefix) && !alreadyLong) {
    TextBuilder prefixed;
    if (network) {
      prefixed.Append("\\\\?\\UNC\\", 8);
      prefixed.Append(joined + 2, strlen(joined + 2));
      keep = 8;
    } else {
      prefixed.Append("\\\\?\\", 4);
      prefixed.Append(joined, strlen(joined));
      keep = 4;
    }
    hvMemory_Free(joined);
    joined = prefixed.Take();
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
