// A lighttpd of the benchmarks' own, serving one folder on a free loopback port, stopped when
// the object goes. Kept apart from the tests' server fixture so that `make bench` needs no
// test build. POSIX only, like the benchmarks that use it.
#ifndef HV_BENCH_HVBENCHHTTPSERVER_H
#define HV_BENCH_HVBENCHHTTPSERVER_H

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

class hvBenchHttpServer {
 public:
  explicit hvBenchHttpServer(const std::string& folder) : m_config(folder + ".lighttpd.conf") {
    // Another process may take the port between the look and the bind: try a few.
    for (int attempt = 0; attempt < 5 && m_pid <= 0; ++attempt) Launch(folder, Connect(0));
  }
  ~hvBenchHttpServer() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      waitpid(m_pid, nullptr, 0);
    }
    unlink(m_config.c_str());
  }
  hvBenchHttpServer(const hvBenchHttpServer&) = delete;
  hvBenchHttpServer& operator=(const hvBenchHttpServer&) = delete;

  bool Started() const { return m_pid > 0; }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
  }

 private:
  // With `port` 0, a free port (0 if none); otherwise whether something listens there (1/0).
  static int Connect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t size = sizeof address;
    int result = 0;
    if (port != 0)
      result = connect(fd, reinterpret_cast<sockaddr*>(&address), size) == 0;
    else if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
             getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      result = ntohs(address.sin_port);
    close(fd);
    return result;
  }

  void Launch(const std::string& folder, int port) {
    if (port == 0) return;
    std::ofstream(m_config) << "server.document-root = \"" << folder << "\"\n"
                            << "server.bind = \"127.0.0.1\"\nserver.port = " << port << "\n"
                            << "mimetype.assign = (\".ts\" => \"video/mp2t\", \".mp4\" => "
                               "\"video/mp4\", \".bin\" => \"application/octet-stream\")\n";
    const char* argv[] = {"/usr/sbin/lighttpd", "-D", "-f", m_config.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed =
        posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid, nullptr, WNOHANG) == pid) return;  // it gave up (port taken)
      if (Connect(port)) {
        m_pid = pid;
        m_port = port;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }

  std::string m_config;
  pid_t m_pid = -1;
  int m_port = 0;
};

#endif
