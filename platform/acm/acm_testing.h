#pragma once
// Test controls of the ACM stand-in: faults go through pf::testing::FailNextCalls with the
// function's name, "acmStreamOpen" (answers MMSYSERR_NOMEM) or "acmStreamConvert" (answers
// MMSYSERR_ERROR and converts nothing).
#include "platform/kernel/kernel_testing.h"

namespace pf::testing {

// Conversion streams open now, for tests that check none is left behind.
int OpenAcmStreamCount();

// Off: MS ADPCM converters opened from now on decode every block on the scalar path.
void UseVectorMsAdpcm(bool on);

}  // namespace pf::testing
