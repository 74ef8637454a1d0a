// The system's IPv4 address helpers under hvUrl, one implementation per system
// (dlna/win32/, dlna/posix/).
#ifndef HULVOSTREAMING_DLNA_HVURLADDRESS_H
#define HULVOSTREAMING_DLNA_HVURLADDRESS_H

#include <cstdint>

// inet_addr: a dotted address in network byte order, all bits set when `text` is none.
uint32_t hvUrlAddress_Parse(const char* text);
// htonl.
uint32_t hvUrlAddress_ToNetworkOrder(uint32_t address);

#endif
