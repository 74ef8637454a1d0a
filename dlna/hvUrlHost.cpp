// IPv4 hosts of an hvUrl.
#include <cstdio>
#include <cstring>

#include "dlna/hvUrlAddress.h"
#include "dlna/hvUrlInternal.h"

void hvUrl_SetHostIPv4(hvUrl* url, uint32_t address) {
  // "255.255.255.255" and its terminator fill the 16 bytes exactly.
  char text[16];
  snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(address >> 24),
           static_cast<unsigned>((address >> 16) & 0xFF),
           static_cast<unsigned>((address >> 8) & 0xFF), static_cast<unsigned>(address & 0xFF));
  hvUrl_SetHost(url, text);
}

uint32_t hvUrl_GetIPv4Address(const hvUrl* url) {
  if (!url->host) return 0xFFFFFFFFu;
  // Only the lower-case name is the loopback shortcut; others go to the system, which reads
  // dotted addresses only.
  if (strcmp(url->host, "localhost") == 0) return hvUrlAddress_ToNetworkOrder(0x7F000001u);
  return hvUrlAddress_Parse(url->host);
}
