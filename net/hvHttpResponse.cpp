#include "net/hvHttpResponse.h"

#include <cctype>
#include <cstring>

namespace {

std::string Trim(const char* begin, const char* end) {
  while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
    --end;
  return std::string(begin, end);
}

bool SameName(const std::string& name, const char* expected) {
  size_t length = strlen(expected);
  if (name.size() != length) return false;
  for (size_t index = 0; index < length; ++index)
    if (tolower(static_cast<unsigned char>(name[index])) !=
        tolower(static_cast<unsigned char>(expected[index])))
      return false;
  return true;
}

bool ContainsToken(const std::string& list, const char* token) {
  // A comma-separated list; tokens compare without case.
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string item = Trim(list.data() + start, list.data() + comma);
    if (SameName(item, token)) return true;
    start = comma + 1;
  }
  return false;
}

bool StartStatus(hvHttpResponse* response, const std::string& line) {
  // "HTTP/1.1 206 Partial Content" or "HTTP/2 200".
  if (line.compare(0, 5, "HTTP/") != 0) return false;
  size_t space = line.find(' ');
  if (space == std::string::npos || line.size() < space + 4) return false;
  int status = 0;
  for (size_t index = space + 1; index < space + 4; ++index) {
    if (!isdigit(static_cast<unsigned char>(line[index]))) return false;
    status = status * 10 + (line[index] - '0');
  }
  // Three digits exactly: "HTTP/1.1 2000" is no 200.
  if (line.size() > space + 4 && line[space + 4] != ' ') return false;
  size_t responses = response->responses + 1;
  if (responses > khvHttpMaxResponses) return false;
  *response = hvHttpResponse();
  response->status = status;
  response->responses = responses;
  return true;
}

// False when the field makes the response unusable.
bool AddField(hvHttpResponse* response, const std::string& name, const std::string& value) {
  if (SameName(name, "Content-Length")) {
    uint64_t length = 0;
    if (hvHttpResponse_ParseNumber(value, &length)) {
      // Two lengths that disagree leave the body's end to whichever one the client
      // believed (RFC 9112, 6.3): nothing in it can be placed with confidence.
      if (response->hasLength && response->length != length) return false;
      response->hasLength = true;
      response->length = length;
    }
  } else if (SameName(name, "Transfer-Encoding")) {
    response->chunked = response->chunked || ContainsToken(value, "chunked");
  } else if (SameName(name, "Content-Range")) {
    hvHttpResponse_ParseContentRange(value, response);
  } else if (SameName(name, "Accept-Ranges")) {
    response->acceptRanges = ContainsToken(value, "bytes");
  } else if (SameName(name, "Content-Type")) {
    size_t semicolon = value.find(';');
    response->contentType = Trim(
        value.data(), value.data() + (semicolon == std::string::npos ? value.size() : semicolon));
  } else if (SameName(name, "TimeSeekRange.dlna.org")) {
    size_t bytes = value.find("bytes=");
    if (bytes != std::string::npos) {
      size_t dash = value.find('-', bytes);
      std::string first =
          value.substr(bytes + 6, dash == std::string::npos ? std::string::npos : dash - bytes - 6);
      response->hasTimeSeekBytes = hvHttpResponse_ParseNumber(first, &response->timeSeekFirst);
    }
  } else if (SameName(name, "Location")) {
    response->hasLocation = !value.empty();
  } else if (SameName(name, "contentFeatures.dlna.org")) {
    response->hasContentFeatures = true;
    response->contentFeatures = value;
  }
  return true;
}

}  // namespace

bool hvHttpResponse_ParseNumber(const std::string& text, uint64_t* value) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t number = 0;
  for (char digit : text) {
    if (digit < '0' || digit > '9') return false;
    unsigned add = static_cast<unsigned>(digit - '0');
    if (number > (UINT64_MAX - add) / 10) return false;
    number = number * 10 + add;
  }
  *value = number;
  return true;
}

bool hvHttpResponse_ParseContentRange(const std::string& value, hvHttpResponse* response) {
  if (value.compare(0, 6, "bytes ") != 0) return false;
  size_t slash = value.find('/', 6);
  if (slash == std::string::npos) return false;
  std::string span = Trim(value.data() + 6, value.data() + slash);
  std::string total = Trim(value.data() + slash + 1, value.data() + value.size());
  hvHttpResponse parsed;
  if (span != "*") {
    size_t dash = span.find('-');
    if (dash == std::string::npos ||
        !hvHttpResponse_ParseNumber(span.substr(0, dash), &parsed.rangeFirst) ||
        !hvHttpResponse_ParseNumber(span.substr(dash + 1), &parsed.rangeLast) ||
        parsed.rangeLast < parsed.rangeFirst || parsed.rangeLast == UINT64_MAX)
      return false;
    parsed.hasRange = true;
  }
  if (total != "*") {
    if (!hvHttpResponse_ParseNumber(total, &parsed.total)) return false;
    // A range that ends at or past the total contradicts itself.
    if (parsed.hasRange && parsed.rangeLast >= parsed.total) return false;
    parsed.hasTotal = true;
  }
  if (!parsed.hasRange && !parsed.hasTotal) return false;
  response->hasRange = parsed.hasRange;
  response->rangeFirst = parsed.rangeFirst;
  response->rangeLast = parsed.rangeLast;
  response->hasTotal = parsed.hasTotal;
  response->total = parsed.total;
  return true;
}

bool hvHttpResponse_AddLine(hvHttpResponse* response, const char* line, size_t length) {
  if (length > khvHttpMaxHeaderLine) return false;
  std::string text = Trim(line, line + length);
  if (text.compare(0, 5, "HTTP/") == 0) return StartStatus(response, text);
  if (response->status == 0) return false;
  if (text.empty()) {
    response->complete = true;
    return true;
  }
  if (++response->lines > khvHttpMaxHeaderLines) return false;
  size_t colon = text.find(':');
  if (colon == std::string::npos) return true;
  return AddField(response, Trim(text.data(), text.data() + colon),
                  Trim(text.data() + colon + 1, text.data() + text.size()));
}

bool hvHttpResponse_IsFinal(const hvHttpResponse& response) {
  if (!response.complete || response.status < 200) return false;
  return !(response.status >= 300 && response.status < 400 && response.hasLocation);
}
