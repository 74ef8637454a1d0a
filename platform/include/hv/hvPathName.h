// hvPathName: a file's full name, split on demand into folder, name and extension. Both
// '/' and '\\' separate path elements, whatever the system. A plain value: copy freely;
// not shared between threads without a lock.
#ifndef HV_HVPATHNAME_H
#define HV_HVPATHNAME_H

#include "hv/hvCString.h"
#include "hv/hvPlatform.h"

class HV_EXPORT hvPathName {
 public:
  hvPathName();
  explicit hvPathName(const char* fullName);
  explicit hvPathName(const hvCString& fullName);

  // The path of a file given by its full name (null gives the empty path).
  static hvPathName MakeFilePath(const char* fullName);
  // `directory` and `name` joined with exactly one separator: the one the directory already
  // uses, else '/'. An empty directory gives `name` unchanged.
  static hvCString MakeFilePath(const hvCString& directory, const hvCString& name);

  const hvCString& GetFullName() const { return m_fullName; }
  // The last path element.
  hvCString GetName() const;
  // Everything before the last separator, without it; empty when there is none.
  hvCString GetDirectory() const;
  // The text after the last '.' of the last path element, without the dot. Empty when that
  // element has no dot, ends with one, or only starts with one (".profile").
  hvCString GetExtension() const;

 private:
  // Index just past the last separator: where the last path element starts.
  size_t NameStart() const;

  hvCString m_fullName;
};

#endif
