#pragma once
// The game's static tables: key names, weapons, skills, missions and the shop orders. LoadAll fills
// the records; the shop, the save file and the result screen change their flags and records.
namespace horundel {

constexpr int kKeyNameBytes = 20;
extern char KeyNameTable[256][kKeyNameBytes];

struct WeaponRecord {
  char name[40];
  char description[80];
  int picture;          // graph handle
  int price;
  float attack;         // damage of one shot
  int initialAmmunition;
  int maximumAmmunition;
  int reload;           // frames between shots
  int attackKind;
  int owned;            // 1 = offered in the shop
};
constexpr int kWeaponCount = 23;
extern WeaponRecord WeaponRecords[kWeaponCount];
constexpr int kWeaponShopCount = 22;
extern int WeaponShopOrder[kWeaponShopCount];

struct SkillRecord {
  char name[40];
  char command[80];
  char firstLine[80];
  char secondLine[80];
  int price;
  int owned;
};
constexpr int kSkillCount = 8;
extern SkillRecord SkillRecords[kSkillCount];
extern int SkillShopOrder[kSkillCount];

struct MissionRecord {
  char name[40];
  char lines[3][80];
  unsigned char cleared;
  int bestTime;         // frames
  int maxHit;
  int highScore;
};
constexpr int kMissionCount = 6;
extern MissionRecord MissionRecords[kMissionCount];

// The loading steps of LoadAll for the tables.
void FillKeyNames();
void FillWeaponShopOrder();
void FillWeaponRecords();
void FillSkillShopOrder();
void FillSkillRecords();
void FillMissionTexts();

// Copies a text into a fixed field, cut to fit and always terminated.
void CopyText(char* field, int size, const char* text);

}  // namespace horundel
