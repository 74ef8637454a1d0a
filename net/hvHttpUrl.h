// Which URLs the HTTP sources accept, checked once before anything is sent.
#ifndef HULVOSTREAMING_NET_HVHTTPURL_H
#define HULVOSTREAMING_NET_HVHTTPURL_H

#include "hv/hvCString.h"

// Only http(s) with a host: the URL parser leaves the host out when the port is unreadable.
// Bytes curl would refuse or re-encode (controls, spaces) are refused here already.
bool hvHttpUrl_IsAcceptable(const hvCString& text);

#endif
