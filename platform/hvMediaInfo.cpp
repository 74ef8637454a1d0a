#include "hv/hvMediaInfo.h"

#include <new>
#include <string>
#include <vector>

namespace {

enum class ValueType { kText, kUInt32, kUInt64 };

struct Entry {
  std::string key;
  ValueType type;
  hvCString text;   // for kText
  uint64_t number;  // for kUInt32 and kUInt64
};

bool IsUsableKey(const char* key) { return key && key[0] != '\0'; }

}  // namespace

// A handful of keys per record: a linear search beats a map here.
struct hvMediaInfo::Entries {
  std::vector<Entry> items;

  Entry* Find(const char* key) {
    for (Entry& entry : items)
      if (entry.key == key) return &entry;
    return nullptr;
  }
  const Entry* Find(const char* key) const { return const_cast<Entries*>(this)->Find(key); }

  bool Store(const char* key, ValueType type, const hvCString& text, uint64_t number,
             bool replace) {
    if (!IsUsableKey(key)) return false;
    Entry* entry = Find(key);
    if (entry && !replace) return true;
    if (!entry) {
      items.push_back(Entry{key, type, hvCString(), 0});
      entry = &items.back();
    }
    entry->type = type;
    entry->text = text;
    entry->number = number;
    return true;
  }
};

hvMediaInfo::hvMediaInfo() : m_entries(new (std::nothrow) Entries) {}

hvMediaInfo::hvMediaInfo(const hvMediaInfo& other)
    : fileName(other.fileName), m_entries(new (std::nothrow) Entries) {
  if (m_entries && other.m_entries) m_entries->items = other.m_entries->items;
}

hvMediaInfo& hvMediaInfo::operator=(const hvMediaInfo& other) {
  if (this == &other) return *this;
  fileName = other.fileName;
  if (m_entries) m_entries->items = other.m_entries ? other.m_entries->items : std::vector<Entry>();
  return *this;
}

hvMediaInfo::~hvMediaInfo() { delete m_entries; }

bool hvMediaInfo::Set(const char* key, const hvCString& value, bool replace) {
  return m_entries && m_entries->Store(key, ValueType::kText, value, 0, replace);
}

bool hvMediaInfo::Set(const char* key, const char* value, bool replace) {
  return Set(key, hvCString(value), replace);
}

bool hvMediaInfo::Set(const char* key, hvuint64 value, bool replace) {
  return m_entries && m_entries->Store(key, ValueType::kUInt64, hvCString(), value, replace);
}

bool hvMediaInfo::Set(const char* key, uint64_t value, bool replace) {
  return Set(key, hvuint64(value), replace);
}

bool hvMediaInfo::SetUInt32(const char* key, uint32_t value, bool replace) {
  return m_entries && m_entries->Store(key, ValueType::kUInt32, hvCString(), value, replace);
}

hvCString hvMediaInfo::GetCString(const char* key, const hvCString& defaultValue) const {
  const Entry* entry = m_entries && IsUsableKey(key) ? m_entries->Find(key) : nullptr;
  if (!entry || entry->type != ValueType::kText) return defaultValue;
  return entry->text;
}

uint32_t hvMediaInfo::GetUInt32(const char* key, uint32_t defaultValue) const {
  const Entry* entry = m_entries && IsUsableKey(key) ? m_entries->Find(key) : nullptr;
  if (!entry || entry->type == ValueType::kText || entry->number > UINT32_MAX) return defaultValue;
  return static_cast<uint32_t>(entry->number);
}

hvuint64 hvMediaInfo::GetUInt64(const char* key, hvuint64 defaultValue) const {
  const Entry* entry = m_entries && IsUsableKey(key) ? m_entries->Find(key) : nullptr;
  if (!entry || entry->type == ValueType::kText) return defaultValue;
  return entry->number;
}

bool hvMediaInfo::Has(const char* key) const {
  return m_entries && IsUsableKey(key) && m_entries->Find(key) != nullptr;
}

bool hvMediaInfo::Remove(const char* key) {
  if (!m_entries || !IsUsableKey(key)) return false;
  for (auto it = m_entries->items.begin(); it != m_entries->items.end(); ++it) {
    if (it->key == key) {
      m_entries->items.erase(it);
      return true;
    }
  }
  return false;
}

size_t hvMediaInfo::GetCount() const { return m_entries ? m_entries->items.size() : 0; }

void hvMediaInfo::Clear() {
  if (m_entries) m_entries->items.clear();
}
