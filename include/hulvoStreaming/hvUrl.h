// hvUrl splits URL texts into their parts and joins them again, escapes and unescapes parts,
// edits query items, converts between file paths and "file" URLs and resolves references.
// Every text and record returned is a new guarded allocation owned by the caller: texts are
// released with hvMemory_Free, records with hvUrl_Free. Pointers into a record (FindParam,
// GetExtension) live until the member is next changed. No state is kept: different records
// may be used from different threads, one record by one thread at a time. Any byte sequence
// is accepted as text to parse, escape, unescape or resolve.
#ifndef HULVOSTREAMING_HVURL_H
#define HULVOSTREAMING_HVURL_H

#include <cstddef>
#include <cstdint>

#include "hv/hvPlatform.h"

// Each member is null or an owned, NUL-terminated text. Null and empty differ: a present but
// empty query still writes its '?'.
struct hvUrl {
  // Without its ':'; never escaped.
  char* scheme;
  // Without the brackets around a host that holds ':'; never escaped.
  char* host;
  // 0 means none.
  uint16_t port;
  // Up to '?', '#' or the end.
  char* path;
  // After '?', up to '#'.
  char* query;
  // After '#'.
  char* fragment;
  // Between "//" and '@'.
  char* userInfo;
};

// Which URL parts a byte may stand in unescaped. khvUrlClass_Raw tells a setter to store its
// text unchanged.
enum hvUrlClass {
  khvUrlClass_UserInfo = 1,
  khvUrlClass_Path = 2,
  khvUrlClass_Query = 4,
  khvUrlClass_Fragment = 8,
  khvUrlClass_Raw = 0x80,
};

// Records.
HV_EXPORT hvUrl* hvUrl_New();
// Scheme and host are copied as given; the path is escaped with the path class and checked
// (hvUrl_CheckPath). Null arguments leave members null.
HV_EXPORT hvUrl* hvUrl_Create(const char* scheme, const char* host, unsigned port,
                              const char* path);
// As hvUrl_Create, with user info, query and fragment escaped with their classes.
HV_EXPORT hvUrl* hvUrl_CreateFull(const char* scheme, const char* userInfo, const char* host,
                                  unsigned port, const char* path, const char* query,
                                  const char* fragment);
// A copy of every member, as held. Null for null.
HV_EXPORT hvUrl* hvUrl_Copy(const hvUrl* url);
// Frees the members and zeroes the record. Null is ignored.
HV_EXPORT void hvUrl_Clear(hvUrl* url);
HV_EXPORT void hvUrl_Free(hvUrl* url);
// True for null, or when every text member is null or empty; the port does not count.
HV_EXPORT bool hvUrl_IsEmpty(const hvUrl* url);

// Splitting and joining. Parse never fails: text that is no URL gives fewer members. The
// authority ends at the first '/', '?' or '#'; a port must be decimal digits worth at most 65535,
// and an authority whose port cannot be read gives no host and no port. With `unescape`, user
// info, path and fragment are percent-unescaped and the query form-unescaped.
HV_EXPORT hvUrl* hvUrl_Parse(const char* text, bool unescape);
HV_EXPORT hvUrl* hvUrl_ParseDecoded(const char* text);
HV_EXPORT hvUrl* hvUrl_ParseRaw(const char* text);
// Joins the members as held (nothing is escaped); a member counts when it is not null.
HV_EXPORT char* hvUrl_Format(const hvUrl* url);

// Setters free the old member; a null or empty text leaves it null. Texts are escaped with
// the member's class, or stored unchanged with khvUrlClass_Raw.
HV_EXPORT void hvUrl_SetScheme(hvUrl* url, const char* text);
HV_EXPORT void hvUrl_SetUserInfo(hvUrl* url, const char* text,
                                 unsigned classBits = khvUrlClass_UserInfo);
