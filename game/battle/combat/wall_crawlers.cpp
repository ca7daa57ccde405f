#include <cmath>

#include "game/battle/combat/attacks.h"
#include "game/battle/data/battle_state.h"
#include "game/battle/data/game_math.h"
#include "game/battle/world/tile_map.h"

namespace horundel {

namespace {

// Crawlers cling to anything solid except the kind attacks pass through.
bool IsWallKind(int kind) { return kind > 0 && kind != 100; }

bool IsWallAt(float x, float y) { return IsWallKind(TileKindAt(x, y)); }

int CrawlingKindOf(int kind) {
  switch (kind) {
    case 150: return 151;
    case 171: return 172;
    case 700: return 705;
    case 704: return 706;
    default: return kind;
  }
}

bool Near(float angle, float target) { return AbsFloat(angle - target) <= 0.1f; }

}  // namespace

int MeetWall(int slot) {
  Character& crawler = CharacterTable[slot];
  const bool side = IsWallAt(crawler.x + crawler.vx, crawler.y);
  if (!side && !IsWallAt(crawler.x, crawler.y + crawler.vy)) return 0;
  const int c = CellIndexOf(crawler.x);
  const int r = CellIndexOf(crawler.y);
  const float left = 100.0f * static_cast<float>(c);
  const float top = 100.0f * static_cast<float>(r);
  const float angle = crawler.angle;
  int column = c;
  int row = r;
  if (side && crawler.vx >= 0.0f) {
    crawler.x = left + 100.0f;
    crawler.y = top;
    column = c + 1;
    if (angle < kHalfPi) {
      crawler.angle = 0.0f;
      crawler.facing = 1;
      row = r + 1;
    } else {
      crawler.angle = kPi;
      crawler.facing = -1;
      row = r - 1;
    }
  } else if (side) {
    crawler.x = left;
    crawler.y = top;
    if (angle > -kHalfPi) {
      crawler.angle = 0.0f;
      crawler.facing = -1;
    } else {
      crawler.angle = kPi;
      crawler.facing = 1;
    }
  } else if (crawler.vy < 0.0f) {
    crawler.x = left;
    crawler.y = top;
    if (angle >= kPi || angle <= -kPi) {
      const bool right = crawler.facing == 1;
      crawler.angle = right ? kHalfPi : -kHalfPi;
      crawler.facing = right ? 1 : -1;
    } else if (angle < 0.0f) {
      crawler.angle = -kHalfPi;
      crawler.facing = -1;
    } else {
      crawler.angle = kHalfPi;
      crawler.facing = 1;
    }
  } else {
    crawler.x = left;
    crawler.y = top + 100.0f;
    row = r + 1;
    if (angle == 0.0f) {
      const bool right = crawler.facing == 1;
      crawler.angle = right ? kHalfPi : -kHalfPi;
      crawler.facing = right ? -1 : 1;
    } else if (angle >= 0.0f) {
      crawler.angle = kHalfPi;
      crawler.facing = -1;
    } else {
      crawler.angle = -kHalfPi;
      crawler.facing = 1;
    }
  }
  crawler.motion = column;
  crawler.motionTick = row;
  crawler.kind = CrawlingKindOf(crawler.kind);
  if (crawler.kind == 151) crawler.timer = 180;
  if (crawler.kind == 705) crawler.timer = 300;
  if (crawler.kind == 706) {
    crawler.timer = 300;
    crawler.halfWidth = crawler.halfHeight = 120.0f;
  }
  return 1;
}

void CrawlAlongWall(int slot, float step) {
  Character& crawler = CharacterTable[slot];
  const float cornerX = 100.0f * static_cast<float>(crawler.motion);
  const float cornerY = 100.0f * static_cast<float>(crawler.motionTick);
  crawler.x = StepTowardF(crawler.x, cornerX, step);
  crawler.y = StepTowardF(crawler.y, cornerY, step);
  if (crawler.x != cornerX || crawler.y != cornerY) return;
  const float side = static_cast<float>(crawler.facing);
  auto wallToward = [&](float angle) {
    return IsWallAt(cornerX + 50.0f * std::sin(angle), cornerY + 50.0f * std::cos(angle));
  };
  if (wallToward(crawler.angle - side * 0.25f * kPi)) {
    crawler.angle = WrapAngle(crawler.angle - side * 0.5f * kPi);
  } else if (!wallToward(crawler.angle + side * 0.25f * kPi) && wallToward(crawler.angle + side * 0.75f * kPi)) {
    crawler.angle = WrapAngle(crawler.angle + side * 0.5f * kPi);
  }
  const float heading = crawler.angle;
  if (Near(heading, -kHalfPi)) crawler.motion -= 1;
  else if (Near(heading, kHalfPi)) crawler.motion += 1;
  else if (Near(heading, kPi) || Near(heading, -kPi)) crawler.motionTick -= 1;
  else if (Near(heading, 0.0f)) crawler.motionTick += 1;
}

}  // namespace horundel
