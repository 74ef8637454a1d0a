// The real-world texts of the shared corpus (when present) through the tool's standard input:
// every input gives one well-formed JSON line, and the exit status says whether any input
// was reported invalid.
#include <fstream>
#include <sstream>

#include "hvToolTestUtil.h"

namespace {

class hvToolCorpusTest : public hvToolTest {
 protected:
  bool Load(const char* name) {
    std::ifstream file(hvCorpusPath(name), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    m_input = text.str();
    return file.good() || file.eof();
  }
  // Runs the command over the corpus: as many JSON lines as input lines, and exit status 1
  // exactly when some line was reported with "valid":false.
  void ExpectOneJsonLinePerInput(const std::vector<std::string>& arguments) {
    hvToolRun run = Run(arguments, m_input);
    EXPECT_EQ(hvExpectJsonLines(run.out), Lines(m_input).size());
    bool invalid = run.out.find("\"valid\":false") != std::string::npos;
    EXPECT_EQ(run.exitCode, invalid ? 1 : 0) << run.err;
  }

  std::string m_input;
};

TEST_F(hvToolCorpusTest, ProtocolInfoTexts) {
  if (!Load("protocolinfo.txt")) GTEST_SKIP() << "corpus not present";
  ExpectOneJsonLinePerInput({"pinfo", "--json", "-"});
}

TEST_F(hvToolCorpusTest, ProtocolInfoLists) {
  if (!Load("protocolinfo-lists.txt")) GTEST_SKIP() << "corpus not present";
  ExpectOneJsonLinePerInput({"pinfo", "--json", "--list", "-"});
}

TEST_F(hvToolCorpusTest, MimeTexts) {
  if (!Load("mime.txt")) GTEST_SKIP() << "corpus not present";
  ExpectOneJsonLinePerInput({"mime", "--json", "-"});
}

TEST_F(hvToolCorpusTest, Urls) {
  if (!Load("urls.txt")) GTEST_SKIP() << "corpus not present";
  hvToolRun run = Run({"url", "parse", "--json", "-"}, m_input);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(hvExpectJsonLines(run.out), Lines(m_input).size());
}

}  // namespace
