#include "hvHttpServers.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string Replace(std::string text, const std::string& key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
  return text;
}

std::string Environment(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

// The same folder however the system spells it: one separator, no trailing one, and drive
// letters in either case.
std::string Folder(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.size() >= 2 && path[1] == ':') path[0] = static_cast<char>(toupper(path[0]));
  return path;
}

// The runner's servers, as "lighttpd=PORT,plain=PORT,faults=PORT".
int SharedPort(hvTestServer::Kind kind) {
  const char* names[] = {"lighttpd=", "plain=", "faults=", "tls="};
  std::string list = "," + Environment("HV_TEST_HTTP_SERVERS");
  size_t at = list.find(std::string(",") + names[kind]);
  return at == std::string::npos ? 0 : atoi(list.c_str() + at + 1 + strlen(names[kind]));
}

// The runner cannot choose where this program's temporary folders go (Wine sets the
// temporary folder itself), so the program puts them in the served folder before any test.
const bool g_tempInSharedRoot = [] {
  std::string root = Environment("HV_TEST_HTTP_ROOT");
  if (!Environment("HV_TEST_HTTP_SERVERS").empty() && !root.empty())
    hvTestServer_MakeTempFoldersIn(root);
  return true;
}();

}  // namespace

std::string hvTestServer_LighttpdConfig(const std::string& root, int port,
                                        const std::string& config) {
  std::ifstream file(HV_HTTP_LIGHTTPD_CONFIG);
  std::stringstream text;
  text << file.rdbuf();
  std::string filled = Replace(text.str(), "@ROOT@", root);
  filled = Replace(filled, "@PORT@", std::to_string(port));
  filled = Replace(filled, "@CONF@", config);
  return Replace(filled, "@PREFIX@", "");
}

hvTestServer::hvTestServer(Kind kind, const std::string& folder) : m_kind(kind) {
  if (!Environment("HV_TEST_HTTP_SERVERS").empty()) {
    UseShared(kind, folder);
    return;
  }
  // Another process may take the port between the look and the bind: try a few.
  for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt) {
    int port = FreePort();
    if (port != 0 && Launch(kind, folder, port)) m_port = port;
  }
}

void hvTestServer::UseShared(Kind kind, const std::string& folder) {
  std::string root = Folder(Environment("HV_TEST_HTTP_ROOT"));
  std::string mine = Folder(folder);
  // Only a folder directly in the served one is reachable (hvTempDir makes them there).
  if (root.empty() || mine.size() <= root.size() + 1 || mine.compare(0, root.size(), root) != 0 ||
      mine[root.size()] != '/' || mine.find('/', root.size() + 1) != std::string::npos) {
    fprintf(stderr, "hvTestServer: \"%s\" is not a folder of HV_TEST_HTTP_ROOT \"%s\"\n",
            mine.c_str(), root.c_str());
    return;
  }
  m_prefix = mine.substr(root.size());
  m_accessLog = Environment("HV_TEST_HTTP_ACCESS_LOG");
  m_port = SharedPort(kind);
}

hvTestServer::~hvTestServer() {
  if (m_process > 0) Stop();
  if (!m_config.empty())
    for (const char* suffix : {"", ".log", ".access", ".pem"}) remove((m_config + suffix).c_str());
}

size_t hvTestServer::Requests(const std::string& path, size_t expected) const {
  std::string logged = " " + m_prefix + path + " ";
  std::string log = m_accessLog.empty() ? m_config + ".access" : m_accessLog;
  auto count = [&] {
    std::ifstream file(log);
    size_t seen = 0;
    for (std::string line; std::getline(file, line);)
      if (line.find(logged) != std::string::npos) ++seen;
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
  std::string placed = m_prefix + path;
  if (m_kind == kFaults && !m_prefix.empty()) {
    // The fault server reads its behaviour from the first segment: the folder comes after.
    size_t second = path.find('/', 1);
    placed = second == std::string::npos ? placed
                                         : path.substr(0, second) + m_prefix + path.substr(second);
  }
  const char* scheme = m_kind == kLighttpdTls ? "https" : "http";
  return scheme + std::string("://127.0.0.1:") + std::to_string(m_port) + placed;
}
