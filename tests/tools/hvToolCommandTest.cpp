// The command line as a whole: version, help for every command, and the usage errors that
// every command shares (exit status 2, a message and a hint on standard error).
#include <chrono>
#include <filesystem>

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

// --- output that cannot be written, inputs the tool refuses, runs that hang ---

// Used to exit 0: writes and the final flush went unchecked, so `> /dev/full` lost
// everything silently.
TEST_F(hvToolTest, OutputThatCannotBeWrittenFailsEveryCommand) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  hvToolRunOptions full;
  full.outputPath = "/dev/full";
  std::string file = m_files.WriteFile("small.txt", "a few bytes\n");
  const std::vector<std::vector<std::string>> kRuns = {{"--version"},
                                                       {"pinfo", "http-get:*:audio/mpeg:*"},
                                                       {"mime", "audio/mpeg"},
                                                       {"url", "unescape", "%41"},
                                                       {"info", file},
                                                       {"cat", file},
                                                       {"cat", file, "--offset", "2"}};
  for (const auto& arguments : kRuns) {
    hvToolRun run = Run(full, arguments);
    EXPECT_EQ(run.exitCode, 1) << arguments[0] << ": " << run.err;
    EXPECT_NE(run.err.find("cannot write to standard output"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("12 bytes"), std::string::npos) << "claims the copy: " << run.err;
  }
}

// Used to be read as the text before the NUL, the rest dropped unseen.
TEST_F(hvToolTest, StandardInputHoldingANulByteIsRefused) {
  std::string input = "http-get:*:audio/mpeg:*\nhttp-get:*:audio/mpeg:*";
  input += '\0';
  input += "junk\n";
  for (const char* command : {"pinfo", "mime"}) {
    hvToolRun run = Run({command, "-"}, input);
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_NE(run.err.find("line 2 of standard input holds a NUL byte"), std::string::npos)
        << run.err;
    EXPECT_TRUE(run.out.empty()) << "nothing is handled before the refusal: " << run.out;
  }
}

// Used to repeat the whole input: a 1 MB text gave a 1 MB message line.
TEST_F(hvToolTest, LongInputsAreCutInMessages) {
  hvToolRun fromInput = Run({"pinfo", "-"}, std::string(1 << 20, 'x') + "\n");
  EXPECT_EQ(fromInput.exitCode, 1);
  hvToolRun fromArgument = Run({"cat", "--" + std::string(20000, 'y')});
  EXPECT_EQ(fromArgument.exitCode, 2);
  for (const hvToolRun& run : {fromInput, fromArgument}) {
    EXPECT_LT(run.err.size(), 2000u);
    EXPECT_NE(run.err.find("bytes left out"), std::string::npos) << run.err.substr(0, 300);
  }
  // Short messages stay whole.
  EXPECT_NE(Run({"cat", "--frobnicate"}).err.find("unknown option '--frobnicate'"),
            std::string::npos);
}

// The runner's own bound: a tool that waits for ever fails the test in seconds.
TEST_F(hvToolTest, HungRunIsKilledAtItsBound) {
  hvToolRunOptions held;
  held.inputHeldOpen = true;  // pinfo waits for the end of its input
  held.timeoutSeconds = 2;
  auto start = std::chrono::steady_clock::now();
  hvToolRun run = Run(held, {"pinfo", "-"});
  EXPECT_TRUE(run.timedOut);
  EXPECT_EQ(run.exitCode, -1);
  EXPECT_NE(run.err.find("was killed"), std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
