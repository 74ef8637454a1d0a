// Helpers shared by the stream tests.
#ifndef HV_TESTS_STREAM_HVSTREAMTESTUTIL_H
#define HV_TESTS_STREAM_HVSTREAMTESTUTIL_H

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

// An open file whose behaviour a test scripts: reads may fail, seeks may land elsewhere.
class hvFileDouble : public hvFile {
 public:
  explicit hvFileDouble(std::string bytes) : m_bytes(std::move(bytes)) { handle = 42; }
  ~hvFileDouble() override { handle = khvuint64_Max; }

  bool failReads = false;
  int reads = 0;
  int64_t seekSkew = 0;
  size_t largestRead = 0;

  int32_t Read(void* buffer, size_t size) override {
    ++reads;
    if (failReads) return -1;
    if (size > largestRead) largestRead = size;
    int64_t available = static_cast<int64_t>(m_bytes.size()) - m_position;
    if (available < 0) available = 0;
    int32_t count = static_cast<int32_t>(static_cast<uint64_t>(available) < size ? available
                                                                                 : static_cast<int64_t>(size));
    if (count > 0) memcpy(buffer, m_bytes.data() + m_position, static_cast<size_t>(count));
    m_position += count;
    return count;
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (origin != 0 || offset < 0) return -1;
    m_position = offset + seekSkew;
    return m_position;
  }
  int64_t Tell() override { return m_position; }
  int64_t Length() override { return static_cast<int64_t>(m_bytes.size()); }

 private:
  std::string m_bytes;
  int64_t m_position = 0;
};

#endif
