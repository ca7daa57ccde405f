// Mission text files read, expanded and typed: the page rules, key tags, and malformed files
// played or refused within the player's capacity.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "game/battle/data/game_tables.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_text.h"
#include "support/test_paths.h"

namespace horundel {
namespace {

std::string CrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

class MissionTextTest : public zelvo_test::ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    FillKeyNames();
    SetDefaultKeyBindings();
  }
  // Reads the bytes as a mission text file; the result of the reader.
  int Read(const std::string& bytes) {
    std::ofstream(root_ + "/t.dat", std::ios::binary) << bytes;
    const intptr_t stream = OpenReadStream("t.dat", 0);
    EXPECT_NE(stream, 0);
    const int result = ReadMissionText(stream, &text_);
    CloseReadStream(stream);
    return result;
  }
  int ReadLines(const std::vector<std::string>& lines) { return Read(CrLf(lines)); }
  std::string Row(int r) const { return std::string(text_.rows[r].text, text_.rows[r].length); }

  MissionText text_;
};

// A file of `pages` pages without pictures whose rows are given.
std::vector<std::string> PlainText(int lastPage, const std::vector<std::string>& rows) {
  std::vector<std::string> lines = {std::to_string(lastPage) + ",pages", "-1,none", "header", "----"};
  lines.insert(lines.end(), rows.begin(), rows.end());
  return lines;
}

TEST_F(MissionTextTest, HeaderPicturesAndRowsAreRead) {
  ASSERT_EQ(ReadLines({"1,x", "1,x", "ignored", "320.5,200,2.0,0.25,1,0,0,bmp\\face.bmp extra", "-5,7,1,0,0,1,1,b.bmp",
                       "----", "一行目", "two", "", "四", "five", "six"}),
            0);
  EXPECT_EQ(text_.lastPage, 1);
  const TextPicture& a = text_.pictures[0];
  EXPECT_EQ(a.used, 1);
  EXPECT_EQ(a.x, 320.5f);
  EXPECT_EQ(a.scale, 2.0f);
  EXPECT_EQ(a.angle, 0.25f);
  EXPECT_EQ(a.mirror, 1);
  EXPECT_STREQ(a.path, "bmp\\face.bmp");   // a "%s" field ends at the first blank
  EXPECT_EQ(text_.pictures[1].firstPage, 1);
  EXPECT_EQ(text_.pictures[1].keepScale, 1);
  EXPECT_EQ(text_.pictures[2].used, 0);
  EXPECT_EQ(Row(0), "一行目");
  EXPECT_EQ(Row(4), "five");
  EXPECT_EQ(text_.rows[6].length, 0);
}

TEST_F(MissionTextTest, MalformedFilesArePlayedOrRefusedWithinCapacity) {
  // Refused: nothing to show.
  EXPECT_EQ(Read(""), -1);
  EXPECT_EQ(ReadLines({"pages", "-1", "h", "-"}), -1) << "no page number";
  EXPECT_EQ(ReadLines({"-1,x", "-1,x", "h", "-", "a", "b", "c"}), -1) << "negative last page";
  EXPECT_EQ(ReadLines({"0,x", "3,x", "h", "1,1,1,0,0,0,0,a.bmp"}), -1) << "file ends among the pictures";

  // More pages than the player holds: the first sixteen are played.
  std::vector<std::string> rows;
  for (int r = 0; r < 3 * 40; ++r) rows.push_back("r" + std::to_string(r));
  ASSERT_EQ(ReadLines(PlainText(39, rows)), 0);
  EXPECT_EQ(text_.lastPage, kTextPageCapacity - 1);
  EXPECT_EQ(Row(3 * kTextPageCapacity - 1), "r47");
  EXPECT_EQ(text_.rows[3 * kTextPageCapacity].length, 0);

  // More pictures than it holds: the rest are read past, so the rows stay in place.
  std::vector<std::string> lines = {"0,x", "12,x", "h"};
  for (int k = 0; k < 13; ++k) lines.push_back("1,2,1,0,0," + std::to_string(k) + ",1,p" + std::to_string(k) + ".bmp");
  lines.insert(lines.end(), {"-", "row", "", ""});
  ASSERT_EQ(ReadLines(lines), 0);
  EXPECT_STREQ(text_.pictures[9].path, "p9.bmp");
  EXPECT_EQ(Row(0), "row");

  // A picture line without its numbers is not shown; the file still plays.
  ASSERT_EQ(ReadLines({"0,x", "0,x", "h", "1,2,nan,0,0,0,0,a.bmp", "-", "ok"}), 0);
  EXPECT_EQ(text_.pictures[0].used, 0);
  EXPECT_EQ(Row(0), "ok");

  // An over-long row is cut at 79 bytes, a lone lead byte at a row's end is dropped, a file that
  // ends early leaves the missing rows empty, and a NUL ends a row.
  ASSERT_EQ(Read(CrLf({"0,x", "-1,x", "h", "-", std::string(200, 'w')}) + "ab\x88"), 0);
  EXPECT_EQ(text_.rows[0].length, 79);
  EXPECT_EQ(Row(1), "ab");
  ASSERT_EQ(Read(CrLf({"0,x", "-1,x", "h", "-"}) + std::string("c\0d\r\nx", 6)), 0);
  EXPECT_EQ(Row(0), "c");
}

