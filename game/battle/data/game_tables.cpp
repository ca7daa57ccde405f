#include "game/battle/data/game_tables.h"
#include "game/battle/data/resources.h"

#include <zelvo/zelvo.h>

#include <cstdio>
#include <cstring>

namespace horundel {

char KeyNameTable[256][kKeyNameBytes];
WeaponRecord WeaponRecords[kWeaponCount];
int WeaponShopOrder[kWeaponShopCount];
SkillRecord SkillRecords[kSkillCount];
int SkillShopOrder[kSkillCount];
MissionRecord MissionRecords[kMissionCount];

namespace {

struct KeyName {
  int code;
  const char* name;
};

constexpr KeyName kKeyNames[] = {
    {0x01, "Esc"}, {0x02, "１"}, {0x03, "２"}, {0x04, "３"}, {0x05, "４"}, {0x06, "５"}, {0x07, "６"},
    {0x08, "７"}, {0x09, "８"}, {0x0a, "９"}, {0x0b, "０"}, {0x0c, "－"}, {0x0e, "BackSpace"},
    {0x0f, "Tab"}, {0x10, "Ｑ"}, {0x11, "Ｗ"}, {0x12, "Ｅ"}, {0x13, "Ｒ"}, {0x14, "Ｔ"}, {0x15, "Ｙ"},
    {0x16, "Ｕ"}, {0x17, "Ｉ"}, {0x18, "Ｏ"}, {0x19, "Ｐ"}, {0x1a, "［"}, {0x1b, "］"}, {0x1c, "Enter"},
    {0x1d, "左ctrl"}, {0x1e, "Ａ"}, {0x1f, "Ｓ"}, {0x20, "Ｄ"}, {0x21, "Ｆ"}, {0x22, "Ｇ"}, {0x23, "Ｈ"},
    {0x24, "Ｊ"}, {0x25, "Ｋ"}, {0x26, "Ｌ"}, {0x27, "；"}, {0x2a, "左Shift"}, {0x2b, "＼"},
    {0x2c, "Ｚ"}, {0x2d, "Ｘ"}, {0x2e, "Ｃ"}, {0x2f, "Ｖ"}, {0x30, "Ｂ"}, {0x31, "Ｎ"}, {0x32, "Ｍ"},
    {0x33, "，"}, {0x34, "．"}, {0x35, "／"}, {0x36, "右shift"}, {0x37, "テンキー＊"}, {0x38, "左Alt"},
    {0x39, "スペース"}, {0x3a, "CaspLock"}, {0x3b, "Ｆ１"}, {0x3c, "Ｆ２"}, {0x3d, "Ｆ３"}, {0x3e, "Ｆ４"},
    {0x3f, "Ｆ５"}, {0x40, "Ｆ６"}, {0x41, "Ｆ７"}, {0x42, "Ｆ８"}, {0x43, "Ｆ９"}, {0x44, "Ｆ１０"},
    {0x46, "ScrollLock"}, {0x47, "テンキー７"}, {0x48, "テンキー８"}, {0x49, "テンキー９"},
    {0x4a, "テンキー－"}, {0x4b, "テンキー４"}, {0x4c, "テンキー５"}, {0x4d, "テンキー６"},
    {0x4e, "テンキー＋"}, {0x4f, "テンキー１"}, {0x50, "テンキー２"}, {0x51, "テンキー３"},
    {0x52, "テンキー０"}, {0x53, "テンキー．"}, {0x57, "Ｆ１１"}, {0x58, "Ｆ１２"}, {0x7d, "￥"},
    {0x90, "＾"}, {0x91, "＠"}, {0x92, "："}, {0x9c, "テンキーのEnter"}, {0x9d, "右ctrl"},
    {0xb5, "テンキー／"}, {0xb8, "右Alt"}, {0xc5, "PauseBreak"}, {0xc7, "Home"}, {0xc8, "↑"},
    {0xc9, "PageUp"}, {0xcb, "←"}, {0xcd, "→"}, {0xcf, "End"}, {0xd0, "↓"}, {0xd1, "PageDown"},
    {0xd2, "Insert"}, {0xd3, "Delete"},
};
static_assert(sizeof kKeyNames / sizeof kKeyNames[0] == 100, "100 named keys");

struct WeaponSource {
  const char* name;
  const char* description;
  const char* file;
  int price;
  float attack;
  int initialAmmunition;
  int maximumAmmunition;
  int reload;
  int attackKind;
};

constexpr WeaponSource kWeapons[kWeaponCount] = {
    {"ブレリク", "敵の武装を奪う能力を持った巨大ブレリク", "brellik", 0, 0.0f, 5, 30, 0, 700},
    {"マシンガン", "前方へ弾丸を高速連射する", "mg", 500, 50.0f, 500, 6000, 4, 0},
    {"ショットガン", "広範囲に広がる散弾を発射する", "stg", 800, 25.0f, 100, 800, 10, 10},
    {"アサルトライフル", "敵を自動照準する高性能ライフル", "arf", 600, 60.0f, 200, 3000, 6, 20},
    {"ロケットランチャー", "高威力のロケット弾を発射", "rl", 1000, 160.0f, 120, 600, 8, 30},
    {"ミサイルランチャー", "敵機を追尾する小型ミサイルを発射", "ml", 1500, 120.0f, 80, 600, 12, 40},
    {"グレネードランチャー", "着弾点で爆発するグレネード弾を発射", "gl", 1200, 150.0f, 60, 400, 10, 50},
    {"パイルバンカー", "爆薬で鉄杭を打ち出す強力な格闘用武器", "pb", 1000, 3000.0f, 10, 50, 60, 70},
    {"アサルトアンカー", "ワイヤーを敵に打ち込み、電撃で連続攻撃を行う", "aa", 2000, 100.0f, 20, 60, 60, 80},
    {"ヘヴィマシンガン", "ガトリング式大型機関銃　強力だが射撃中は動けない", "hmg", 3000, 80.0f, 360, 4000, 4, 90},
    {"バウンドグレネード", "壁で跳ね返る特殊グレネード弾", "rc", 3600, 120.0f, 60, 600, 10, 100},
    {"ホーミングレーザー", "地形を無視して敵を追尾する高速誘導レーザー", "lr", 4800, 200.0f, 24, 240, 8, 110},
    {"対戦車ライフル", "遠距離の敵をも正確に打ち抜く高威力ライフル", "atr", 5000, 800.0f, 20, 200, 20, 120},
    {"有線誘導ミサイル", "発射後にボタンを押し続けるとミサイルを操作できる", "atm", 6000, 1200.0f, 12, 80, 80, 130},
    {"バウンドライフル", "壁に当たると跳ね返る特殊ライフル", "bg", 1000, 50.0f, 320, 4000, 5, 60},
    {"リフレクトレーザー", "地形が破壊可能ならば貫通、不可能なら反射する特殊レーザー", "sl", 3000, 120.0f, 120, 2000, 12, 140},
    {"グラントーピドー", "地形を這うようにして進む地上魚雷", "gt", 2500, 200.0f, 40, 400, 20, 150},
    {"クラスターボム", "発射後にボタンを離した時点で大量の小型爆弾を投下", "cb", 4500, 160.0f, 8, 40, 120, 160},
    {"ナパームボンバー", "着弾後に炎を上げて攻撃する焼夷弾", "nb", 2300, 100.0f, 12, 60, 40, 170},
    {"フローティングマイン", "ゆっくりと敵を追跡する浮遊機雷", "fm", 1800, 250.0f, 40, 400, 16, 180},
    // The last three set no attack kind of their own.
    {"リニアレールキャノン", "溜めて撃つことにより最強クラスの破壊力を発揮する", "llc", 10000, 100.0f, 100, 1000, 20, 0},
    {"120mm滑空砲", "徹甲弾であらゆるものを貫通する凶悪兵器", "sbc", 15000, 80.0f, 16, 160, 30, 0},
    {"アトミックキャノン", "核弾頭弾を発射する最終兵器", "ac", 30000, 60000.0f, 1, 1, 600, 0},
};

constexpr int kWeaponShopIds[kWeaponShopCount] = {1,  2,  3,  14, 4,  5,  6,  7,  8,  10, 9,
                                                  12, 15, 11, 19, 16, 18, 13, 17, 20, 21, 22};

struct SkillSource {
  const char* name;
  const char* command;
  const char* firstLine;
  const char* secondLine;
  int price;
};

constexpr SkillSource kSkills[kSkillCount] = {
    {"ブレリクスティンガー", "ダッシュ中に格闘ボタン", "ブレリクを放電させて突っ込む突進技", "次の連続技へつなげやすい", 20000},
    {"ライジングブレリク", "↑＋格闘ボタン", "敵を空中へ吹っ飛ばす対空技", "空中ジャンプが可能ならば、空中コンボへつながる", 16000},
    {"ブレリクストライク", "↓＋格闘", "強力な一撃で地面に爆発を巻き起こす", "空中から出すと連続ヒットする", 24000},
    {"ブレリクスライダー", "↓＋ジャンプ", "敵を吹き飛ばす強力なスライディングキック", "もう一度ジャンプボタンでドロップキックに変化", 12000},
    {"ブレリクスラッシャー", "方向ボタンを押さずにジャンプ２回", "周囲の敵を巻き込むサマーソルトキック", "ジャンプボタンを押し続けると連続バク転に変化", 20000},
    {"ブーメランブレリク", "ブレリクが敵に当たった状態で射撃ボタン", "ブレリクが命中した敵をこちらへ引き寄せ、投げ技に持ち込む", "敵を受け止めた時の状態により様々な投げ技に変化", 30000},
    {"ミサイルブレリク", "射撃ボタンを一定時間押し続けてから離す", "投げたブレリクが命中時に爆発する", "破壊可能な地形を貫通して進む", 20000},
    {"ブレリクトーピドー", "ブレリクを投げて地形に当てる", "ブレリクが地形を這うように進む", "射撃ボタンを押すと、ブレリクが垂直に飛び上がる", 25000},
};

constexpr int kSkillShopIds[kSkillCount] = {0, 1, 2, 4, 3, 5, 6, 7};

struct MissionSource {
  const char* name;
  const char* lines[3];
};

constexpr MissionSource kMissions[kMissionCount] = {
    {"戦闘基礎訓練",
     {"これより訓練を開始する！", "この訓練では、戦闘時の基本操作について解説する。", "操作に不安がある者はぜひ参加してくれ。"}},
    {"前線基地攻撃",
     {"山間部に建設中のクーデター軍前線基地を攻略せよ！", "基地内部には多数のセキュリティシステムが稼動している。",
      "敵をかいくぐり基地のメインコンピュータを破壊するのだ！"}},
    {"補給部隊強襲",
     {"市街地に展開している敵補給部隊を攻撃する。", "制限時間内に可能な限り敵部隊にダメージを与えろ！",
      "輸送トラックを破壊すると特別ボーナスも出るぞ！"}},
    {"機甲部隊迎撃", {"クーデター軍の機甲部隊が接近している。", "強力な砲撃に注意しつつ、敵指揮官機を撃破せよ！", ""}},
    {"", {"", "", ""}},
    {"", {"", "", ""}},
};

}  // namespace

void CopyText(char* field, int size, const char* text) {
  std::snprintf(field, static_cast<std::size_t>(size), "%s", text);
}

void FillKeyNames() {
  std::memset(KeyNameTable, 0, sizeof KeyNameTable);
  for (const KeyName& key : kKeyNames) CopyText(KeyNameTable[key.code], kKeyNameBytes, key.name);
}

void FillWeaponShopOrder() { std::memcpy(WeaponShopOrder, kWeaponShopIds, sizeof WeaponShopOrder); }

void FillWeaponRecords() {
  for (int id = 0; id < kWeaponCount; ++id) {
    const WeaponSource& source = kWeapons[id];
    WeaponRecord& record = WeaponRecords[id];
    CopyText(record.name, sizeof record.name, source.name);
    CopyText(record.description, sizeof record.description, source.description);
    char path[64];
    std::snprintf(path, sizeof path, "bmp\\weapon\\%s.bmp", source.file);
    record.picture = LoadPicture(path);
    record.price = source.price;
    record.attack = source.attack;
    record.initialAmmunition = source.initialAmmunition;
    record.maximumAmmunition = source.maximumAmmunition;
    record.reload = source.reload;
    record.attackKind = source.attackKind;
  }
}

void FillSkillShopOrder() { std::memcpy(SkillShopOrder, kSkillShopIds, sizeof SkillShopOrder); }

void FillSkillRecords() {
  for (int id = 0; id < kSkillCount; ++id) {
    const SkillSource& source = kSkills[id];
    SkillRecord& record = SkillRecords[id];
    CopyText(record.name, sizeof record.name, source.name);
    CopyText(record.command, sizeof record.command, source.command);
    CopyText(record.firstLine, sizeof record.firstLine, source.firstLine);
    CopyText(record.secondLine, sizeof record.secondLine, source.secondLine);
    record.price = source.price;
    record.owned = 0;
  }
}

void FillMissionTexts() {
  for (int mission = 0; mission < kMissionCount; ++mission) {
    MissionRecord& record = MissionRecords[mission];
    CopyText(record.name, sizeof record.name, kMissions[mission].name);
    for (int line = 0; line < 3; ++line) CopyText(record.lines[line], sizeof record.lines[line], kMissions[mission].lines[line]);
  }
}

}  // namespace horundel
