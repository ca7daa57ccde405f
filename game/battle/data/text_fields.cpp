#include "game/battle/data/text_fields.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace horundel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An optionally signed run of digits; saturates at the int range.
bool ScanWhole(const char*& at, int* out) {
  const char* p = at;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!IsDigit(*p)) return false;
  long long value = 0;
  for (; IsDigit(*p); ++p) {
    if (value < 4294967296LL) value = value * 10 + (*p - '0');
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  if (value < -2147483648LL) value = -2147483648LL;
  *out = static_cast<int>(value);
  at = p;
  return true;
}

// Sign, digits with an optional point, an optional exponent; the value must be finite as a float.
bool ScanFraction(const char*& at, float* out) {
  const char* p = at;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (IsDigit(*p)) ++p, digits = true;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) ++p, digits = true;
  }
  if (!digits) return false;
  if (*p == 'e' || *p == 'E') {
    const char* exponent = p + 1;
    if (*exponent == '+' || *exponent == '-') ++exponent;
    if (IsDigit(*exponent)) {
      while (IsDigit(*exponent)) ++exponent;
      p = exponent;
    }
  }
  char token[256];
  const std::size_t length = static_cast<std::size_t>(p - at);
  if (length >= sizeof token) return false;
  std::memcpy(token, at, length);
  token[length] = '\0';
  const float value = std::strtof(token, nullptr);
  if (!std::isfinite(value)) return false;
  *out = value;
  at = p;
  return true;
}

}  // namespace

int ScanTextFields(const char* text, const char* pattern, TextField* fields) {
  const char* at = text;
  int filled = 0;
  for (const char* kind = pattern; *kind != '\0'; ++kind) {
    if (kind != pattern) {
      if (*at != ',') break;
      ++at;
    }
    while (IsBlank(*at)) ++at;
    const bool read = *kind == 'd' ? ScanWhole(at, &fields[filled].whole) : ScanFraction(at, &fields[filled].fraction);
    if (!read) break;
    ++filled;
  }
  return filled;
}

}  // namespace horundel
