// Windows programs here run under Wine and cannot start the native servers: the runner
// starts them and names them in HV_TEST_HTTP_SERVERS, which hvTestServer then uses.
#include <windows.h>

#include <cstdio>

#include "hvHttpServers.h"

void hvTestServer_MakeTempFoldersIn(const std::string& folder) {
  // GetTempPath, behind every temporary folder, reads TMP first.
  SetEnvironmentVariableA("TMP", folder.c_str());
}

int hvTestServer::FreePort() {
  static bool told = false;
  if (!told)
    fprintf(stderr,
            "hvTestServer: HV_TEST_HTTP_SERVERS is not set; scripts/test-all.sh starts "
            "the servers for the Windows run\n");
  told = true;
  return 0;
}

bool hvTestServer::Launch(Kind, const std::string&, int) { return false; }

void hvTestServer::Stop() {}
