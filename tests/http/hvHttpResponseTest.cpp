// The response header reader and the request headers, from the texts servers really send.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/hvHttpRequestHeaders.h"
#include "net/hvHttpResponse.h"

namespace {

// Feeds the lines and renders what the record kept in one line.
std::string Read(const std::vector<std::string>& lines) {
  hvHttpResponse response;
  for (const std::string& line : lines)
    if (!hvHttpResponse_AddLine(&response, line.data(), line.size())) return "refused";
  std::string out =
      std::to_string(response.status) + (hvHttpResponse_IsFinal(response) ? " final" : "");
  if (response.hasLength) out += " length=" + std::to_string(response.length);
  if (response.chunked) out += " chunked";
  if (response.hasRange)
    out +=
        " range=" + std::to_string(response.rangeFirst) + "-" + std::to_string(response.rangeLast);
  if (response.hasTotal) out += " total=" + std::to_string(response.total);
  if (response.acceptRanges) out += " ranges";
  if (!response.contentType.empty()) out += " type=" + response.contentType;
  if (response.hasContentFeatures) out += " features=" + response.contentFeatures;
  if (response.hasTimeSeekBytes) out += " timeseek=" + std::to_string(response.timeSeekFirst);
  return out;
}

TEST(hvHttpResponse, HeadersServersSend) {
  struct Case {
    std::vector<std::string> lines;
    std::string wanted;
  } cases[] = {
      {{"HTTP/1.1 200 OK\r\n", "Content-Length: 4294967397\r\n", "Accept-Ranges: bytes\r\n",
        "Content-Type: video/mpeg; charset=x\r\n", "\r\n"},
       "200 final length=4294967397 ranges type=video/mpeg"},
      {{"HTTP/1.1 206 Partial Content\r\n", "content-range: bytes 100-199/1000\r\n", "\r\n"},
       "206 final range=100-199 total=1000"},
      {{"HTTP/1.1 416 Range Not Satisfiable\r\n", "Content-Range: bytes */1000\r\n", "\r\n"},
       "416 final total=1000"},
      {{"HTTP/2 200\r\n", "transfer-encoding: gzip, Chunked\r\n",
        "contentFeatures.dlna.org: DLNA.ORG_OP=01\r\n", "\r\n"},
       "200 final chunked features=DLNA.ORG_OP=01"},
      // A redirect's fields must not leak into the final response.
      {{"HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "Content-Length: 5\r\n", "\r\n",
        "HTTP/1.1 200 OK\r\n", "\r\n"},
       "200 final"},
      {{"HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "\r\n"}, "302"},
      {{"HTTP/1.1 100 Continue\r\n", "\r\n"}, "100"},
      // Values that do not read are as absent.
      {{"HTTP/1.1 206 Partial Content\r\n", "Content-Range: bytes 200-100/1000\r\n",
        "Content-Length: -5\r\n", "Content-Length: 99999999999999999999\r\n", "\r\n"},
       "206 final"},
      {{"HTTP/1.1 206 Partial Content\r\n", "Content-Range: bytes 0-1000/1000\r\n", "\r\n"},
       "206 final"},
      {{"HTTP/1.1 200 OK\r\n", "Content-Length: 18446744073709551615\r\n"},
       "200 length=18446744073709551615"},
      {{"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 200\r\n", "no colon here\r\n", "\r\n"},
       "200 final"},
      // A 3xx without a place to go is the final answer (an error for the caller).
      {{"HTTP/1.1 302 Found\r\n", "Location: \r\n", "\r\n"}, "302 final"},
      {{"HTTP/1.1 206 Partial Content\r\n", "Content-Range: bytes 0-99/*\r\n",
        "Accept-Ranges: none\r\n", "\r\n"},
       "206 final range=0-99"},
      {{"HTTP/1.1 206 Partial Content\r\n",
        "Content-Range: bytes 18446744073709551613-18446744073709551614/18446744073709551615\r\n",
        "\r\n"},
       "206 final range=18446744073709551613-18446744073709551614 total=18446744073709551615"},
      {{"HTTP/1.1 200 OK\r\n", "Content-Length: 7\r\n", "content-length: 7\r\n",
        "Transfer-Encoding: chunked\r\n", "Transfer-Encoding: gzip\r\n", "\r\n"},
       "200 final length=7 chunked"},
      {{"HTTP/1.1 200 OK\r\n",
        "TimeSeekRange.dlna.org: npt=10.0-20.0/60.0 bytes=1000-1999/6000\r\n", "\r\n"},
       "200 final timeseek=1000"},
      // Content-Range forms that say nothing usable, or lie about their own numbers.
      {{"HTTP/1.1 206 Partial Content\r\n", "Content-Range: bytes */*\r\n",
        "Content-Range: bytes 5-/10\r\n", "Content-Range: bytes=0-5/10\r\n",
        "Content-Range: bytes 0-5\r\n", "Content-Range: bytes 0-1/99999999999999999999\r\n",
        "Content-Range: items 0-1/2\r\n", "Content-Range: bytes 0-1/1\r\n",
        // Used to pass, and its end (last + 1) wrapped to 0: an empty stream.
        "Content-Range: bytes 0-18446744073709551615/*\r\n",
        "TimeSeekRange.dlna.org: npt=1-2/3 bytes=x-1/2\r\n", "\r\n"},
       "206 final"},
      // Lengths that disagree cannot both frame the body.
      {{"HTTP/1.1 200 OK\r\n", "Content-Length: 7\r\n", "Content-Length: 8\r\n", "\r\n"},
       "refused"},
      {{"HTTP/1.1 2000 OK\r\n"}, "refused"},
      {{"ICY 200 OK\r\n"}, "refused"},
      {{"Content-Length: 5\r\n"}, "refused"},
      {{"HTTP/1.1 2x0 OK\r\n"}, "refused"},
  };
  for (const Case& item : cases) {
    std::string got = Read(item.lines);
    EXPECT_EQ(got, item.wanted) << "first line: " << item.lines[0];
  }
}

TEST(hvHttpResponse, BoundsRefuseAFloodingPeer) {
  std::vector<std::string> lines = {"HTTP/1.1 200 OK\r\n"};
  for (size_t index = 0; index < khvHttpMaxHeaderLines; ++index) lines.push_back("X-A: b\r\n");
  EXPECT_NE(Read(lines), "refused");
  lines.push_back("X-A: b\r\n");
  EXPECT_EQ(Read(lines), "refused");

  EXPECT_EQ(Read({"HTTP/1.1 200 OK\r\n", "X-Long: " + std::string(khvHttpMaxHeaderLine, 'a')}),
            "refused");

  std::vector<std::string> redirects;
  for (size_t index = 0; index <= khvHttpMaxResponses; ++index) {
    redirects.push_back("HTTP/1.1 302 Found\r\n");
    redirects.push_back("\r\n");
  }
  EXPECT_EQ(Read(redirects), "refused");
}

TEST(hvHttpRequest, HeadersFollowTheSourceAndTheSeek) {
  hvHttpRequestPlan plan;
  EXPECT_TRUE(hvHttpRequest_Headers(plan).empty());
  plan.rangeStart = 4294967396;
  plan.askContentFeatures = true;
  plan.mimeType = "Video/MPEG";
  EXPECT_EQ(
      hvHttpRequest_Headers(plan),
      (std::vector<std::string>{"Range: bytes=4294967396-", "transferMode.dlna.org: Streaming",
                                "getcontentFeatures.dlna.org: 1"}));
  plan = hvHttpRequestPlan();
  plan.timeSeek = true;
  plan.timeMilliseconds = 83250;
  plan.mimeType = "image/jpeg";
  EXPECT_EQ(hvHttpRequest_Headers(plan),
            (std::vector<std::string>{"TimeSeekRange.dlna.org: npt=83.250-",
                                      "transferMode.dlna.org: Interactive"}));
  EXPECT_STREQ(hvHttpRequest_TransferMode("text/plain"), "");
}

}  // namespace
