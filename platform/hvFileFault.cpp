#include "hvFileFault.h"

namespace hvFileFaultInternal {

std::atomic<bool> g_armed{false};

namespace {
std::atomic<uint32_t> g_calls[3];
std::atomic<uint32_t> g_nth{0};
std::atomic<int> g_operation{khvFileFault_Read};
std::atomic<int> g_kind{khvFileFault_Fail};
std::atomic<bool> g_fired{false};
std::atomic<bool> g_persistent{false};  // every call from the nth on
}  // namespace

bool Take(hvFileFaultOperation operation, hvFileFaultKind* kind) {
  uint32_t call = g_calls[operation].fetch_add(1, std::memory_order_relaxed) + 1;
  const uint32_t nth = g_nth.load(std::memory_order_relaxed);
  if (operation != g_operation.load(std::memory_order_relaxed) || call < nth ||
      (call > nth && !g_persistent.load(std::memory_order_relaxed)))
    return false;
  *kind = static_cast<hvFileFaultKind>(g_kind.load(std::memory_order_relaxed));
  g_fired.store(true, std::memory_order_relaxed);
  return true;
}

}  // namespace hvFileFaultInternal

using namespace hvFileFaultInternal;

namespace {
void ArmWith(hvFileFaultOperation operation, uint32_t nth, hvFileFaultKind kind, bool persistent) {
  g_armed.store(false, std::memory_order_seq_cst);
  for (std::atomic<uint32_t>& calls : g_calls) calls.store(0);
  g_persistent.store(persistent);
  g_operation.store(operation);
  g_nth.store(nth);
  g_kind.store(kind);
  g_fired.store(false);
  g_armed.store(true, std::memory_order_seq_cst);
}
}  // namespace

void hvFileFault_Arm(hvFileFaultOperation operation, uint32_t nth, hvFileFaultKind kind) {
  ArmWith(operation, nth, kind, false);
}

void hvFileFault_ArmFrom(hvFileFaultOperation operation, uint32_t nth, hvFileFaultKind kind) {
  ArmWith(operation, nth, kind, true);
}

void hvFileFault_Disarm() { g_armed.store(false); }

uint32_t hvFileFault_Calls(hvFileFaultOperation operation) { return g_calls[operation].load(); }

bool hvFileFault_Fired() { return g_fired.load(); }
