// Seeks over damaged or incomplete media: a clear refusal or the nearest sound position,
// never a crash, a hang or a read outside the stream; data still downloading is "not yet".
#include <gtest/gtest.h>

#include <memory>

#include "hvSeekMediaFixture.h"
#include "hvTestSupport.h"

namespace {
TEST(hvSeekDamageTest, Placeholder) {}
}  // namespace
