// Real-world URLs, one per line, read at run time from the shared corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hvTestSupport.h"
#include "hvUrlTestUtil.h"

namespace {

bool Holds(const char* member, const char* bytes) {
  return member && strpbrk(member, bytes) != nullptr;
}

class UrlCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!hvCorpusLines("urls.txt", &lines)) return;
    lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
  }
  std::vector<std::string> lines;
};

// A joined record splits back into the same record, so joining is stable after one pass.
TEST_F(UrlCorpus, JoiningIsStable) {
  for (const std::string& line : lines) {
    const std::string joined = Format(Parse(line.c_str()));
    const std::string again = Format(Parse(joined.c_str()));
    EXPECT_EQ(again, joined) << "input: " << line;
  }
}

// Each member stops at the first byte that ends it.
TEST_F(UrlCorpus, MembersHoldNoTerminatingBytes) {
  for (const std::string& line : lines) {
    UrlPtr url = Parse(line.c_str());
    EXPECT_FALSE(Holds(url->scheme, ":/?#")) << line;
    EXPECT_FALSE(Holds(url->userInfo, "/")) << line;
    EXPECT_FALSE(Holds(url->path, "?#")) << line;
    EXPECT_FALSE(Holds(url->query, "#")) << line;
    if (url->host && !strchr(url->host, ':')) {
      EXPECT_FALSE(Holds(url->host, "/?#")) << line;
    }
  }
}

// Everything that takes network text survives every line, both as base and as reference.
TEST_F(UrlCorpus, WholeTextFunctionsAcceptEveryLine) {
  for (const std::string& line : lines) {
    const char* text = line.c_str();
    EXPECT_NE(Take(hvUrl_UnescapeString(text)), "(null)") << text;
    EXPECT_NE(Take(hvUrl_EscapeString(text)), "(null)") << text;
    EXPECT_NE(Take(hvUrl_StripQueryAndFragment(text)), "(null)") << text;
    EXPECT_NE(Take(hvUrl_Resolve(text, "sub/a b.mp3?x=1")), "(null)") << text;
    EXPECT_NE(Take(hvUrl_Resolve("http://server/a/b", text)), "(null)") << text;
    Take(hvUrl_ToFilePath(text));
    UrlPtr url(hvUrl_ParseDecoded(text));
    Take(hvUrl_GetParam(url.get(), "sid"));
    hvUrl_SetParam(url.get(), "sn", "1");
    EXPECT_NE(Format(url), "") << text;
  }
}

}  // namespace
