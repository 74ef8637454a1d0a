// The command line as a whole: version, help for every command, and the usage errors that
// every command shares (exit status 2, a message and a hint on standard error).
#include "hvToolTestUtil.h"

namespace {

const char* const kCommands[] = {"pinfo", "match", "merge", "select", "mime",
                                 "url",   "cat",   "info",  "demo"};

TEST_F(hvToolTest, VersionNamesTheLibraryVersion) {
  hvToolRun run = Run({"--version"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.rfind("hvstream (hulvoStreaming) ", 0), 0u) << run.out;
  EXPECT_TRUE(run.err.empty());
}

TEST_F(hvToolTest, HelpListsEveryCommand) {
  hvToolRun run = Run({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  for (const char* command : kCommands) EXPECT_NE(run.out.find(command), std::string::npos);
}

TEST_F(hvToolTest, EveryCommandHasHelpOnStandardOutput) {
  for (const char* command : kCommands) {
    hvToolRun run = Run({command, "--help"});
    EXPECT_EQ(run.exitCode, 0) << command;
    EXPECT_EQ(run.out.rfind(std::string("usage: hvstream ") + command, 0), 0u) << run.out;
    EXPECT_TRUE(run.err.empty()) << command;
  }
}

TEST_F(hvToolTest, HelpWinsOverMistakesOnTheSameLine) {
  EXPECT_EQ(Run({"cat", "--bogus", "--help"}).exitCode, 0);
}

// --- usage errors ---

TEST_F(hvToolTest, NoCommandIsAUsageError) {
  hvToolRun run = Run({});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("usage: hvstream"), std::string::npos);
  EXPECT_TRUE(run.out.empty());
}

TEST_F(hvToolTest, UnknownCommandIsAUsageError) {
  hvToolRun run = Run({"transcode", "x"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("unknown command 'transcode'"), std::string::npos);
}

TEST_F(hvToolTest, UnknownOptionIsAUsageErrorForEveryCommand) {
  for (const char* command : kCommands) {
    std::vector<std::string> arguments = {command, "--frobnicate", "x"};
    if (std::string(command) == "url") arguments.insert(arguments.begin() + 1, "parse");
    hvToolRun run = Run(arguments);
    EXPECT_EQ(run.exitCode, 2) << command;
    EXPECT_NE(run.err.find("unknown option '--frobnicate'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
  }
}

TEST_F(hvToolTest, MissingOperandsAndValuesAreUsageErrors) {
  EXPECT_EQ(Run({"pinfo"}).exitCode, 2);
  EXPECT_EQ(Run({"match", "http-get:*:*:*"}).exitCode, 2);
  EXPECT_EQ(Run({"merge", "a", "b", "c"}).exitCode, 2);
  EXPECT_EQ(Run({"select", "http-get:*:*:*"}).exitCode, 2);  // no --schemes
  EXPECT_EQ(Run({"url"}).exitCode, 2);
  EXPECT_EQ(Run({"url", "shorten", "x"}).exitCode, 2);
  EXPECT_EQ(Run({"cat"}).exitCode, 2);
  EXPECT_EQ(Run({"info", "a", "b"}).exitCode, 2);
  EXPECT_EQ(Run({"demo", "extra"}).exitCode, 2);
  hvToolRun run = Run({"info", "file", "--mime"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("option '--mime' needs a value"), std::string::npos) << run.err;
}

TEST_F(hvToolTest, FlagGivenAValueIsAUsageError) {
  EXPECT_EQ(Run({"pinfo", "--json=yes", "http-get:*:*:*"}).exitCode, 2);
}

TEST_F(hvToolTest, DoubleDashLetsAnOperandStartWithADash) {
  hvToolRun run = Run({"url", "unescape", "--", "-%41-"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "-A-\n");
}

}  // namespace
