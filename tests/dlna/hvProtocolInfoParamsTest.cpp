#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvProtocolInfo.h"

namespace {

class hvProtocolInfoParams : public ::testing::Test {
 protected:
  void SetUp() override { Parse("http-get:*:v/m:x_a=1;x_b=2"); }
  void TearDown() override { hvProtocolInfo_Free(m_record); }

  void Parse(const std::string& text) {
    hvProtocolInfo_Free(m_record);
    m_record = hvProtocolInfo_Parse(text.data(), text.size());
  }
  void Set(const char* name, const char* value) { hvProtocolInfo_SetParam(m_record, name, value); }
  std::string Get(const char* name) {
    const char* value = hvProtocolInfo_GetParam(m_record, name);
    return value ? value : "(none)";
  }
  // "name=value;..." in map order.
  std::string Order() {
    std::string order;
    for (size_t i = 0; i < hvProtocolInfo_GetParamCount(m_record); ++i) {
      const char* name;
      size_t nameLength;
      const char* value;
      EXPECT_TRUE(hvProtocolInfo_GetParamAt(m_record, i, &name, &nameLength, &value));
      order += (i ? ";" : "") + std::string(name, nameLength) + "=" + value;
    }
    return order;
  }

  hvProtocolInfo* m_record = nullptr;
};

TEST_F(hvProtocolInfoParams, SetOfExistingNameReplacesValueAndMovesToEnd) {
  Set("x_a", "3");
  EXPECT_EQ(Order(), "x_b=2;x_a=3");
  Set("new", "4");
  EXPECT_EQ(Order(), "x_b=2;x_a=3;new=4");
}

TEST_F(hvProtocolInfoParams, SetStoresAnyValueTheParserWouldDrop) {
  Set("plain", "a/b c");
  EXPECT_EQ(Get("plain"), "a/b c");
  Set("empty", nullptr);
  EXPECT_EQ(Get("empty"), "");
}

TEST_F(hvProtocolInfoParams, EmptyOrNullNameIsNeitherStoredNorFound) {
  Set("", "1");
  Set(nullptr, "1");
  EXPECT_EQ(Order(), "x_a=1;x_b=2");
  EXPECT_EQ(Get(""), "(none)");
  EXPECT_EQ(Get(nullptr), "(none)");
}

TEST_F(hvProtocolInfoParams, NamesCompareExactly) {
  EXPECT_EQ(Get("X_A"), "(none)");
  EXPECT_EQ(Get("x_"), "(none)");
  EXPECT_EQ(Get("x_a1"), "(none)");
  EXPECT_EQ(Get("x_a"), "1");
}

TEST_F(hvProtocolInfoParams, NamesSharingAKeyStayApart) {
  // Eight bytes: the key is the first four XOR the last four, the same for both names.
  Set("abcdefgh", "1");
  Set("efghabcd", "2");
  // From ten bytes on the four at half the length join in; byte 3 and byte 9 cancel out.
  Set("aaaa__bbbb", "3");
  Set("aaab__bbba", "4");
  EXPECT_EQ(Get("abcdefgh"), "1");
  EXPECT_EQ(Get("efghabcd"), "2");
  EXPECT_EQ(Get("aaaa__bbbb"), "3");
  EXPECT_EQ(Get("aaab__bbba"), "4");
  hvProtocolInfo_RemoveParam(m_record, "abcdefgh");
  EXPECT_EQ(Get("abcdefgh"), "(none)");
  EXPECT_EQ(Get("efghabcd"), "2");
}

TEST_F(hvProtocolInfoParams, RemoveKeepsTheOrderOfTheRest) {
  Set("x_c", "3");
  hvProtocolInfo_RemoveParam(m_record, "x_b");
  hvProtocolInfo_RemoveParam(m_record, "absent");
  EXPECT_EQ(Order(), "x_a=1;x_c=3");
  EXPECT_EQ(Get("x_c"), "3");
}

TEST_F(hvProtocolInfoParams, ClearDropsTheMapAndSetMakesANewOne) {
  hvProtocolInfo_ClearParams(m_record);
  EXPECT_EQ(m_record->params, nullptr);
  EXPECT_EQ(Get("x_a"), "(none)");
  hvProtocolInfo_RemoveParam(m_record, "x_a");
  const char* name;
  size_t nameLength;
  const char* value;
  EXPECT_FALSE(hvProtocolInfo_GetParamAt(m_record, 0, &name, &nameLength, &value));
  Set("x_z", "9");
  EXPECT_EQ(Order(), "x_z=9");
}

// Regression: re-setting a name with its own stored value (or name) used freed memory.
TEST_F(hvProtocolInfoParams, SetWithItsOwnStoredTextsIsSafe) {
  Set("x_a", hvProtocolInfo_GetParam(m_record, "x_a"));
  EXPECT_EQ(Order(), "x_b=2;x_a=1");
  const char* name;
  size_t nameLength;
  const char* value;
  ASSERT_TRUE(hvProtocolInfo_GetParamAt(m_record, 0, &name, &nameLength, &value));
  Set(name, value);
  EXPECT_EQ(Order(), "x_a=1;x_b=2");
}

TEST_F(hvProtocolInfoParams, ManyEntriesStayReachableThroughRemovals) {
  for (int i = 0; i < 2000; ++i) Set(("k" + std::to_string(i)).c_str(), std::to_string(i).c_str());
  for (int i = 0; i < 2000; i += 2)
    hvProtocolInfo_RemoveParam(m_record, ("k" + std::to_string(i)).c_str());
  EXPECT_EQ(hvProtocolInfo_GetParamCount(m_record), 1002u);
  for (int i = 0; i < 2000; ++i)
    EXPECT_EQ(Get(("k" + std::to_string(i)).c_str()), i % 2 ? std::to_string(i) : "(none)");
}

struct FindCase {
  const char* text;
  const char* name;
  const char* wanted;  // null: not found
};

TEST(hvProtocolInfoFindParamInText, FollowsTheParserRules) {
  const FindCase cases[] = {
      {"DLNA.ORG_PN=MP3;vendor_x=1", "vendor_x", "1"},
      {"DLNA.ORG_PN=MP3;vendor_x=1", "VENDOR_X", "1"},
      {"DLNA.ORG_PN=MP3;vendor_x=1", "DLNA.ORG_PN", "MP3"},
      {"DLNA.ORG_PN=MP3;vendor_x=1", "vendor", nullptr},
      // A piece that fails the value test does not count; a later one may.
      {"my_key=a/b;my_key=ok", "my_key", "ok"},
      {"my_key=a.b", "my_key", nullptr},
      // The first counting piece wins.
      {"my_key=1;MY_KEY=2", "my_key", "1"},
      // The first empty piece ends the scan.
      {"a_b=1;;my_key=2", "my_key", nullptr},
      // Names need a '_'; the value is after the last '='.
      {"vendorkey=abc", "vendorkey", nullptr},
      {"my_key=x=y", "my_key", "y"},
      {"my_key", "my_key", "my_key"},
      {"", "my_key", nullptr},
      {"my_key=", "my_key", ""},
  };
  for (const FindCase& c : cases) {
    char* found = hvProtocolInfo_FindParamInText(c.text, c.name);
    std::string got = found ? found : "(null)";
    std::string wanted = c.wanted ? c.wanted : "(null)";
    EXPECT_EQ(got, wanted) << "text: " << c.text << "\nname: " << c.name;
    hvMemory_Free(found);
  }
  EXPECT_EQ(hvProtocolInfo_FindParamInText(nullptr, "a_b"), nullptr);
  EXPECT_EQ(hvProtocolInfo_FindParamInText("a_b=1", nullptr), nullptr);
}

}  // namespace
