// CP932 <-> UTF-8 at the host boundary, and UTF-16 to the ANSI code page.
#include "platform/kernel/kernel.h"

#include <gtest/gtest.h>

namespace {

TEST(KernelTextEncoding, ConvertsBothWaysAndMarksWhatHasNoCounterpart) {
  struct Case {
    std::string cp932;
    std::string utf8;
  };
  const Case roundTrips[] = {
      {"plain\\path.txt", "plain\\path.txt"},
      {"\x83\x5C\x83\x74\x83\x67", "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88"},      // "ソフト"
      {"\xB1\xB2\xB3", "\xEF\xBD\xB1\xEF\xBD\xB2\xEF\xBD\xB3"},                  // half-width kana
      {"\x87\x40\x81\x60", "\xE2\x91\xA0\xEF\xBD\x9E"},                          // NEC row 13, wave dash
  };
  for (const Case& c : roundTrips) {
    EXPECT_EQ(pf::Cp932ToUtf8(c.cp932), c.utf8);
    EXPECT_EQ(pf::Utf8ToCp932(c.utf8), c.cp932);
  }
  EXPECT_EQ(pf::Cp932ToUtf8("a\x82"), "a?");                        // lead byte cut off at the end
  EXPECT_EQ(pf::Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");        // an emoji: one '?'
  EXPECT_EQ(pf::Utf8ToCp932("a\xFF" "b"), "a?b");                    // not UTF-8
}

TEST(KernelTextEncoding, WideTextToTheAnsiCodePage) {
  const char16_t text[] = u"ソフト a\U0001F600";   // a character outside the basic plane: one '?'
  const std::string expected = "\x83\x5C\x83\x74\x83\x67 a?";
  EXPECT_EQ(pf::WideCharToMultiByte(text, -1, nullptr, 0), static_cast<int>(expected.size()) + 1);
  char out[32];
  ASSERT_EQ(pf::WideCharToMultiByte(text, -1, out, sizeof out), static_cast<int>(expected.size()) + 1);
  EXPECT_EQ(std::string(out), expected);
  // A counted length writes no terminator; too small a room writes nothing.
  EXPECT_EQ(pf::WideCharToMultiByte(text, 3, out, sizeof out), 6);
  EXPECT_EQ(std::string(out, 6), expected.substr(0, 6));
  EXPECT_EQ(pf::WideCharToMultiByte(text, -1, out, 5), 0);
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};   // a lone surrogate
  ASSERT_EQ(pf::WideCharToMultiByte(lone, -1, out, sizeof out), 4);
  EXPECT_EQ(std::string(out), "a?b");
}

}  // namespace
