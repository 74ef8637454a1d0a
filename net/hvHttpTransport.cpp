// The shared transport: one thread serves every HTTP stream of the process.
#include "net/hvHttpTransport.h"

#include <mutex>

namespace {
std::mutex g_lock;
hvHttpTransport* g_transport = nullptr;
size_t g_users = 0;
}  // namespace

hvHttpTransport* hvHttpTransport_Acquire() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_transport) g_transport = hvHttpTransport_Create();
  if (g_transport) ++g_users;
  return g_transport;
}

void hvHttpTransport_Release(hvHttpTransport* transport) {
  if (!transport) return;
  std::lock_guard<std::mutex> hold(g_lock);
  if (--g_users != 0) return;
  // Every user cancelled its transfers before releasing, so the thread is idle.
  delete g_transport;
  g_transport = nullptr;
}
