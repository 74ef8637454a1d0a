// Fault injection for hvFile, for tests: arms a failure of the Nth read, seek or write made
// through any hvFile of the process (failing, coming short, or landing elsewhere), counted from
// the moment it is armed: that call only, or every call from it on, as a device that has gone
// away. Inert until armed: an unarmed call pays one relaxed load. Any thread may arm, disarm
// and read the counters; the count is process-wide.
#ifndef HV_HVFILEFAULT_H
#define HV_HVFILEFAULT_H

#include <cstdint>

#include "hv/hvPlatform.h"

enum hvFileFaultOperation {
  khvFileFault_Read = 0,
  khvFileFault_Seek = 1,  // Tell() counts: it is a seek by 0 from the current offset
  khvFileFault_Write = 2,
};

enum hvFileFaultKind {
  khvFileFault_Fail = 0,  // the call returns -1 with khvFileStatus_Error and does nothing
  // A read or write moves about half of what was asked (at least one byte); a seek, which
  // cannot come short, fails instead.
  khvFileFault_Short = 1,
  // A seek moves the file 7 bytes past the target and returns where it landed, as a
  // device that rounds offsets would; a Tell, a read or a write cannot land elsewhere and fails.
  khvFileFault_Elsewhere = 2,
};

// The `nth` (1 = the next) call of `operation` gets the fault; the calls after it are
// normal again. Replaces an earlier arming and restarts both counters.
HV_EXPORT void hvFileFault_Arm(hvFileFaultOperation operation, uint32_t nth, hvFileFaultKind kind);
// As hvFileFault_Arm, but the `nth` call and every later one of `operation` get the fault.
HV_EXPORT void hvFileFault_ArmFrom(hvFileFaultOperation operation, uint32_t nth,
                                   hvFileFaultKind kind);
// Stops injecting and counting.
HV_EXPORT void hvFileFault_Disarm();
// Calls of `operation` seen since the last arming.
HV_EXPORT uint32_t hvFileFault_Calls(hvFileFaultOperation operation);
// True once the armed fault was injected (at least once).
HV_EXPORT bool hvFileFault_Fired();

#endif
