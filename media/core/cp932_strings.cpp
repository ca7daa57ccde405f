// String routines over CP932 text: none of them ever takes the trail byte of a double-byte
// character for a character of its own.
#include "media/core/runtime_routines.h"

#include <cstring>

namespace zelvo {

namespace {

// Bytes taken by the character at p: 2 for a lead byte with its trail, else 1. A lead byte right
// before the NUL counts alone, so no scan ever steps over the terminator.
inline std::size_t CharWidth(const char* p) {
  return IsShiftJisLead(static_cast<unsigned char>(p[0])) && p[1] != '\0' ? 2 : 1;
}

}  // namespace

char* CopyString(char* dst, const char* src) {
  const std::size_t length = std::strlen(src);
  std::memcpy(dst, src, length + 1);
  return dst + length;
}

void AppendString(char* dst, const char* src) {
  CopyString(dst + std::strlen(dst), src);
}

const char* FindSubstring(const char* text, const char* pattern) {
  if (text[0] == '\0') {
    return nullptr;
  }
  return std::strstr(text, pattern);
}

const char* FindChar(const char* text, int c) {
  const char wanted = static_cast<char>(c);
  for (const char* p = text; *p != '\0'; p += CharWidth(p)) {
    if (CharWidth(p) == 1 && *p == wanted) {
      return p;
    }
  }
  return nullptr;
}

const char* FindLastChar(const char* text, int c) {
  const char wanted = static_cast<char>(c);
  const char* found = nullptr;
  for (const char* p = text; *p != '\0'; p += CharWidth(p)) {
    if (CharWidth(p) == 1 && *p == wanted) {
      found = p;
    }
  }
  return found;
}

int StringsDiffer(const char* a, const char* b) {
  return std::strcmp(a, b) == 0 ? 0 : 1;
}

void UppercaseString(char* text) {
  for (char* p = text; *p != '\0'; p += CharWidth(p)) {
    if (CharWidth(p) == 1 && *p >= 'a' && *p <= 'z') {
      *p = static_cast<char>(*p - 'a' + 'A');
    }
  }
}

// Compares as text: a NUL common to both ends the comparison, so nothing past either string is read.
int FirstBytesDiffer(const char* a, const char* b, std::size_t n) {
  return std::strncmp(a, b, n) == 0 ? 0 : 1;
}

}  // namespace zelvo
