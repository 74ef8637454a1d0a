// Byte builders and the in-memory seek of the damage tables.
#include "hvSeekBuilt.h"

#include <gtest/gtest.h>

#include <memory>

#include "hulvoStreaming/hvStream.h"

namespace {

// A stream whose size is not known yet, as over HTTP without a length.
class UnsizedStream : public hvMemoryStream {
 public:
  explicit UnsizedStream(const char* mime) : hvMemoryStream(1, mime) {}
  hvuint64 GetStreamSize() override { return khvuint64_Max; }
};

}  // namespace

std::string hvSeekBE(uint64_t value, int width) {
  std::string out;
  for (int i = width; i-- > 0;) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

std::string hvSeekLE(uint64_t value, int width) {
  std::string out;
  for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

std::string hvSeekRepeat(const std::string& unit, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += unit;
  return out;
}

std::string hvSeekTimestamp(uint32_t prefix, uint64_t pts) {
  return hvSeekBE(prefix << 4 | ((pts >> 30) & 7) << 1 | 1, 1) +
         hvSeekBE(((pts >> 15) & 0x7FFF) << 1 | 1, 2) + hvSeekBE((pts & 0x7FFF) << 1 | 1, 2);
}

void hvSeekPatch(std::string* bytes, const std::string& tag, ptrdiff_t offset, uint64_t value,
                 int width) {
  const size_t at = bytes->find(tag);
  ASSERT_NE(at, std::string::npos) << tag;
  const size_t place = at + static_cast<size_t>(offset);
  ASSERT_LE(place + width, bytes->size()) << tag;
  bytes->replace(place, width, hvSeekBE(value, width));
}

hvStreamingStatus hvSeekInMemory(const std::string& bytes, const hvSeekRequest& request,
                                 hvSeekResult* result) {
  static std::unique_ptr<hvSeekerManager> manager(hvSeekerManager_Create());
  hvMediaInfo info;
  info.Set("dl", (std::string("DLNA.ORG_PN=") + request.profile).c_str(), true);
  hvFormatSeeker* seeker = dynamic_cast<hvFormatSeeker*>(manager->GetSeeker(&info));
  if (!seeker) {
    ADD_FAILURE() << "no seeker for " << request.profile;
    return khvStreamingStatus_InvalidOperation;
  }
  hvMemoryStream* stream =
      request.sizeKnown ? new hvMemoryStream(1, request.mime) : new UnsizedStream(request.mime);
  stream->WriteBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  stream->SeekBytes(7);
  if (request.mediaType) {
    hvMediaInfo* description = new hvMediaInfo;
    description->Set("mt", request.mediaType, true);
    stream->SetInfo(description);
  }
  const hvStreamingStatus status = request.isTime
                                       ? seeker->SeekTime(stream, request.value, result)
                                       : seeker->AlignBytes(stream, request.value, result);
  if (status == khvStreamingStatus_OK) {
    EXPECT_LT(result->bytePos, bytes.size());
  } else if (status == khvStreamingStatus_EndOfStream) {
    EXPECT_LE(result->bytePos, bytes.size());
  }
  EXPECT_LE(result->bytesRead, seeker->GetReadBound());
  EXPECT_EQ(stream->GetStreamPosition(), 7u) << "the seeker left the stream elsewhere";
  stream->Delete();
  return status;
}

void hvSeekExpect(const std::string& bytes, const hvSeekRequest& request, hvStreamingStatus status,
                  uint64_t position, const char* situation) {
  hvSeekResult result;
  EXPECT_EQ(hvSeekInMemory(bytes, request, &result), status) << situation;
  if (status == khvStreamingStatus_OK || status == khvStreamingStatus_EndOfStream) {
    EXPECT_EQ(result.bytePos, position) << situation;
  }
}
