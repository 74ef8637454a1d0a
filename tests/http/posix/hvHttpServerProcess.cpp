// The test servers as processes of the test program: spawned with their output discarded,
// ready once their port accepts a connection, ended with SIGTERM.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <utility>

#include "hvHttpServers.h"

extern char** environ;

namespace {

bool Answers(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

void hvTestServer_MakeTempFoldersIn(const std::string& folder) {
  setenv("TMPDIR", folder.c_str(), 1);
}

int hvTestServer::FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

namespace {

// Starts a program with its output discarded; -1 when it cannot start.
pid_t SpawnQuietly(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed ? -1 : pid;
}

// Runs a program to its end, its output discarded; true when it exits with 0.
bool RunQuietly(std::vector<std::string> args) {
  pid_t pid = SpawnQuietly(std::move(args));
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// A throwaway self-signed certificate and key in one file, as lighttpd reads them.
bool MakeCertificate(const std::string& pem) {
  std::string key = pem + ".key";
  bool made = RunQuietly({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                          "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", pem}) &&
              (std::ofstream(pem, std::ios::app) << std::ifstream(key).rdbuf()).good();
  remove(key.c_str());
  return made;
}

}  // namespace

bool hvTestServer::Launch(Kind kind, const std::string& folder, int port) {
  std::vector<std::string> args;
  // Debian's interpreter starts at once; a version manager's shim can take seconds.
  std::string python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  if (kind == kLighttpd || kind == kLighttpdTls) {
    m_config = folder + ".lighttpd.conf";
    std::string config = hvTestServer_LighttpdConfig(folder, port, m_config);
    if (kind == kLighttpdTls) {
      std::string pem = m_config + ".pem";
      if (!MakeCertificate(pem)) return false;
      config +=
          "server.modules += (\"mod_openssl\")\nssl.engine = \"enable\"\n"
          "ssl.pemfile = \"" +
          pem + "\"\n";
    }
    std::ofstream(m_config) << config;
    args = {"/usr/sbin/lighttpd", "-D", "-f", m_config};
  } else if (kind == kPythonPlain) {
    args = {"python3", "-m",        "http.server", std::to_string(port),
            "--bind",  "127.0.0.1", "--directory", folder};
  } else {
    args = {python, HV_HTTP_FAULT_SERVER, std::to_string(port), folder};
  }
  pid_t pid = SpawnQuietly(std::move(args));
  if (pid < 0) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return false;  // it gave up (port taken)
    if (Answers(port)) {
      m_process = pid;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

void hvTestServer::Stop() {
  kill(static_cast<pid_t>(m_process), SIGTERM);
  waitpid(static_cast<pid_t>(m_process), nullptr, 0);
}
