// Real HTTP servers for the tests on the loopback, serving a temporary folder: lighttpd
// (ranges, DLNA headers added per folder), Python's http.server (no ranges) and the scripted
// fault server. Natively each object starts its own server on a free port and stops it when
// it goes. Where HV_TEST_HTTP_SERVERS is set (the Wine run, whose program cannot start native
// servers) the runner's servers are used instead: they serve HV_TEST_HTTP_ROOT, where this
// program's temporary folders are made, and a test's folder is reached through its name.
// The folders and bytes come from hvTempDir and hvPatternBytes (tests/hvTestSupport.h).
#ifndef HV_TESTS_HTTP_HVHTTPSERVERS_H
#define HV_TESTS_HTTP_HVHTTPSERVERS_H

#include <string>
#include <vector>

class hvTestServer {
 public:
  // kLighttpdTls: lighttpd over TLS with a self-signed certificate made for the test, which
  // a client that verifies certificates must refuse (native runs only).
  enum Kind { kLighttpd, kPythonPlain, kFaults, kLighttpdTls };
  // Serves `folder`; Started() tells whether the server answers.
  hvTestServer(Kind kind, const std::string& folder);
  ~hvTestServer();
  hvTestServer(const hvTestServer&) = delete;
  hvTestServer& operator=(const hvTestServer&) = delete;

  bool Started() const { return m_port > 0; }
  std::string Url(const std::string& path) const;
  // lighttpd only: the requests for `path` it has logged, once it logged `expected` of them
  // or gave up waiting.
  size_t Requests(const std::string& path, size_t expected) const;

 private:
  void UseShared(Kind kind, const std::string& folder);
  // The system's part (posix/ or win32/): a server process of our own and its end.
  static int FreePort();
  bool Launch(Kind kind, const std::string& folder, int port);
  void Stop();

  Kind m_kind;
  int m_port = 0;
  // Own server: its process and lighttpd's configuration. Shared: the test folder's name as
  // the first path segment, and the runner's access log.
  long m_process = -1;
  std::string m_config;
  std::string m_prefix;
  std::string m_accessLog;
};

// The lighttpd configuration of a server on `root` (see hvHttpServers.lighttpd.conf).
std::string hvTestServer_LighttpdConfig(const std::string& root, int port,
                                        const std::string& config);

// The system's part: temporary folders of this program go to `folder` from now on.
void hvTestServer_MakeTempFoldersIn(const std::string& folder);

#endif
