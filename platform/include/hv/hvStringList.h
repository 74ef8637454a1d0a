// hvStringList: the entries of a text cut at a separator character, kept as separate
// NUL-terminated strings; hvCSVStringList cuts at ','. Entries are taken as they stand (no
// trimming, no quoting). Copies are deep. Not locked: one thread at a time.
#ifndef HV_HVSTRINGLIST_H
#define HV_HVSTRINGLIST_H

#include <cstddef>

#include "hv/hvPlatform.h"

class HV_EXPORT hvStringList {
 public:
  hvStringList();
  // Splits `text` at `separator`, as Split() does.
  hvStringList(const char* text, char separator);
  hvStringList(const hvStringList& other);
  hvStringList& operator=(const hvStringList& other);
  virtual ~hvStringList();

  // Replaces the entries with the pieces of `text` between separators: "a,,b" gives "a",
  // "" and "b"; a separator at either end gives an empty first or last entry. A null or
  // empty text gives no entries at all.
  void Split(const char* text, char separator);
  void Add(const char* entry);
  void RemoveEmpty();
  void Clear();

  size_t GetCount() const;
  // Entry `index`, or null when out of range. The pointer stays valid until the list
  // changes.
  const char* GetAt(size_t index) const;

 private:
  struct Entries;
  Entries* m_entries;
};

class HV_EXPORT hvCSVStringList : public hvStringList {
 public:
  hvCSVStringList();
  explicit hvCSVStringList(const char* text);

  // Replaces the entries with the comma-separated pieces of `text`.
  void Split(const char* text);
  using hvStringList::Split;
};

#endif
