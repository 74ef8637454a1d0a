// The system side of thread objects: only what the standard thread library lacks. The OS
// layer of the product names its threads through here too, so naming lives in one place.
#ifndef HV_PLATFORM_HVTHREADOS_H
#define HV_PLATFORM_HVTHREADOS_H

// Names the calling thread for debuggers: on Windows by the debugger's naming exception
// (seen only by an attached debugger), elsewhere for system tools as well. Silently skipped
// where the system has no such call; `name` may be cut to the system's limit.
void hvThreadOS_NameCurrent(const char* name);

#endif
