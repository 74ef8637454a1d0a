// Helpers shared by the buffer tests: a ring with its guarded state visible, the source
// bytes every test streams (byte p of the stream is a function of p alone), a hook that
// counts or refuses bulk allocations, and the fixture of the ring tests.
#ifndef HV_TESTS_BUFFER_HVBUFFERTESTUTIL_H
#define HV_TESTS_BUFFER_HVBUFFERTESTUTIL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "hulvoStreaming/hvBulkMemory.h"
#include "hulvoStreaming/hvStreamBuffer.h"

class hvRingProbe : public hvStreamMultiBuffer {
 public:
  using hvStreamMultiBuffer::hvStreamMultiBuffer;
  hvStreamBufferState State() const { return m_state.load(); }
  hvuint64 EndPosition() const { return m_endPosition; }
  size_t ReadThreshold() const { return m_readThreshold.load(); }
};

inline unsigned char hvSourceByte(uint64_t position) {
  uint64_t mixed = (position + 1) * 0x9E3779B97F4A7C15ull;
  return static_cast<unsigned char>(mixed >> 56);
}

inline std::string hvSourceBytes(uint64_t position, size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(hvSourceByte(position + i));
  return bytes;
}

// While alive, counts bulk allocations and refuses the ones chosen by `refuse` (the number
// of the request, from 1, and its size).
class hvAllocationWatch {
 public:
  explicit hvAllocationWatch(bool (*refuse)(int request, size_t size) = nullptr)
      : m_refuse(refuse) {
    hvBulkMemory_SetHook(&hvAllocationWatch::Hook, this);
  }
  ~hvAllocationWatch() { hvBulkMemory_SetHook(nullptr, nullptr); }
  hvAllocationWatch(const hvAllocationWatch&) = delete;
  hvAllocationWatch& operator=(const hvAllocationWatch&) = delete;
  int Requests() const { return m_requests; }
  void RefuseAll(bool refuse) { m_refuseAll = refuse; }

 private:
  static bool Hook(size_t size, void* self) {
    auto* watch = static_cast<hvAllocationWatch*>(self);
    ++watch->m_requests;
    if (watch->m_refuseAll) return false;
    return !watch->m_refuse || !watch->m_refuse(watch->m_requests, size);
  }
  bool (*m_refuse)(int, size_t);
  int m_requests = 0;
  bool m_refuseAll = false;
};

inline std::string hvRecordText(const char* format, const void* buffer, int state = -1) {
  char text[160];
  unsigned long address = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(buffer));
  if (state >= 0)
    snprintf(text, sizeof text, format, state, address);
  else
    snprintf(text, sizeof text, format, address);
  return text;
}

// A 2 x 4 ring to start with, and the verbs of its producer and its consumer.
class hvRingTest : public ::testing::Test {
 protected:
  void SetUp() override { Make(4, 2); }
  void Make(size_t blockSize, size_t blockCount) {
    ring.reset(new hvRingProbe(blockSize, blockCount));
    ring->SetThresholdCallBack(&hvRingTest::CountThreshold, this);
  }
  hvStreamBuffer& Buffer() { return *ring; }

  // Producer verbs. Taken room is filled with the source bytes of its stream positions.
  hvStreamingStatus TakeWrite(size_t wanted) {
    writeLength = wanted;
    hvStreamingStatus status = Buffer().TakeWriteBuffer(&writeBlock, &writeLength);
    if (writeBlock) {
      std::string bytes = hvSourceBytes(Buffer().GetCurrentWritePosition(), writeLength);
      memcpy(writeBlock, bytes.data(), writeLength);
    }
    return status;
  }
  hvStreamingStatus ReleaseWrite(size_t length) {
    return Buffer().ReleaseWriteBuffer(writeBlock, length);
  }
  // Writes `length` bytes in as many takes as the ring needs; false when a take is refused.
  bool Write(size_t length) {
    while (length > 0) {
      if (TakeWrite(length) != khvStreamingStatus_OK) return false;
      ReleaseWrite(writeLength);
      length -= writeLength;
    }
    return true;
  }

  // Consumer verbs. `got` holds the bytes handed out, `takenAt` the position they came from.
  hvStreamingStatus Take(size_t wanted, bool exact = false) {
    takenAt = Buffer().GetCurrentPosition();
    size_t length = wanted;
    readBlock = reinterpret_cast<unsigned char*>(1);
    hvStreamingStatus status = Buffer().TakeReadBuffer(&readBlock, &length, exact);
    got.assign(readBlock ? reinterpret_cast<char*>(readBlock) : "", readBlock ? length : 0);
    gotLength = length;
    return status;
  }
  hvStreamingStatus Release(size_t length) { return Buffer().ReleaseReadBuffer(readBlock, length); }
  bool GotSourceBytes() const { return got == hvSourceBytes(takenAt, got.size()); }

  static void CountThreshold(void* self) { ++static_cast<hvRingTest*>(self)->thresholdCalls; }

  std::unique_ptr<hvRingProbe> ring;
  unsigned char* writeBlock = nullptr;
  size_t writeLength = 0;
  unsigned char* readBlock = nullptr;
  size_t gotLength = 0;
  uint64_t takenAt = 0;
  std::string got;
  int thresholdCalls = 0;
};

#endif