TEST_F(MissionTextTest, KeyTagsNameTheActionsKeyAndButton) {
  KeyBindings[kKeyJump].keyCode = 57;
  KeyBindings[kKeyJump].padBit = 7;
  const std::string jump = std::string("（キーボード：") + KeyNameTable[57] + "　ゲームパッド：ボタン4 ）";
  const std::string up = std::string("（キーボード：") + KeyNameTable[200] + "　ゲームパッド：ボタン0 ）";
  const std::string pause = std::string("（キーボード：") + KeyNameTable[57] + "　ゲームパッド：ボタン7 ）";
  struct Case {
    std::string row, expanded;
  };
  const std::vector<Case> cases = {
      {"押す@Bxx3で跳ぶ", "押す" + jump + "で跳ぶ"},
      {"@B..9!", up + "!"},                              // not a listed digit: entry 0
      {"@B003@B007", jump + pause},                      // every tag of a row
      {"@B12", "@B12"},                                  // too short to be a tag
      {"@X123 @b123", "@X123 @b123"},                    // unknown tags stay as written
      {"\x81@B123", "\x81@B123"},                        // a trail byte '@' starts no tag
      {"@B1\x82\xa0z", up + "z"},                        // the tag takes the character its fifth byte starts
  };
  for (const Case& c : cases) {
    char row[kTextRowBytes];
    std::snprintf(row, sizeof row, "%s", c.row.c_str());
    const int length = ExpandRowKeyTags(row, static_cast<int>(c.row.size()), kTextRowBytes);
    EXPECT_EQ(std::string(row, length), c.expanded) << c.row;
    EXPECT_EQ(row[length], '\0');
  }
  // Tags that outgrow the row are cut at a whole character.
  char row[kTextRowBytes];
  std::string many;
  for (int i = 0; i < 15; ++i) many += "@B003";
  std::snprintf(row, sizeof row, "%s", many.c_str());
  const int length = ExpandRowKeyTags(row, static_cast<int>(many.size()), 64);
  EXPECT_LE(length, 63);
  EXPECT_EQ(WholeCharacterPrefix(row, length, length), length);
  const std::string all = jump + jump + jump;
  EXPECT_EQ(length, WholeCharacterPrefix(all.c_str(), static_cast<int>(all.size()), 63));
  EXPECT_EQ(std::string(row, length), all.substr(0, length));
}

TEST_F(MissionTextTest, RowsAreTypedTwoBytesEverySecondFrameOneAfterAnother) {
  ASSERT_EQ(ReadLines(PlainText(1, {"0123456789", "ab", "", "second", "", ""})), 0);
  TypingState typing;
  StartTyping(&typing);
  std::vector<int> firstRow;
  for (int frame = 1; frame <= 10; ++frame) {
    StepTyping(text_, &typing);
    firstRow.push_back(typing.shown[0]);
  }
  EXPECT_EQ(firstRow, (std::vector<int>{0, 2, 2, 4, 4, 6, 6, 8, 8, 10}));
  EXPECT_EQ(typing.shown[1], 0) << "the next row waits for the first";
  StepTyping(text_, &typing);
  StepTyping(text_, &typing);
  EXPECT_EQ(typing.shown[1], 2);
  EXPECT_EQ(typing.done[0], 1);
  EXPECT_EQ(typing.pageFinished, 0);
  StepTyping(text_, &typing);   // both rows shown, the empty third passed over
  EXPECT_EQ(typing.pageFinished, 1);
  // A finished page turns; the last page's press ends the conversation.
  EXPECT_EQ(AdvanceTyping(text_, &typing), 0);
  EXPECT_EQ(typing.page, 1);
  EXPECT_EQ(typing.shown[0], 0);
  EXPECT_EQ(AdvanceTyping(text_, &typing), 0) << "finishes the page";
  EXPECT_EQ(typing.pageFinished, 1);
  EXPECT_EQ(AdvanceTyping(text_, &typing), 1);
}

TEST_F(MissionTextTest, SkippingShowsEachRowUpTo64Bytes) {
  const std::string longRow(70, 'x');
  ASSERT_EQ(ReadLines(PlainText(0, {longRow, "short", ""})), 0);
  TypingState typing;
  StartTyping(&typing);
  StepTyping(text_, &typing);
  EXPECT_EQ(AdvanceTyping(text_, &typing), 0);
  EXPECT_EQ(typing.pageFinished, 1);
  EXPECT_EQ(WholeCharacterPrefix(text_.rows[0].text, text_.rows[0].length, typing.shown[0]), 64);
  EXPECT_EQ(WholeCharacterPrefix(text_.rows[1].text, text_.rows[1].length, typing.shown[1]), 5);
  // A count that ends inside a double-byte character shows the characters before it.
  EXPECT_EQ(WholeCharacterPrefix("a漢字", 5, 2), 1);
  EXPECT_EQ(WholeCharacterPrefix("a漢字", 5, 3), 3);
}

}  // namespace
}  // namespace horundel
