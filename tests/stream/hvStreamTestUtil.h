// Helpers shared by the stream tests.
#ifndef HV_TESTS_STREAM_HVSTREAMTESTUTIL_H
#define HV_TESTS_STREAM_HVSTREAMTESTUTIL_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "hulvoStreaming/hvStream.h"
#include "hv/hvFile.h"

// Streams are destroyed through Delete(), never with delete.
struct hvStreamDeleter {
  void operator()(hvStream* stream) const {
    if (stream) stream->Delete();
  }
};
template <typename T>
using hvStreamPtr = std::unique_ptr<T, hvStreamDeleter>;

// An open file whose behaviour a test scripts: reads may fail or come short, seeks may land
// elsewhere, and a pipe has no offsets at all.
class hvFileDouble : public hvFile {
 public:
  explicit hvFileDouble(std::string bytes) : m_bytes(std::move(bytes)) { handle = 42; }
  ~hvFileDouble() override { handle = khvuint64_Max; }

  bool failReads = false;
  int reads = 0;
  int64_t seekSkew = 0;
  bool skewOnce = false;  // only the next seek lands elsewhere
  size_t largestRead = 0;
  size_t readLimit = SIZE_MAX;  // a read returns at most this many bytes, as pipes do
  bool pipe = false;            // seeks and Tell fail

  int32_t Read(void* buffer, size_t size) override {
    ++reads;
    if (failReads) return -1;
    if (size > largestRead) largestRead = size;
    int64_t available = static_cast<int64_t>(m_bytes.size()) - m_position;
    if (available < 0) available = 0;
    size_t count = std::min({static_cast<size_t>(available), size, readLimit});
    if (count > 0) memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += static_cast<int64_t>(count);
    return static_cast<int32_t>(count);
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (pipe || origin != 0 || offset < 0) return -1;
    m_position = offset + seekSkew;
    if (skewOnce) seekSkew = 0;
    return m_position;
  }
  int64_t Tell() override { return pipe ? -1 : m_position; }
  int64_t Length() override { return static_cast<int64_t>(m_bytes.size()); }
  // Appends bytes, as a writer of a file still being written does.
  void Append(const std::string& bytes) { m_bytes += bytes; }

 private:
  std::string m_bytes;
  int64_t m_position = 0;
};

#endif
