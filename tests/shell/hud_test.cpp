// The HUD and window frames on the screen, and the money counter's timeline.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <zelvo/zelvo.h>

#include "support/library_fixture.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/data/resources.h"
#include "game/shell/hud.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace horundel {
namespace {

using zelvo_test::Bytes;

struct Rgb {
  int r, g, b;
};

// Each digit cell and each frame piece a colour of its own, so the screen shows which one lies where.
Rgb CellColour(int cell) { return {30 + 15 * cell, 250 - 15 * cell, 128}; }
Rgb PieceColour(int piece) { return {200, 20 + 25 * piece, 60}; }

Bytes Bmp24(int width, int height, Rgb (*colour)(int), int cellWidth) {
  std::vector<Bytes> rows;
  for (int y = 0; y < height; ++y) {
    Bytes row;
    for (int x = 0; x < width; ++x) {
      const Rgb c = colour(x / cellWidth);
      row.insert(row.end(), {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g), static_cast<std::uint8_t>(c.r)});
    }
    rows.push_back(row);
  }
  zelvo_test::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixels = zelvo_test::PadRows(rows);
  return zelvo_test::WriteBmp(layout);
}

class HudOnScreen : public zelvo_test::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    std::memset(&g_pictures, 0xFF, sizeof(g_pictures));   // every picture -1: draws nothing
    zelvo_test::WriteFileBytes(folder_ + "/number.bmp", Bmp24(420, 40, CellColour, 30));
    ASSERT_EQ(LoadGraphFileDivided("number.bmp", 14, 14, 1, 30, 40, g_pictures.digits, 0), 0);
    for (int piece = 0; piece < 8; ++piece) {
      const std::string name = "flame0" + std::to_string(piece) + ".bmp";
      frameColour_ = PieceColour(piece);
      zelvo_test::WriteFileBytes(folder_ + "/" + name, Bmp24(20, 20, [](int) { return frameColour_; }, 20));
      g_pictures.hudFrames[piece] = LoadGraphFile(name.c_str(), 0);
      ASSERT_GE(g_pictures.hudFrames[piece], 0);
    }
    SetBlendMode(0, 255);
    DrawRectangle(0, 0, 640, 480, PackColor(255, 255, 255), 1);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }

  void Shoot() {
    ASSERT_EQ(SaveScreenRectToFile(0, 0, 640, 480, "shot.bmp", 0, 0, 0), 0);
    shot_ = zelvo_test::ReadFileBytes(folder_ + "/shot.bmp");
    ASSERT_GE(shot_.size(), 54u + 640u * 480u * 3u);
  }
  Rgb At(int x, int y) const {
    const std::size_t at = 54 + static_cast<std::size_t>(479 - y) * 1920 + static_cast<std::size_t>(x) * 3;
    return Rgb{shot_[at + 2], shot_[at + 1], shot_[at]};
  }
  // A 16-bit screen keeps 5 or 6 bits a channel.
  ::testing::AssertionResult Near(int x, int y, Rgb want) const {
    const Rgb got = At(x, y);
    if (std::abs(got.r - want.r) <= 8 && std::abs(got.g - want.g) <= 8 && std::abs(got.b - want.b) <= 8) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "at (" << x << ", " << y << "): (" << got.r << ", " << got.g << ", "
                                         << got.b << ") for (" << want.r << ", " << want.g << ", " << want.b << ")";
  }
  // The cells drawn at scale 1 from (x, y): the centre of glyph n is (x + 15 + 25n, y + 20).
  ::testing::AssertionResult Glyphs(int x, int y, const std::vector<int>& cells) const {
    for (std::size_t n = 0; n < cells.size(); ++n) {
      auto near = Near(x + 15 + 25 * static_cast<int>(n), y + 20, CellColour(cells[n]));
      if (!near) return near << " (glyph " << n << ")";
    }
    return Near(x + 15 + 25 * static_cast<int>(cells.size()), y + 20, {255, 255, 255}) << " (after the last glyph)";
  }

  static inline Rgb frameColour_{};
  Bytes shot_;
};

