// The seeker manager: a profile-name table for finding seekers and a list that owns them.
// The table's values are borrowed from the list, so the table goes first on destruction.
#include "hulvoStreaming/hvDList.h"
#include "hulvoStreaming/hvHashTable.h"
#include "hulvoStreaming/hvSeeker.h"
#include "hv/hvStringList.h"

namespace {

const char kProfileSeparator = '\\';

void DeleteSeeker(void* seeker) { delete static_cast<hvSeeker*>(seeker); }

}  // namespace

hvSeekerManager::hvSeekerManager()
    : m_profileTable(hvHashTable_CreateStringKeysPlainValues()), m_seekers(hvDList_Create()) {
  hvDList_SetReleaseCallback(m_seekers, DeleteSeeker);
}

hvSeekerManager::~hvSeekerManager() {
  hvHashTable_Destroy(m_profileTable);
  hvDList_Destroy(m_seekers);
}

void hvSeekerManager::Add(hvSeeker* seeker) {
  // A second ownership entry for the same seeker would delete it twice.
  if (!seeker || hvDList_Find(m_seekers, seeker)) return;
  hvCSVStringList names;
  names.Split(seeker->GetProfileNameList().c_str(), kProfileSeparator);
  names.RemoveEmpty();
  // Insert replaces an equal name, which is how a later seeker takes a profile over.
  for (size_t i = 0; i < names.GetCount(); ++i)
    hvHashTable_Insert(m_profileTable, names.GetAt(i), seeker);
  hvDList_Append(m_seekers, seeker);
}

hvSeeker* hvSeekerManager::GetSeeker(hvMediaInfo* info) {
  if (!info) return nullptr;
  const hvCString profile = info->GetCString("dl", hvCString::Empty()).AfterFirst('=');
  return static_cast<hvSeeker*>(hvHashTable_Get(m_profileTable, profile.c_str()));
}
