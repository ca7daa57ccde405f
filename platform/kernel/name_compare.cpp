#include "platform/kernel/name_compare.h"

#include <cstdint>

namespace pf::names {
namespace {

// Lower-case ranges and the distance to their upper-case letters.
struct CaseRange {
  char32_t first, last;
  char32_t toUpper;
};
constexpr CaseRange kCaseRanges[] = {
    {U'a', U'z', 0x20},
    {0x03B1, 0x03C1, 0x20},    // Greek alpha..rho
    {0x03C3, 0x03C9, 0x20},    // Greek sigma..omega
    {0x0430, 0x044F, 0x20},    // Cyrillic a..ya
    {0x0451, 0x0451, 0x50},    // Cyrillic yo
    {0xFF41, 0xFF5A, 0x20},    // full-width a..z
};

char32_t UpperCase(char32_t c) {
  for (const CaseRange& range : kCaseRanges) {
    if (c >= range.first && c <= range.last) return c - range.toUpper;
  }
  return c;
}

// Decodes UTF-8; a malformed byte stands for itself so every name still compares.
std::u32string Decode(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    char32_t c = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < utf8.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid) {
      out.push_back(0xDC00 + lead);  // a lone surrogate never clashes with a decoded character
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

bool Match(std::u32string_view pattern, std::u32string_view name) {
  // Iterative glob with one back-track point for the last '*'.
  std::size_t p = 0, n = 0, starP = std::u32string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u32string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace

std::u32string Folded(std::string_view utf8) {
  std::u32string text = Decode(utf8);
  for (char32_t& c : text) c = UpperCase(c);
  return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) { return Folded(a) == Folded(b); }

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  std::u32string p = Folded(pattern);
  const std::u32string n = Folded(name);
  if (p == U"*.*") return true;
  if (Match(p, n)) return true;
  // "name.*" also finds "name": the extension may be absent.
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, U".*") == 0) {
    p.resize(p.size() - 2);
    return n.find(U'.') == std::u32string::npos && Match(p, n);
  }
  return false;
}

}  // namespace pf::names
