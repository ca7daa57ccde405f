#pragma once
// Small routines the whole library uses instead of the runtime's. Texts are CP932: the string
// routines never split a double-byte character. They hold no state.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zelvo {

// Shift-JIS lead byte: 0x81..0x9F or 0xE0..0xFC.
inline bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

char* CopyString(char* dst, const char* src);            // returns the position of the copied NUL
void AppendString(char* dst, const char* src);
const char* FindSubstring(const char* text, const char* pattern);
const char* FindChar(const char* text, int c);
const char* FindLastChar(const char* text, int c);
int StringsDiffer(const char* a, const char* b);
void UppercaseString(char* text);
int FirstBytesDiffer(const char* a, const char* b, std::size_t n);
void FillBytes(void* dst, int byte, std::size_t n);
int BytesDiffer(const void* a, const void* b, std::size_t n);
void CopyBytes(void* dst, const void* src, std::size_t n);
void MoveBytes(void* dst, const void* src, std::size_t n);
// A row of pixels: rows of two pictures are a plain copy; a picture drawn onto itself may overlap.
inline void CopyRowBytes(void* dst, const void* src, std::size_t n) {
  const auto d = reinterpret_cast<std::uintptr_t>(dst), s = reinterpret_cast<std::uintptr_t>(src);
  if (d + n <= s || s + n <= d) {
    std::memcpy(dst, src, n);
  } else {
    std::memmove(dst, src, n);
  }
}

void SinCosFloat(float angle, float* sinOut, float* cosOut);
int AbsoluteInt(int v);
float AbsoluteFloat(float v);
float SqrtFloat(float v);
int FloatToInt(float v);
int DoubleToInt(double v);
struct IntRect { int left, top, right, bottom; };
void DoubleRectToIntRect(double left, double top, double right, double bottom, IntRect* out);
int ParseInt(const char* text);
char* IntToString(int value, char* out, int base);
struct UInt128 { std::uint64_t low, high; };
void Multiply64To128(std::uint64_t a, std::uint64_t b, UInt128* out);
void Divide128By64(const UInt128* a, std::uint64_t b, std::uint64_t* quotient);

void* SystemAlloc(std::size_t n);
// Zero-filled; fresh pages from the system are not written, so they cost nothing until used.
void* SystemAllocZeroed(std::size_t n);
void SystemFree(void* p);

// printf-style into a caller's buffer of `size` bytes; never writes past it and never leaves half a
// double-byte character at the cut.
int StringVPrintf(char* buffer, std::size_t size, const char* format, va_list args);
int StringPrintf(char* buffer, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

struct ListNode {
  std::int32_t value;
  std::int32_t data;
  ListNode* previous;
  ListNode* next;
};
void ListInit(ListNode* head, ListNode* tail);
void ListInsertAfter(ListNode* node, ListNode* newNode, std::int32_t value, std::int32_t data);
void ListRemove(ListNode* node);

char ByteSizeText(double bytes, char* out);   // returns the unit letter 'G', 'M' or 'k'
void DurationText(std::uint32_t milliseconds, char* out);

}  // namespace zelvo
