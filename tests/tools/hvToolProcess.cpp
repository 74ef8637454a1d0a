// Child processes for the tool tests: fork and exec on POSIX, CreateProcess on Windows. The
// standard streams go through files, so no pipe can fill up while the tool writes.
#include "hvToolProcess.h"

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct Streams {
  std::string in, out, err;
};

#if defined(_WIN32)

// One argument quoted the way the C runtime splits a command line: backslashes are literal
// except before a double quote, where they are doubled.
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
    return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

HANDLE Inheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void Spawn(const std::vector<std::string>& arguments, const Streams& streams,
           const hvToolRunOptions& options, hvToolRun* run) {
  std::string line = Quote(HV_TOOL_PATH);
  for (const std::string& argument : arguments) line += " " + Quote(argument);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  HANDLE inputWriter = nullptr;
  if (options.inputHeldOpen) {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
    if (CreatePipe(&startup.hStdInput, &inputWriter, &attributes, 0))
      SetHandleInformation(inputWriter, HANDLE_FLAG_INHERIT, 0);  // the child gets no writer
  } else {
    startup.hStdInput = Inheritable(streams.in, false);
  }
  startup.hStdOutput = Inheritable(streams.out, true);
  startup.hStdError = Inheritable(streams.err, true);
  PROCESS_INFORMATION process = {};
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    DWORD waited =
        WaitForSingleObject(process.hProcess, static_cast<DWORD>(options.timeoutSeconds) * 1000);
    if (waited != WAIT_OBJECT_0) {
      run->timedOut = true;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 10000);
    } else {
      DWORD code = 0;
      if (GetExitCodeProcess(process.hProcess, &code)) run->exitCode = static_cast<int>(code);
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (K32GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
      run->peakKiB = static_cast<long>(memory.PeakWorkingSetSize / 1024);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (inputWriter) CloseHandle(inputWriter);
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
}

#else

void Spawn(const std::vector<std::string>& arguments, const Streams& streams,
           const hvToolRunOptions& options, hvToolRun* run) {
  std::vector<char*> argv;
  std::string tool = HV_TOOL_PATH;
  argv.push_back(&tool[0]);
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  int inputPipe[2] = {-1, -1};
  if (options.inputHeldOpen && pipe(inputPipe) != 0) return;
  pid_t child = fork();
  if (child == 0) {
    int inFd = options.inputHeldOpen ? inputPipe[0] : open(streams.in.c_str(), O_RDONLY);
    int outFd = open(streams.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int errFd = open(streams.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (inFd < 0 || outFd < 0 || errFd < 0) _exit(127);
    if (options.inputHeldOpen) close(inputPipe[1]);
    dup2(inFd, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (options.inputHeldOpen) close(inputPipe[0]);
  if (child > 0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    int status = 0;
    rusage usage = {};
    pid_t ended;
    while ((ended = wait4(child, &status, WNOHANG, &usage)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
      run->timedOut = true;
      kill(child, SIGKILL);
      ended = wait4(child, &status, 0, &usage);  // a killed child ends at once
    }
    if (ended == child) {
      run->peakKiB = usage.ru_maxrss;  // Linux counts it in KiB
      if (!run->timedOut && WIFEXITED(status)) run->exitCode = WEXITSTATUS(status);
    }
  }
  if (options.inputHeldOpen) close(inputPipe[1]);
}

#endif

}  // namespace

hvToolRun hvTool_RunProcess(const std::vector<std::string>& arguments, const std::string& input,
                            const std::string& folder, const hvToolRunOptions& options) {
  Streams streams{folder + "/stdin", folder + "/stdout", folder + "/stderr"};
  bool ownOutput = options.outputPath.empty();
  if (!ownOutput) streams.out = options.outputPath;
  std::ofstream(streams.in, std::ios::binary | std::ios::trunc) << input;
  hvToolRun run = {-1, false, -1, "", ""};
  Spawn(arguments, streams, options, &run);
  if (ownOutput) run.out = ReadAll(streams.out);
  run.err = ReadAll(streams.err);
  if (run.timedOut) {
    std::string line = "hvstream";
    for (const std::string& argument : arguments) line += " " + argument.substr(0, 80);
    std::string message = "hvToolProcess: '" + line + "' did not end within " +
                          std::to_string(options.timeoutSeconds) + " s and was killed\n";
    std::cerr << message;
    run.err += message;  // so that the failing assertion that prints err shows it too
  }
  return run;
}