HV_EXPORT void hvUrl_SetHost(hvUrl* url, const char* text);
// `address` in host byte order, written as a dotted quad.
HV_EXPORT void hvUrl_SetHostIPv4(hvUrl* url, uint32_t address);
HV_EXPORT void hvUrl_SetPort(hvUrl* url, unsigned port);
// The path is checked (hvUrl_CheckPath) after escaping.
HV_EXPORT void hvUrl_SetPath(hvUrl* url, const char* text, unsigned classBits = khvUrlClass_Path);
// An absolute file path (hvPath_IsAbsolute) becomes the URL path; any other clears it.
HV_EXPORT void hvUrl_SetFilePath(hvUrl* url, const char* filePath);
// Replaces the path's last element ("/a/b/c.mp4" with "d.mp4" gives "/a/b/d.mp4"); without a
// path, as hvUrl_SetPath.
HV_EXPORT void hvUrl_AppendPath(hvUrl* url, const char* relative);
HV_EXPORT void hvUrl_SetQuery(hvUrl* url, const char* text, unsigned classBits = khvUrlClass_Query);
HV_EXPORT void hvUrl_SetFragment(hvUrl* url, const char* text,
                                 unsigned classBits = khvUrlClass_Fragment);

// The host as an IPv4 address in network byte order: 127.0.0.1 for "localhost", all bits set
// without a host or for a host that is no dotted address.
HV_EXPORT uint32_t hvUrl_GetIPv4Address(const hvUrl* url);
// Points into the path: the text after its last '.' when no separator follows it, else "".
HV_EXPORT const char* hvUrl_GetExtension(const hvUrl* url);
// Empties (but keeps) a path holding a "." or ".." segment: dot segments are refused, not
// resolved. Names that start or end with a dot (".local") are kept.
HV_EXPORT void hvUrl_CheckPath(hvUrl* url);

// Escaping. Bytes whose class has none of `classBits` are written "%xx" (lower case); null
// gives null. With `releaseInput`, `text` is freed (it must then be an owned text).
HV_EXPORT char* hvUrl_EscapeText(const char* text, unsigned classBits, bool releaseInput);
// In place; "%" not followed by two hexadecimal digits stays, and so does "%00": no NUL is ever
// made, so a decoded member or file path is never cut short. Returns `text`.
HV_EXPORT char* hvUrl_UnescapeText(char* text);
// In place: '+' becomes a space, then hvUrl_UnescapeText. Returns `text`.
HV_EXPORT char* hvUrl_UnescapeFormText(char* text);
HV_EXPORT void hvUrl_EscapeFields(hvUrl* url);
HV_EXPORT void hvUrl_UnescapeFields(hvUrl* url);

// Query items, separated by '&': "name" or "name=value"; names compare exactly.
// The first item named `name`: a pointer into the query and the item's length (for any item
// but the first, the span starts at the '&' before it). Null and 0 when absent.
HV_EXPORT const char* hvUrl_FindParam(const hvUrl* url, const char* name, size_t* length);
HV_EXPORT void hvUrl_RemoveParam(hvUrl* url, const char* name);
// Replaces or appends the item; a null value gives a bare name. Nothing is escaped.
HV_EXPORT void hvUrl_SetParam(hvUrl* url, const char* name, const char* value);
// The item's value ("" for a bare name), or null when absent.
HV_EXPORT char* hvUrl_GetParam(const hvUrl* url, const char* name);

// Whole texts.
HV_EXPORT char* hvUrl_StripQueryAndFragment(const char* text);
HV_EXPORT char* hvUrl_UnescapeString(const char* text);
HV_EXPORT char* hvUrl_EscapeString(const char* text);
// On Windows C:\Music\a b.mp3 gives file:///C:/Music/a%20b.mp3 (backslashes are separators);
// where '/' roots a path, /music/a\b.mp3 gives file:///music/a%5Cb.mp3 (a backslash is a byte of
// a name there).
HV_EXPORT char* hvUrl_FromFilePath(const char* filePath);
// The inverse: C:/Music/a b.mp3, or /music/a b.mp3 where '/' roots a path; null for anything
// but a "file" URL with a path starting with '/'.
HV_EXPORT char* hvUrl_ToFilePath(const char* text);
// `referenceText` resolved against `baseText` (http, https and file bases).
HV_EXPORT char* hvUrl_Resolve(const char* baseText, const char* referenceText);

#endif
