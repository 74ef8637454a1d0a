// The real-world texts of the shared corpus (when present) through the tool's standard input:
// every input gives one well-formed JSON line, and the exit status says whether any input
// was reported invalid.
#include "hvToolTestUtil.h"

namespace {

class hvToolCorpusTest : public hvToolTest {
 protected:
  bool Load(const char* name) { return hvCorpusText(name, &m_input); }
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
  if (!Load("protocolinfo.txt")) return;
  ExpectOneJsonLinePerInput({"pinfo", "--json", "-"});
}

TEST_F(hvToolCorpusTest, ProtocolInfoLists) {
  if (!Load("protocolinfo-lists.txt")) return;
  ExpectOneJsonLinePerInput({"pinfo", "--json", "--list", "-"});
}

TEST_F(hvToolCorpusTest, MimeTexts) {
  if (!Load("mime.txt")) return;
  ExpectOneJsonLinePerInput({"mime", "--json", "-"});
}

TEST_F(hvToolCorpusTest, Urls) {
  if (!Load("urls.txt")) return;
  hvToolRun run = Run({"url", "parse", "--json", "-"}, m_input);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(hvExpectJsonLines(run.out), Lines(m_input).size());
}

}  // namespace
