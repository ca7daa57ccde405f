// Formatting into callers' buffers, and the texts for a byte size and a duration.
#include "media/core/runtime_routines.h"

#include <cstdio>
#include <cstring>

namespace zelvo {

namespace {

// Length of the first `length` bytes without a double-byte character cut in half at their end.
std::size_t WholeCharacterLength(const char* text, std::size_t length) {
  std::size_t i = 0;
  while (i < length) {
    if (IsShiftJisLead(static_cast<unsigned char>(text[i]))) {
      if (i + 1 == length) {
        return i;
      }
      i += 2;
    } else {
      ++i;
    }
  }
  return length;
}

}  // namespace

// Returns the number of bytes stored, without the NUL. A text longer than the buffer is cut at
// size - 1 bytes, one byte earlier when the cut would split a double-byte character.
int StringVPrintf(char* buffer, std::size_t size, const char* format, va_list args) {
  if (size == 0) {
    return 0;
  }
  const int wanted = std::vsnprintf(buffer, size, format, args);
  if (wanted < 0) {
    buffer[0] = '\0';
    return 0;
  }
  if (static_cast<std::size_t>(wanted) < size) {
    return wanted;
  }
  const std::size_t kept = WholeCharacterLength(buffer, size - 1);
  buffer[kept] = '\0';
  return static_cast<int>(kept);
}

int StringPrintf(char* buffer, std::size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  StringVPrintf(buffer, size, format, args);
  va_end(args);
  return 0;
}

// `out` holds at least 32 bytes; absurdly large counts are cut there.
char ByteSizeText(double bytes, char* out) {
  constexpr std::size_t kOutSize = 32;
  if (bytes > 858993459.2) {
    StringPrintf(out, kOutSize, "%.1f", bytes / 1073741824.0);
    return 'G';
  }
  if (bytes > 838860.8) {
    StringPrintf(out, kOutSize, "%.1f", bytes / 1048576.0);
    return 'M';
  }
  StringPrintf(out, kOutSize, "%.1f", bytes / 1024.0);
  if (std::strcmp(out, "-0.0") == 0) {
    std::strcpy(out, "0.0");
  }
  return 'k';
}

// Days and hours when present; minutes only without days; seconds only without days or hours.
void DurationText(std::uint32_t milliseconds, char* out) {
  char* p = out;
  *p = '\0';
  std::uint32_t rest = milliseconds;
  bool wroteDays = false;
  bool wroteHours = false;
  if (rest >= 86400000u) {
    p += std::sprintf(p, "%u日 ", rest / 86400000u);
    rest %= 86400000u;
    wroteDays = true;
  }
  if (rest >= 3600000u) {
    p += std::sprintf(p, "%u時間 ", rest / 3600000u);
    rest %= 3600000u;
    wroteHours = true;
  }
  if (!wroteDays && rest >= 60000u) {
    p += std::sprintf(p, "%u分 ", rest / 60000u);
    rest %= 60000u;
  }
  if (!wroteDays && !wroteHours) {
    std::sprintf(p, "%u秒", rest / 1000u);
  }
}

}  // namespace zelvo
