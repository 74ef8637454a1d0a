#include "hv/hvStringList.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

struct hvStringList::Entries {
  std::vector<std::string> items;
};

hvStringList::hvStringList() : m_entries(new (std::nothrow) Entries) {}

hvStringList::hvStringList(const char* text, char separator) : hvStringList() {
  Split(text, separator);
}

hvStringList::hvStringList(const hvStringList& other) : hvStringList() { *this = other; }

hvStringList& hvStringList::operator=(const hvStringList& other) {
  if (this != &other && m_entries)
    m_entries->items = other.m_entries ? other.m_entries->items : std::vector<std::string>();
  return *this;
}

hvStringList::~hvStringList() { delete m_entries; }

void hvStringList::Split(const char* text, char separator) {
  Clear();
  if (!m_entries || !text || text[0] == '\0') return;
  const char* start = text;
  for (;;) {
    const char* end = strchr(start, separator);
    // strchr finds the terminator itself when asked for '\0': the whole text is one entry.
    if (!end || separator == '\0') {
      m_entries->items.emplace_back(start);
      return;
    }
    m_entries->items.emplace_back(start, static_cast<size_t>(end - start));
    start = end + 1;
  }
}

void hvStringList::Add(const char* entry) {
  if (m_entries) m_entries->items.emplace_back(entry ? entry : "");
}

void hvStringList::RemoveEmpty() {
  if (!m_entries) return;
  std::vector<std::string>& items = m_entries->items;
  size_t kept = 0;
  for (size_t i = 0; i < items.size(); ++i)
    if (!items[i].empty()) items[kept++].swap(items[i]);
  items.resize(kept);
}

void hvStringList::Clear() {
  if (m_entries) m_entries->items.clear();
}

size_t hvStringList::GetCount() const { return m_entries ? m_entries->items.size() : 0; }

const char* hvStringList::GetAt(size_t index) const {
  if (!m_entries || index >= m_entries->items.size()) return nullptr;
  return m_entries->items[index].c_str();
}

hvCSVStringList::hvCSVStringList() {}

hvCSVStringList::hvCSVStringList(const char* text) : hvStringList(text, ',') {}

void hvCSVStringList::Split(const char* text) { hvStringList::Split(text, ','); }
