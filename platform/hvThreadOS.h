// The system side of hvStoppableThread: only what the standard thread library lacks.
#ifndef HV_PLATFORM_HVTHREADOS_H
#define HV_PLATFORM_HVTHREADOS_H

// Names the calling thread for debuggers and system tools; silently skipped where the
// system has no such call. `name` is UTF-8 and may be cut to the system's limit.
void hvThreadOS_NameCurrent(const char* name);

#endif
