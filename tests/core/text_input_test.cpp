// Typed text: the ring, key-input field editing with double-byte characters, and the input method
// editor's composition as the host reports it.
#include <cstring>
#include <string>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/text_input.h"
#include "platform/testing.h"

namespace zelvo_test {
namespace {

using zelvo::g_textInput;

class TextInput : public ::testing::Test {
 protected:
  void SetUp() override { zelvo::StartTextInput(); }
  void TearDown() override { zelvo::DeleteAllKeyInputs(); }

  int Field(int maxLength, int numeric = 0, int singleByte = 0, int escape = 0) {
    return zelvo::MakeKeyInput(maxLength, escape, singleByte, numeric);
  }
  // Types bytes through the ring and runs the step.
  void Type(const char* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) zelvo::PutTypedChar(static_cast<unsigned char>(bytes[i]));
    ASSERT_EQ(zelvo::RunTextInputStep(), 0);
  }
  void Type(const std::string& bytes) { Type(bytes.data(), bytes.size()); }
  const zelvo::KeyInputField& FieldOf(int handle) { return g_textInput.fields[handle & 0xFFFF]; }
};

TEST_F(TextInput, RingHoldsTenTwentyFourBytes) {
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(zelvo::PutTypedChar('a' + i % 26), 0) << i;
  EXPECT_EQ(zelvo::PutTypedChar('x'), -1);
  char c[2];
  EXPECT_EQ(zelvo::TakeTypedChar(c, 1), 1);
  EXPECT_EQ(zelvo::PutTypedChar('x'), 0);   // one place free again, across the wrap
}

TEST_F(TextInput, LeadByteWaitsForItsTrailByte) {
  const std::string a = "あ";   // CP932 82 A0
  zelvo::PutTypedChar(static_cast<unsigned char>(a[0]));
  char c[2];
  EXPECT_EQ(zelvo::TakeTypedChar(c, 1), 0);
  zelvo::PutTypedChar(static_cast<unsigned char>(a[1]));
  EXPECT_EQ(zelvo::TakeTypedChar(c, 0), 2);   // peeked, still there
  EXPECT_EQ(zelvo::TakeTypedChar(c, 1), 2);
  EXPECT_EQ(std::string(c, 2), a);
  EXPECT_EQ(zelvo::TakeTypedChar(c, 1), 0);
}

TEST_F(TextInput, FullFieldKeepsTheNewestTypingAndDropsItsTail) {
  int field = Field(4);
  Type("abcd");
  Type("\x1d\x1d", 2);   // Left twice: cursor 2
  Type("x");
  EXPECT_STREQ(zelvo::KeyInputText(field), "abxc");
  EXPECT_EQ(FieldOf(field).cursor, 3);
}

TEST_F(TextInput, NumericFieldTakesDigitsAndALeadingMinus) {
  int field = Field(8, 1);
  Type("1a-2");
  EXPECT_STREQ(zelvo::KeyInputText(field), "12");
  Type("\x1d\x1d", 2);
  Type("-");
  EXPECT_STREQ(zelvo::KeyInputText(field), "-12");
}

TEST_F(TextInput, EditingWalksWholeDoubleByteCharacters) {
  int field = Field(16);
  // "亜a" is 88 9F 61: the byte two before the end (9F) looks like a lead byte but is a trail byte.
  Type("亜a");
  Type("\b", 1);
  EXPECT_STREQ(zelvo::KeyInputText(field), "亜");
  Type("\b", 1);
  EXPECT_STREQ(zelvo::KeyInputText(field), "");
  Type("あいう");
  Type("\x1d\x1d", 2);                 // Left twice: before い
  EXPECT_EQ(FieldOf(field).cursor, 2);
  Type("\x10", 1);                     // Delete removes い whole
  EXPECT_STREQ(zelvo::KeyInputText(field), "あう");
  Type("\x1c", 1);                     // Right over う
  EXPECT_EQ(FieldOf(field).cursor, 4);
}

TEST_F(TextInput, DoubleByteCharacterNeverSplitsOrOverflowsASmallField) {
  int one = Field(1);
  Type("あb");
  EXPECT_STREQ(zelvo::KeyInputText(one), "b");   // a character longer than the field is dropped
  zelvo::DeleteKeyInput(one);
  int three = Field(3, 0, 1);
  Type("aあbc");
  EXPECT_STREQ(zelvo::KeyInputText(three), "abc");   // single-byte only
}

TEST_F(TextInput, EnterAndEscapeFinishTheField) {
  int field = Field(8, 0, 0, 1);
  Type("ab\r", 3);
  EXPECT_EQ(zelvo::IsKeyInputDone(field), 1);
  Type("c");
  EXPECT_STREQ(zelvo::KeyInputText(field), "ab");   // done fields take no more
  int escaped = Field(8, 0, 0, 1);
  Type("\x1b", 1);
  EXPECT_EQ(zelvo::IsKeyInputDone(escaped), 2);
  EXPECT_EQ(zelvo::DeleteKeyInput(escaped), 0);
  EXPECT_EQ(zelvo::DeleteKeyInput(escaped), -1);   // stale handle
  EXPECT_EQ(zelvo::RunTextInputStep(), 0);
}

TEST_F(TextInput, CountsCharactersNotBytes) {
  EXPECT_EQ(zelvo::CharsInBytes("あいa", 5), 3);
  EXPECT_EQ(zelvo::CharsInBytes("あいa", 2), 1);
  EXPECT_EQ(zelvo::CountCommonChars("あいう", "あいえ"), 2);
  EXPECT_EQ(zelvo::CountCommonChars("abc", "abd"), 2);
}

class TextInputWindow : public StartedLibraryTest {
 protected:
};

TEST_F(TextInputWindow, CompositionAndResultFromTheHostEditor) {
  int field;
  {
    zelvo::LibraryLockGuard lock;
    field = zelvo::MakeKeyInput(32, 0, 0, 0);   // a field switches the editor on
  }
  pf::testing::InjectComposition("\xE3\x81\x8B\xE3\x81\xAA", 1);   // UTF-8 "かな", cursor after か
  PumpMessages();
  {
    zelvo::LibraryLockGuard lock;
    EXPECT_STREQ(g_textInput.composition, "かな");
    EXPECT_EQ(g_textInput.compositionCursor, 1);
    EXPECT_EQ(g_textInput.composing, 1);
  }
  pf::testing::InjectText("\xE4\xBB\xAE\xE5\x90\x8D");   // UTF-8 "仮名", the chosen result
  PumpMessages();
  zelvo::LibraryLockGuard lock;
  EXPECT_EQ(g_textInput.composing, 0);
  EXPECT_STREQ(g_textInput.composition, "");
  EXPECT_STREQ(zelvo::KeyInputText(field), "仮名");
}

}  // namespace
}  // namespace zelvo_test
