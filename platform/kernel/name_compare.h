#pragma once
// Comparing file names the way the platform does: without regard to case, on UTF-8 names.
#include <string>
#include <string_view>

namespace pf::names {

// The name with every letter in upper case (ASCII, full-width Latin, Greek and Cyrillic: the
// letters CP932 can hold), for comparisons only.
std::u32string Folded(std::string_view utf8);
bool SameIgnoringCase(std::string_view a, std::string_view b);
// Windows wildcards: '*' any run, '?' one character, "*.*" everything, and a pattern ending in
// ".*" also matches the name without the dot.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace pf::names
