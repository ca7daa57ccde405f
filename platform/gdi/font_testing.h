#pragma once
// Test controls of the GDI fonts. Font creation fails through the fault switch "CreateFontA",
// glyph rendering through "GetGlyphOutlineA".
#include <cstdint>

namespace pf::testing {

// GetGlyphOutlineA calls that rendered a bitmap (size queries and metrics are not counted).
std::uint64_t GlyphBitmapsRendered();

}  // namespace pf::testing
