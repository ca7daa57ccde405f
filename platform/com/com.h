#pragma once
// COM's start and end for the calling thread. Nothing here needs an apartment; the calls keep their
// results: S_OK on the first start, S_FALSE when already started, a failure from the fault switch.
#include <cstdint>

namespace pf {

constexpr std::int32_t kSOk = 0;
constexpr std::int32_t kSFalse = 1;
constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

std::int32_t CoInitialize(void* reserved);
void CoUninitialize();

}  // namespace pf
