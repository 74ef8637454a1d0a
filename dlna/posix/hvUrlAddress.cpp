// IPv4 address helpers of the sockets library.
#include "dlna/hvUrlAddress.h"

#include <arpa/inet.h>

uint32_t hvUrlAddress_Parse(const char* text) { return inet_addr(text); }

uint32_t hvUrlAddress_ToNetworkOrder(uint32_t address) { return htonl(address); }