TEST_F(HudOnScreen, NumbersDrawTheirGlyphsOnePitchApart) {
  struct Case {
    int value, prefix;
    std::vector<int> cells;
  };
  const std::vector<Case> cases = {
      {0, 0, {0}},
      {12345678, 0, {2, 3, 4, 5, 6, 7, 8}},   // only the seven lowest digits
      {-5, 0, {11, 5}},                       // cell 11 is the minus sign
      {42, 1, {10, 4, 2}},                    // prefix 1 first, the digits a pitch to its right
      {7, 4, {13, 7}},
      {10000000, 0, {0, 0, 0, 0, 0, 0, 0}},
      {INT_MIN, 0, {11, 7, 4, 8, 3, 6, 4, 8}},
  };
  int y = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(DrawNumber(0, static_cast<float>(y), c.value, c.prefix, 1.0f, 255, 255, 255), static_cast<int>(c.cells.size()))
        << c.value;
    y += 60;
  }
  Shoot();
  y = 0;
  for (const Case& c : cases) {
    EXPECT_TRUE(Glyphs(0, y, c.cells)) << c.value;
    y += 60;
  }
}

TEST_F(HudOnScreen, AWindowFrameLiesOnItsGridWithItsTab) {
  DrawWindowFrame(100, 100, 3, 2, 0);
  DrawWindowFrame(300, 300, 4, 1, 3);
  Shoot();
  // Without a tab: corner, top edge to the top end, left edge down to the bottom end.
  EXPECT_TRUE(Near(85, 85, PieceColour(0)));
  EXPECT_TRUE(Near(105, 85, PieceColour(1)));
  EXPECT_TRUE(Near(145, 85, PieceColour(1)));
  EXPECT_TRUE(Near(165, 85, PieceColour(2)));
  EXPECT_TRUE(Near(85, 105, PieceColour(3)));
  EXPECT_TRUE(Near(85, 125, PieceColour(3)));
  EXPECT_TRUE(Near(85, 145, PieceColour(4)));
  EXPECT_TRUE(Near(105, 65, {255, 255, 255})) << "no tab";
  // The inside and its 10-pixel margin are darkened (alpha 180 black), right and bottom unframed.
  EXPECT_TRUE(Near(120, 120, {75, 75, 75}));
  EXPECT_TRUE(Near(165, 145, {75, 75, 75}));
  EXPECT_TRUE(Near(172, 152, {255, 255, 255}));
  // With a tab of 3: it spans x - 20 to x + 60, and a second corner sits under its right end.
  EXPECT_TRUE(Near(285, 265, PieceColour(5)));
  EXPECT_TRUE(Near(305, 265, PieceColour(6)));
  EXPECT_TRUE(Near(345, 265, PieceColour(6)));
  EXPECT_TRUE(Near(365, 265, PieceColour(7)));
  EXPECT_TRUE(Near(385, 265, {255, 255, 255}));
  EXPECT_TRUE(Near(365, 285, PieceColour(0)));
  EXPECT_TRUE(Near(345, 285, PieceColour(1)));
  EXPECT_TRUE(Near(385, 285, PieceColour(2)));
}

TEST_F(HudOnScreen, TheBattleHudPlacesItsBarsAndCounters) {
  CharacterTable[kPlayerSlot].kind = 0;
  CharacterTable[kPlayerSlot].hp = 500.0f;
  g_battle.ShownPlayerHp = 600.0f;   // damage: red down to the shown HP, green to the true HP
  g_battle.HpGaugeCount = 3;
  g_battle.ComboCount = 3;
  g_battle.ComboDisplayTimer = 60;
  g_battle.Money = 0;
  ResetHud();
  g_battle.Money = 5;
  DrawBattleHud(0);
  Shoot();
  // HP bar from (60, 5): green to 50 px, red to 59 px (the shown HP stepped 2 toward 500), black to 120.
  EXPECT_TRUE(Near(100, 15, {0, 255, 0}));
  EXPECT_TRUE(Near(115, 15, {255, 0, 0}));
  EXPECT_TRUE(Near(170, 15, {0, 0, 0}));
  EXPECT_TRUE(Near(185, 15, {255, 255, 255}));
  EXPECT_EQ(g_battle.ShownPlayerHp, 598.0f);
  // Combo bar: the black box (446, 78)-(614, 92), the bar to 450 + 60 x 160 / 120 = 530 in (255, 120, 0).
  EXPECT_TRUE(Near(500, 85, {255, 120, 0}));
  EXPECT_TRUE(Near(540, 85, {0, 0, 0}));
  // Combo digits at scale 1.5 from (450, 10), tinted (255, 128, 0): centre (472, 40).
  EXPECT_TRUE(Near(472, 40, {CellColour(3).r, CellColour(3).g * 128 / 255, 0}));
  // The money counter has come up 3 pixels: the coin at (30, 515) is off screen, the counter too.
  EXPECT_EQ(g_hud.MoneyPanelY, 497);
}

