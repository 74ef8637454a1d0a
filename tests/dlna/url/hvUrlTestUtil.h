// Helpers of the URL tests: a record rendered on one line, and owned texts taken over.
#ifndef HV_TESTS_DLNA_URL_HVURLTESTUTIL_H
#define HV_TESTS_DLNA_URL_HVURLTESTUTIL_H

#include <memory>
#include <string>

#include "hulvoStreaming/hvMemory.h"
#include "hulvoStreaming/hvPath.h"
#include "hulvoStreaming/hvUrl.h"
#include "hvTestSupport.h"

// A text returned by the library, released; "(null)" stands for none.
inline std::string Take(char* text) { return hvTakeText(text); }

// scheme|userInfo|host|port|path|query|fragment, "-" for a null member.
inline std::string Render(const hvUrl* url) {
  auto member = [](const char* text) { return std::string(text ? text : "-"); };
  return member(url->scheme) + "|" + member(url->userInfo) + "|" + member(url->host) + "|" +
         std::to_string(url->port) + "|" + member(url->path) + "|" + member(url->query) + "|" +
         member(url->fragment);
}

struct UrlDeleter {
  void operator()(hvUrl* url) const { hvUrl_Free(url); }
};
using UrlPtr = std::unique_ptr<hvUrl, UrlDeleter>;

inline UrlPtr Parse(const char* text, bool unescape = false) {
  return UrlPtr(hvUrl_Parse(text, unescape));
}

inline std::string Format(const UrlPtr& url) { return Take(hvUrl_Format(url.get())); }

// True where a leading '/' roots a file path (POSIX); false on Windows.
inline bool SlashRootsPaths() { return hvPath_IsAbsolute("/"); }

#endif
