// Child processes for the tool tests: fork and exec on POSIX, CreateProcess on Windows. The
// standard streams go through files, so no pipe can fill up while the tool writes.
#include "hvToolProcess.h"

#include <fstream>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
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

int Spawn(const std::vector<std::string>& arguments, const std::string& in, const std::string& out,
          const std::string& err) {
  std::string line = Quote(HV_TOOL_PATH);
  for (const std::string& argument : arguments) line += " " + Quote(argument);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(in, false);
  startup.hStdOutput = Inheritable(out, true);
  startup.hStdError = Inheritable(err, true);
  PROCESS_INFORMATION process = {};
  int exitCode = -1;
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  return exitCode;
}

#else

int Spawn(const std::vector<std::string>& arguments, const std::string& in, const std::string& out,
          const std::string& err) {
  std::vector<char*> argv;
  std::string tool = HV_TOOL_PATH;
  argv.push_back(&tool[0]);
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    int inFd = open(in.c_str(), O_RDONLY);
    int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (inFd < 0 || outFd < 0 || errFd < 0) _exit(127);
    dup2(inFd, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

#endif

}  // namespace

hvToolRun hvTool_RunProcess(const std::vector<std::string>& arguments, const std::string& input,
                            const std::string& folder) {
  std::string in = folder + "/stdin", out = folder + "/stdout", err = folder + "/stderr";
  std::ofstream(in, std::ios::binary | std::ios::trunc) << input;
  hvToolRun run;
  run.exitCode = Spawn(arguments, in, out, err);
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  return run;
}
