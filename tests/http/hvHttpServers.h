// Real HTTP servers for the tests, each on a free loopback port it picks, serving a
// temporary folder: lighttpd (ranges, DLNA headers added per folder), Python's http.server
// (no ranges) and the scripted fault server. Each is stopped when the object goes.
// The folders and bytes come from hvTempDir and hvPatternBytes (tests/hvTestSupport.h).
#ifndef HV_TESTS_HTTP_HVHTTPSERVERS_H
#define HV_TESTS_HTTP_HVHTTPSERVERS_H

#include <sys/types.h>

#include <string>
#include <vector>

class hvTestServer {
 public:
  enum Kind { kLighttpd, kPythonPlain, kFaults };
  // Serves `folder`; Started() tells whether the server answers.
  hvTestServer(Kind kind, const std::string& folder);
  ~hvTestServer();
  hvTestServer(const hvTestServer&) = delete;
  hvTestServer& operator=(const hvTestServer&) = delete;

  bool Started() const { return m_pid > 0; }
  std::string Url(const std::string& path) const;
  // lighttpd only: the requests for `path` it has logged, once it logged `expected` of them
  // or gave up waiting.
  size_t Requests(const std::string& path, size_t expected) const;

 private:
  bool Launch(Kind kind, const std::string& folder, int port);

  pid_t m_pid = -1;
  int m_port = 0;
  std::string m_config;
};

#endif