TEST(MoneyCounter, ComesUpRollsHoldsAndGoesDown) {
  g_battle.Money = 1000;
  ResetHud();
  DrawBattleHud(2);
  EXPECT_EQ(g_hud.MoneyPanelY, kMoneyPanelDown) << "nothing changed: out of sight";

  g_battle.Money += 200;
  g_battle.MissionMoney += 200;
  std::vector<int> ys;
  int rolledAt = -1;
  for (int frame = 0; frame < 400 && g_battle.MissionMoney != 0; ++frame) {
    DrawBattleHud(2);
    ys.push_back(g_hud.MoneyPanelY);
    if (rolledAt < 0 && g_hud.ShownMoney == g_battle.Money) rolledAt = frame;
  }
  ASSERT_GE(rolledAt, 1);
  EXPECT_LE(rolledAt, 100);
  EXPECT_EQ(ys[0], 497);
  EXPECT_EQ(ys[22], 431);
  EXPECT_EQ(ys[23], kMoneyPanelUp) << "the last step stops on the target";
  // Held 180 frames after the roll ends, then down at 3 a frame; the gain clears once out of sight.
  EXPECT_EQ(ys[static_cast<std::size_t>(rolledAt) + 179], kMoneyPanelUp);
  EXPECT_EQ(ys[static_cast<std::size_t>(rolledAt) + 180], 433);
  EXPECT_EQ(ys.size(), static_cast<std::size_t>(rolledAt) + 204);
  EXPECT_EQ(ys.back(), kMoneyPanelDown);
  EXPECT_EQ(g_battle.MissionMoney, 0);
}

TEST(MoneyCounter, AChangeWhileGoingDownRaisesItAgainAndTheGainAddsUp) {
  g_battle.Money = 0;
  ResetHud();
  g_battle.Money = 10;
  g_battle.MissionMoney = 10;
  while (g_hud.MoneyPanelY != 460 || g_hud.MoneyHoldTimer > 0) DrawBattleHud(2);
  g_battle.Money += 7;
  g_battle.MissionMoney += 7;
  DrawBattleHud(2);
  EXPECT_EQ(g_hud.MoneyHoldTimer, kMoneyHoldFrames);
  EXPECT_EQ(g_hud.MoneyPanelY, 457);
  EXPECT_EQ(g_battle.MissionMoney, 17);
}

TEST(MoneyCounter, ExtremeMoneyRollsWithoutOverflow) {
  g_battle.Money = INT_MIN + 1;
  ResetHud();
  g_battle.Money = INT_MAX;
  for (int frame = 0; frame < 1000 && g_hud.ShownMoney != INT_MAX; ++frame) DrawBattleHud(2);
  EXPECT_EQ(g_hud.ShownMoney, INT_MAX);
}

TEST(WeaponSlots, StepAroundTheRingOfUsedSlots) {
  for (auto& slot : g_battle.WeaponSlot) slot.used = 0;
  g_battle.WeaponSlot[0].used = 1;
  g_battle.WeaponSlotCount = 2;
  for (int step : {-2, -1, 1, 2}) EXPECT_EQ(StepWeaponSlot(0, step), 0) << "no gun: " << step;
  g_battle.WeaponSlot[1].used = g_battle.WeaponSlot[2].used = 1;
  EXPECT_EQ(StepWeaponSlot(0, -2), 1);
  EXPECT_EQ(StepWeaponSlot(0, -1), 2);
  EXPECT_EQ(StepWeaponSlot(0, 1), 1);
  EXPECT_EQ(StepWeaponSlot(0, 2), 2);
  EXPECT_EQ(StepWeaponSlot(2, 1), 0);
  EXPECT_EQ(StepWeaponSlot(2, 2), 1);
  // A slot outside the ring still lands on it, never on slots 6 and 7.
  EXPECT_EQ(StepWeaponSlot(5, 2), 1);
  g_battle.WeaponSlotCount = 99;
  for (int s = 3; s <= 7; ++s) g_battle.WeaponSlot[s].used = 1;
  for (int step : {-2, -1, 1, 2}) EXPECT_LE(StepWeaponSlot(5, step), 5);
}

}  // namespace
}  // namespace horundel
