// hvMediaInfo: a media description, a record of short text keys ("mt", "fs", ...) with
// typed values (text, 32-bit and 64-bit unsigned), plus the media's file name or location.
// Not locked: one thread at a time.
#ifndef HV_HVMEDIAINFO_H
#define HV_HVMEDIAINFO_H

#include <cstdint>

#include "hv/hvCString.h"
#include "hv/hvPlatform.h"

class HV_EXPORT hvMediaInfo {
 public:
  hvMediaInfo();
  hvMediaInfo(const hvMediaInfo& other);
  hvMediaInfo& operator=(const hvMediaInfo& other);
  virtual ~hvMediaInfo();

  // Each Set stores the value under `key` with its type. With `replace` false an existing
  // value of that key is kept. Returns false for a null or empty key.
  bool Set(const char* key, const hvCString& value, bool replace);
  bool Set(const char* key, const char* value, bool replace);
  bool Set(const char* key, hvuint64 value, bool replace);
  // Plain integers land here rather than on the text overload; a literal 0, which could be
  // a null text, does not compile and must be written hvuint64(0).
  bool Set(const char* key, uint64_t value, bool replace);
  bool SetUInt32(const char* key, uint32_t value, bool replace);

  // Getters return `defaultValue` for an absent key or a value of another type; a 32-bit
  // value reads as 64-bit too, a 64-bit one reads as 32-bit only when it fits.
  hvCString GetCString(const char* key, const hvCString& defaultValue = hvCString()) const;
  uint32_t GetUInt32(const char* key, uint32_t defaultValue) const;
  hvuint64 GetUInt64(const char* key, hvuint64 defaultValue) const;

  bool Has(const char* key) const;
  bool Remove(const char* key);
  size_t GetCount() const;
  void Clear();

  // The media's file name or location; streams fill it when empty.
  hvCString fileName;

 private:
  struct Entries;
  Entries* m_entries;
};

#endif
