#pragma once
// Test controls of the multimedia-stream stand-in: faults go through pf::testing::FailNextCalls
// with "CreateMultiMediaStream" (out of memory), "AddPrimaryAudioStream" (no sound renderer) or
// "CreateStreamSample" (unsupported layout).
#include "platform/kernel/kernel_testing.h"

namespace pf::testing {

// Streams created and not yet released, for tests that check none is left behind.
int OpenMediaStreamCount();

}  // namespace pf::testing
