// Finding seekers by the profile in a media description, and owning them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hulvoStreaming/hvSeeker.h"

namespace {

// A format-specific seeker with resources of its own; it records its destruction so the
// tests can see the manager delete it through the base class, once.
class FormatSeeker : public hvSeeker {
 public:
  FormatSeeker(const char* profiles, std::vector<std::string>* destroyed)
      : hvSeeker(profiles), m_table(new uint64_t[1024]), m_destroyed(destroyed) {
    m_table[1] = 188;
  }
  ~FormatSeeker() override {
    m_destroyed->push_back(GetProfileNameList().c_str());
    delete[] m_table;
  }
  bool TimeSpecToBytePos(hvStream*, const hvuint64& time, hvuint64& bytePos) override {
    bytePos = m_table[time];
    return true;
  }

 private:
  uint64_t* m_table;
  std::vector<std::string>* m_destroyed;
};

class hvSeekerManagerTest : public testing::Test {
 protected:
  ~hvSeekerManagerTest() override { delete manager; }

  hvSeeker* Add(const char* profiles) {
    hvSeeker* seeker = new FormatSeeker(profiles, &destroyed);
    manager->Add(seeker);
    return seeker;
  }
  hvSeeker* Find(const char* dl) {
    hvMediaInfo info;
    if (dl) info.Set("dl", dl, true);
    return manager->GetSeeker(&info);
  }

  std::vector<std::string> destroyed;
  hvSeekerManager* manager = new hvSeekerManager;
};

TEST_F(hvSeekerManagerTest, FindsSeekerByExactProfileAfterFirstEquals) {
  hvSeeker* seeker = Add("A\\B");
  EXPECT_EQ(Find("X=B"), seeker);
  EXPECT_EQ(Find("X=A"), seeker);
  EXPECT_EQ(Find("X=D"), nullptr);
  EXPECT_EQ(Find("X=b"), nullptr);    // case matters
  EXPECT_EQ(Find("X=A=B"), nullptr);  // everything after the first '=' names the profile
  EXPECT_EQ(Find("B"), nullptr);      // no '=': no profile
  EXPECT_EQ(Find(nullptr), nullptr);
  EXPECT_EQ(manager->GetSeeker(nullptr), nullptr);
}

TEST_F(hvSeekerManagerTest, EmptyProfileNamesAreNotRegistered) {
  hvSeeker* seeker = Add("\\\\A\\\\B\\");
  EXPECT_EQ(Find("X=A"), seeker);
  EXPECT_EQ(Find("X=B"), seeker);
  EXPECT_EQ(Find("X="), nullptr);
  Add("");
  EXPECT_EQ(Find("X="), nullptr);
}

TEST_F(hvSeekerManagerTest, SeekerAddedLastWinsSharedProfileAndAllAreOwned) {
  hvSeeker* first = Add("A\\B");
  hvSeeker* second = Add("A");
  EXPECT_EQ(Find("X=A"), second);
  EXPECT_EQ(Find("X=B"), first);
  delete manager;
  manager = nullptr;
  EXPECT_EQ(destroyed, (std::vector<std::string>{"A\\B", "A"}));
}

TEST_F(hvSeekerManagerTest, DerivedSeekerWorksThroughManagerAndIsReleasedOnce) {
  hvSeeker* seeker = Add("MPEG_TS_SD_EU");
  manager->Add(seeker);  // a second Add must not give a second owner
  hvuint64 bytePos = 0;
  EXPECT_TRUE(Find("DLNA.ORG_PN=MPEG_TS_SD_EU")->TimeSpecToBytePos(nullptr, 1, bytePos));
  EXPECT_EQ(bytePos, 188u);
  delete manager;
  manager = nullptr;
  EXPECT_EQ(destroyed.size(), 1u);
}

}  // namespace
