// Japanese literals here are compiled to CP932: "表" is 95 5C (its trail byte is the backslash),
// "ヂ" is 83 61 (its trail byte is 'a').
#include "media/core/runtime_routines.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace zelvo {
namespace {

TEST(FoundationStrings, CopyAndAppendReturnTheirEnds) {
  char buffer[32];
  char* end = CopyString(buffer, "abc");
  EXPECT_EQ(end, buffer + 3);
  EXPECT_EQ(*end, '\0');
  AppendString(buffer, "de");
  EXPECT_STREQ(buffer, "abcde");
}

TEST(FoundationStrings, FindCharSkipsTrailBytes) {
  const char* text = "表x\\y";
  EXPECT_EQ(FindChar("表", '\\'), nullptr);
  EXPECT_EQ(FindChar(text, '\\'), text + 3);
  const char* two = "a\\表\\b表";
  EXPECT_EQ(FindLastChar(two, '\\'), two + 4);
  EXPECT_EQ(FindLastChar("表表", '\\'), nullptr);
  EXPECT_EQ(FindChar("abc", 'z'), nullptr);
  // A lead byte right before the NUL never takes the NUL as its trail.
  const char loneLead[] = {'a', '\x95', '\0', '\\', '\0'};
  EXPECT_EQ(FindChar(loneLead, '\\'), nullptr);
}

TEST(FoundationStrings, UppercaseLeavesDoubleByteCharactersWhole) {
  char text[] = "abヂz表q";
  UppercaseString(text);
  EXPECT_STREQ(text, "ABヂZ表Q");
}

TEST(FoundationStrings, SubstringAndComparisons) {
  const char* text = "hello";
  EXPECT_EQ(FindSubstring(text, "ll"), text + 2);
  EXPECT_EQ(FindSubstring(text, "lo!"), nullptr);
  EXPECT_EQ(FindSubstring(text, ""), text);
  EXPECT_EQ(FindSubstring("", ""), nullptr);
  EXPECT_EQ(StringsDiffer("abc", "abc"), 0);
  EXPECT_EQ(StringsDiffer("abc", "abd"), 1);
  EXPECT_EQ(StringsDiffer("abc", "ab"), 1);
  EXPECT_EQ(FirstBytesDiffer("abcX", "abcY", 3), 0);
  EXPECT_EQ(FirstBytesDiffer("abcX", "abcY", 4), 1);
  EXPECT_EQ(FirstBytesDiffer("ab", "ab", 10), 0);
}

TEST(FoundationBytes, FillCompareCopyAndMove) {
  unsigned char a[8];
  FillBytes(a, 0x5A, sizeof a);
  unsigned char b[8] = {0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
  EXPECT_EQ(BytesDiffer(a, b, 8), 0);
  b[7] = 0;
  EXPECT_EQ(BytesDiffer(a, b, 8), 1);
  EXPECT_EQ(BytesDiffer(a, b, 7), 0);

  // Upward copy: a destination inside the source repeats the pattern.
  char pattern[] = "ab------";
  CopyBytes(pattern + 2, pattern, 6);
  EXPECT_STREQ(pattern, "abababab");
  char down[] = "--abcdef";
  CopyBytes(down, down + 2, 6);
  EXPECT_STREQ(down, "abcdefef");

  char up[] = "abcdef--";
  MoveBytes(up + 2, up, 6);
  EXPECT_STREQ(up, "ababcdef");
  char left[] = "--abcdef";
  MoveBytes(left, left + 2, 6);
  EXPECT_STREQ(left, "abcdefef");
}

TEST(FoundationNumbers, ParseIntRules) {
  struct Case { const char* text; int value; };
  const Case cases[] = {
      {"x-5", -5}, {"5-3", 5}, {"-a", 0}, {"abc", -1}, {"", -1},
      {"  42abc", 42}, {"--7", 0}, {"007", 7},
      {"99999999999", static_cast<int>(99999999999ll & 0xFFFFFFFF)},   // 32-bit wrap, no overflow trap
      // Only the first 32 digits count; the 33rd is ignored.
      {"111111111111111111111111111111119", -954437177},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseInt(c.text), c.value) << c.text;
  }
}

TEST(FoundationNumbers, IntToStringBasesAndExtremes) {
  struct Case { int value; int base; const char* text; };
  const Case cases[] = {
      {0, 10, "0"}, {-255, 16, "-ff"}, {35, 36, "z"}, {5, 2, "101"},
      {INT_MIN, 10, "-2147483648"}, {INT_MIN, 16, "-80000000"}, {INT_MAX, 36, "zik0zj"},
      {5, 1, ""}, {5, 0, ""}, {5, 37, ""}, {5, -3, ""},
  };
  for (const Case& c : cases) {
    char out[40];
    EXPECT_EQ(IntToString(c.value, out, c.base), out);
    EXPECT_STREQ(out, c.text) << c.value << " base " << c.base;
  }
}

TEST(FoundationNumbers, TruncationTowardZeroAndIndefinite) {
  EXPECT_EQ(FloatToInt(2.9f), 2);
  EXPECT_EQ(FloatToInt(-2.9f), -2);
  EXPECT_EQ(FloatToInt(-2147483648.0f), INT_MIN);
  EXPECT_EQ(FloatToInt(3e9f), INT_MIN);
  EXPECT_EQ(FloatToInt(std::nanf("")), INT_MIN);
  EXPECT_EQ(DoubleToInt(2147483647.9), INT_MAX);
  EXPECT_EQ(DoubleToInt(-2147483648.9), INT_MIN);
  EXPECT_EQ(DoubleToInt(2147483648.0), INT_MIN);
  EXPECT_EQ(DoubleToInt(-0.99), 0);
  IntRect r{};
  DoubleRectToIntRect(1.9, -1.9, 640.5, 480.99, &r);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, -1);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 480);
  EXPECT_EQ(AbsoluteInt(-7), 7);
  EXPECT_EQ(AbsoluteInt(INT_MIN), INT_MIN);
  EXPECT_EQ(AbsoluteFloat(-1.5f), 1.5f);
  EXPECT_EQ(SqrtFloat(6.25f), 2.5f);
}

