#include "hv/hvPathName.h"

namespace {

bool IsSeparator(char character) { return character == '/' || character == '\\'; }

}  // namespace

hvPathName::hvPathName() {}

hvPathName::hvPathName(const char* fullName) : m_fullName(fullName) {}

hvPathName::hvPathName(const hvCString& fullName) : m_fullName(fullName) {}

hvPathName hvPathName::MakeFilePath(const char* fullName) { return hvPathName(fullName); }

hvCString hvPathName::MakeFilePath(const hvCString& directory, const hvCString& name) {
  if (directory.IsEmpty()) return name;
  const char* dir = directory.c_str();
  size_t dirLength = directory.Length();
  long slash = directory.FindLast('/');
  long backslash = directory.FindLast('\\');
  const char separator = backslash > slash ? '\\' : '/';

  size_t nameStart = 0;
  while (nameStart < name.Length() && IsSeparator(name.c_str()[nameStart])) ++nameStart;
  bool endsWithSeparator = IsSeparator(dir[dirLength - 1]);

  hvCString joined(directory);
  if (!endsWithSeparator) joined += hvCString(&separator, 0, 1);
  joined += name.Mid(nameStart);
  return joined;
}

size_t hvPathName::NameStart() const {
  long slash = m_fullName.FindLast('/');
  long backslash = m_fullName.FindLast('\\');
  long last = slash > backslash ? slash : backslash;
  return static_cast<size_t>(last + 1);
}

hvCString hvPathName::GetName() const { return m_fullName.Mid(NameStart()); }

hvCString hvPathName::GetDirectory() const {
  size_t start = NameStart();
  return start == 0 ? hvCString() : m_fullName.Mid(0, start - 1);
}

hvCString hvPathName::GetExtension() const {
  hvCString name = GetName();
  long dot = name.FindLast('.');
  if (dot <= 0) return hvCString();
  return name.Mid(static_cast<size_t>(dot) + 1);
}
