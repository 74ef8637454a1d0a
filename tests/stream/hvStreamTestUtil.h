// Helpers shared by the stream tests.
#ifndef HV_TESTS_STREAM_HVSTREAMTESTUTIL_H
#define HV_TESTS_STREAM_HVSTREAMTESTUTIL_H

#include <memory>

#include "hulvoStreaming/hvStream.h"

// Streams are destroyed through Delete(), never with delete.
struct hvStreamDeleter {
  void operator()(hvStream* stream) const {
    if (stream) stream->Delete();
  }
};
template <typename T>
using hvStreamPtr = std::unique_ptr<T, hvStreamDeleter>;

#endif