TEST(FoundationNumbers, SinCosRoundedToSinglePrecision) {
  float s = 0, c = 0;
  SinCosFloat(0.0f, &s, &c);
  EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(c, 1.0f);
  const float angle = 0.7f;
  SinCosFloat(angle, &s, &c);
  EXPECT_EQ(s, static_cast<float>(sinl(angle)));
  EXPECT_EQ(c, static_cast<float>(cosl(angle)));
}

TEST(FoundationNumbers, WideMultiplyAndDivide) {
  UInt128 p{};
  Multiply64To128(UINT64_MAX, UINT64_MAX, &p);
  EXPECT_EQ(p.high, UINT64_MAX - 1);
  EXPECT_EQ(p.low, 1u);
  std::uint64_t q = 0;
  Divide128By64(&p, UINT64_MAX, &q);
  EXPECT_EQ(q, UINT64_MAX);
  Multiply64To128(123456789012345ull, 1000000ull, &p);
  Divide128By64(&p, 3000000000ull, &q);
  EXPECT_EQ(q, 41152263004ull);   // 123456789012345 / 3000
  // A quotient beyond 64 bits, or a zero divisor, saturates instead of trapping.
  const UInt128 big{0, 5};
  Divide128By64(&big, 5, &q);
  EXPECT_EQ(q, UINT64_MAX);
  Divide128By64(&big, 0, &q);
  EXPECT_EQ(q, UINT64_MAX);
}

TEST(FoundationFormat, PrintfCutsWithoutSplittingDoubleByteCharacters) {
  struct Case { std::size_t size; const char* expected; };
  // "abcd表" is a b c d 95 5C.
  const Case cases[] = {{7, "abcd表"}, {6, "abcd"}, {5, "abcd"}, {4, "abc"}, {1, ""}};
  for (const Case& c : cases) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(StringPrintf(buffer, c.size, "%s%s", "abcd", "表"), 0);
    EXPECT_STREQ(buffer, c.expected) << "size " << c.size;
    for (std::size_t i = c.size; i < sizeof buffer; ++i) {
      ASSERT_EQ(buffer[i], '#') << "wrote past a buffer of " << c.size;
    }
  }
  char untouched = '#';
  EXPECT_EQ(StringPrintf(&untouched, 0, "x"), 0);
  EXPECT_EQ(untouched, '#');
}

TEST(FoundationFormat, ByteSizeTextThresholds) {
  struct Case { double bytes; const char* text; char unit; };
  const Case cases[] = {
      {0, "0.0", 'k'}, {-1, "0.0", 'k'}, {1536, "1.5", 'k'},
      {838860.8, "819.2", 'k'}, {838861, "0.8", 'M'},
      {858993459.2, "819.2", 'M'}, {858993460, "0.8", 'G'}, {5368709120.0, "5.0", 'G'},
  };
  for (const Case& c : cases) {
    char out[32];
    EXPECT_EQ(ByteSizeText(c.bytes, out), c.unit) << c.bytes;
    EXPECT_STREQ(out, c.text) << c.bytes;
  }
}

TEST(FoundationFormat, DurationTextUnits) {
  struct Case { std::uint32_t ms; const char* text; };
  const Case cases[] = {
      {0, "0秒"}, {59999, "59秒"}, {125000, "2分 5秒"}, {3600000, "1時間 "},
      {3725000, "1時間 2分 "}, {90061000, "1日 1時間 "}, {86400000, "1日 "}, {86460000, "1日 "},
      {0xFFFFFFFFu, "49日 17時間 "},
  };
  for (const Case& c : cases) {
    char out[64];
    DurationText(c.ms, out);
    EXPECT_STREQ(out, c.text) << c.ms;
  }
}

TEST(FoundationList, SentinelListInsertAndRemove) {
  ListNode head{}, tail{}, a{}, b{};
  ListInit(&head, &tail);
  EXPECT_EQ(head.value, -1);
  EXPECT_EQ(tail.value, -1);
  EXPECT_EQ(head.previous, nullptr);
  EXPECT_EQ(tail.next, nullptr);
  EXPECT_EQ(head.next, &tail);
  EXPECT_EQ(tail.previous, &head);

  ListInsertAfter(&head, &a, 1, 10);
  ListInsertAfter(&a, &b, 2, 20);
  EXPECT_EQ(head.next, &a);
  EXPECT_EQ(a.next, &b);
  EXPECT_EQ(b.next, &tail);
  EXPECT_EQ(tail.previous, &b);
  EXPECT_EQ(b.value, 2);
  EXPECT_EQ(b.data, 20);

  ListRemove(&a);
  EXPECT_EQ(head.next, &b);
  EXPECT_EQ(b.previous, &head);
  EXPECT_EQ(a.next, &b);   // the removed node keeps its links
  ListRemove(&b);
  EXPECT_EQ(head.next, &tail);
  EXPECT_EQ(tail.previous, &head);
}

}  // namespace
}  // namespace zelvo
