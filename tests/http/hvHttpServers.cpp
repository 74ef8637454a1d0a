#include "hvHttpServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

int FreePort() {
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

const char kLighttpdConfig[] = R"(server.modules = ("mod_setenv", "mod_accesslog", "mod_redirect")
url.redirect = ("^/moved/(.*)$" => "/media/$1", "^/loop/(.*)$" => "/loop/$1",
                "^/toftp/(.*)$" => "ftp://127.0.0.1/$1")
accesslog.filename = "@CONF@.access"
server.document-root = "@ROOT@"
server.bind = "127.0.0.1"
server.port = @PORT@
server.errorlog = "@CONF@.log"
mimetype.assign = (".bin" => "application/octet-stream", ".mpg" => "video/mpeg",
                   ".jpg" => "image/jpeg")
$HTTP["url"] =~ "^/dlna/" {
  setenv.add-response-header = ("contentFeatures.dlna.org" =>
    "DLNA.ORG_PN=MPEG_PS_PAL;DLNA.ORG_OP=11;DLNA.ORG_FLAGS=01200000000000000000000000000000")
}
)";

std::string Replace(std::string text, const std::string& key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
    text.replace(at, key.size(), value);
  return text;
}

}  // namespace

hvTestServer::hvTestServer(Kind kind, const std::string& folder) {
  // Another process may take the port between the look and the bind: try a few.
  for (int attempt = 0; attempt < 5 && m_pid <= 0; ++attempt) {
    int port = FreePort();
    if (port != 0 && Launch(kind, folder, port)) m_port = port;
  }
}

bool hvTestServer::Launch(Kind kind, const std::string& folder, int port) {
  std::vector<std::string> args;
  // Debian's interpreter starts at once; a version manager's shim can take seconds.
  std::string python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  if (kind == kLighttpd) {
    m_config = folder + ".lighttpd.conf";
    std::ofstream(m_config) << Replace(
        Replace(Replace(kLighttpdConfig, "@ROOT@", folder), "@PORT@", std::to_string(port)),
        "@CONF@", m_config);
    args = {"/usr/sbin/lighttpd", "-D", "-f", m_config};
  } else if (kind == kPythonPlain) {
    args = {"python3", "-m",        "http.server", std::to_string(port),
            "--bind",  "127.0.0.1", "--directory", folder};
  } else {
    args = {python, HV_HTTP_FAULT_SERVER, std::to_string(port), folder};
  }
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
  if (failed) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return false;  // it gave up (port taken)
    if (Answers(port)) {
      m_pid = pid;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

hvTestServer::~hvTestServer() {
  if (m_pid > 0) {
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
  }
  if (!m_config.empty()) {
    unlink(m_config.c_str());
    unlink((m_config + ".log").c_str());
    unlink((m_config + ".access").c_str());
  }
}

size_t hvTestServer::Requests(const std::string& path, size_t expected) const {
  auto count = [&] {
    std::ifstream log(m_config + ".access");
    size_t seen = 0;
    for (std::string line; std::getline(log, line);)
      if (line.find(" " + path + " ") != std::string::npos) ++seen;
    return seen;
  };
  // lighttpd writes a request's line when it is done with it and may hold lines for a
  // while: wait for the expected count, then a little longer for any beyond it.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (count() < expected && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return count();
}

std::string hvTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}
