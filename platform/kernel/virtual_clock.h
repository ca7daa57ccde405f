#pragma once
// The virtual clock as other kernel parts read it.
#include <cstdint>

namespace pf::virtual_clock {

bool On();
// Moves the clock on and returns the new time in nanoseconds.
std::uint64_t Advance(std::uint64_t nanoseconds);
// The time in nanoseconds, without moving the clock on.
std::uint64_t Now();

}  // namespace pf::virtual_clock
