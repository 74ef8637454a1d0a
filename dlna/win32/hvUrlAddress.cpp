// IPv4 address helpers of Windows sockets; neither needs WSAStartup.
#include "dlna/hvUrlAddress.h"

#include <winsock2.h>

uint32_t hvUrlAddress_Parse(const char* text) { return inet_addr(text); }

uint32_t hvUrlAddress_ToNetworkOrder(uint32_t address) { return htonl(address); }
