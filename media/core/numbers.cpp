// Maths helpers and numeric conversions.
#include "media/core/runtime_routines.h"

#include <climits>
#include <cmath>

namespace zelvo {

namespace {

// Truncation toward zero as the processor's truncating conversion gives it: NaN and values
// outside the 32-bit range give the "integer indefinite" INT_MIN.
int TruncateToInt(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) {
    return INT_MIN;
  }
  return static_cast<int>(v);
}

}  // namespace

// Both computed in extended precision, then rounded to single precision.
void SinCosFloat(float angle, float* sinOut, float* cosOut) {
  const long double a = angle;
  *sinOut = static_cast<float>(std::sin(a));
  *cosOut = static_cast<float>(std::cos(a));
}

int AbsoluteInt(int v) {
  return v < 0 ? static_cast<int>(0u - static_cast<unsigned>(v)) : v;
}

float AbsoluteFloat(float v) {
  return std::fabs(v);
}

float SqrtFloat(float v) {
  return std::sqrt(v);
}

int FloatToInt(float v) {
  return TruncateToInt(v);
}

int DoubleToInt(double v) {
  return TruncateToInt(v);
}

void DoubleRectToIntRect(double left, double top, double right, double bottom, IntRect* out) {
  out->left = TruncateToInt(left);
  out->top = TruncateToInt(top);
  out->right = TruncateToInt(right);
  out->bottom = TruncateToInt(bottom);
}

// Finds the first digit or minus sign; a minus makes the number negative and its digits start
// right after it. Sums at most 32 digits with 32-bit wrap-around.
int ParseInt(const char* text) {
  const char* p = text;
  while (*p != '\0' && *p != '-' && !(*p >= '0' && *p <= '9')) {
    ++p;
  }
  if (*p == '\0') {
    return -1;
  }
  const bool negative = (*p == '-');
  if (negative) {
    ++p;
  }
  int count = 0;
  while (count < 32 && p[count] >= '0' && p[count] <= '9') {
    ++count;
  }
  std::uint32_t sum = 0;
  std::uint32_t place = 1;
  for (int i = count - 1; i >= 0; --i) {
    sum += static_cast<std::uint32_t>(p[i] - '0') * place;
    place *= 10;
  }
  if (negative) {
    sum = 0u - sum;
  }
  return static_cast<int>(sum);
}

// Bases outside 2..36 give the empty text. The magnitude is taken unsigned, so INT_MIN converts too.
char* IntToString(int value, char* out, int base) {
  if (base < 2 || base > 36) {
    out[0] = '\0';
    return out;
  }
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  char reversed[33];
  int count = 0;
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    reversed[count++] = kDigits[magnitude % static_cast<std::uint32_t>(base)];
    magnitude /= static_cast<std::uint32_t>(base);
  } while (magnitude != 0);
  char* p = out;
  if (value < 0) {
    *p++ = '-';
  }
  while (count > 0) {
    *p++ = reversed[--count];
  }
  *p = '\0';
  return out;
}

void Multiply64To128(std::uint64_t a, std::uint64_t b, UInt128* out) {
  const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
  out->low = static_cast<std::uint64_t>(product);
  out->high = static_cast<std::uint64_t>(product >> 64);
}

// A quotient that does not fit in 64 bits (including division by zero) saturates instead of
// faulting as the processor's divide would.
void Divide128By64(const UInt128* a, std::uint64_t b, std::uint64_t* quotient) {
  if (b == 0 || a->high >= b) {
    *quotient = UINT64_MAX;
    return;
  }
  const unsigned __int128 dividend = (static_cast<unsigned __int128>(a->high) << 64) | a->low;
  *quotient = static_cast<std::uint64_t>(dividend / b);
}

}  // namespace zelvo
