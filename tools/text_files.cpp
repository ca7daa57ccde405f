// The mission texts: "text\battle%02d%02d.dat" (the training's instructions, read over the frozen
// battle) and "text\advice%02d.dat" (hints after a failed mission), in the text player's format,
// CP932 with CR LF. "@BTNn" rows name the player's own key for action n.
#include <iconv.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "data_set.h"

namespace zelvo_datagen {
namespace {

using Page = std::array<const char*, 3>;

// A picture shown with the text, centred on (x, y) from its first page on; unless its scale is kept
// it eases from the given scale to full size.
struct ShownPicture {
  double x, y, scale, angle;
  int mirrored;
  int firstPage;
  int keepScale;
  const char* path;
};

struct Conversation {
  std::vector<ShownPicture> pictures;
  std::vector<Page> pages;
};

// The operator's portrait beside the text window, in every training text.
constexpr ShownPicture kOperator = {540.0, 290.0, 0.6, 0.0, 0, 0, 1, "bmp\\system\\shopgirl.bmp"};

std::vector<ShownPicture> WithOperator(std::vector<ShownPicture> more) {
  more.insert(more.begin(), kOperator);
  return more;
}

std::string ToCp932(const std::string& utf8) {
  iconv_t convert = iconv_open("CP932", "UTF-8");
  if (convert == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no UTF-8 to CP932 conversion");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* at = out.data();
  std::size_t outLeft = out.size();
  std::size_t result = iconv(convert, &in, &inLeft, &at, &outLeft);
  iconv_close(convert);
  if (result == static_cast<std::size_t>(-1)) throw std::runtime_error("text not representable in CP932: " + utf8);
  out.resize(out.size() - outLeft);
  return out;
}

std::string FileText(const Conversation& c) {
  std::string text;
  char line[256];
  std::snprintf(line, sizeof line, "%d,ページ数-1\r\n", static_cast<int>(c.pages.size()) - 1);
  text += line;
  std::snprintf(line, sizeof line, "%d,画像数-1\r\n", static_cast<int>(c.pictures.size()) - 1);
  text += line;
  text += "x,y,拡大率,角度,反転,表示ページ,拡大率固定,ファイル\r\n";
  for (const ShownPicture& p : c.pictures) {
    std::snprintf(line, sizeof line, "%.1f,%.1f,%.2f,%.2f,%d,%d,%d,%s\r\n", p.x, p.y, p.scale, p.angle, p.mirrored,
                  p.firstPage, p.keepScale, p.path);
    text += line;
  }
  text += "----\r\n";
  for (const Page& page : c.pages)
    for (const char* row : page) text += std::string(row) + "\r\n";
  return ToCp932(text);
}

// Training instructions, by the number the training script plays.
const std::vector<Conversation>& TrainingTexts() {
  static const std::vector<Conversation> kTexts = {
      {WithOperator({}), {{"これより基礎訓練を開始する。", "私がオペレーターを担当する。", "よろしく頼む。"},
              {"まずは移動だ。", "方向キーの左右で歩くことができる。", "右へ進んでみてくれ。"}}},
      {WithOperator({}), {{"どうした？", "方向キーの右で前へ進めるぞ。", ""}}},
      {WithOperator({}), {{"右へ進むんだ。", "画面の矢印が目標の方向を示している。", ""}}},
      {WithOperator({}), {{"いい調子だ。", "この先に段差がある。", "ジャンプで越えてくれ。"},
              {"ジャンプは", "@BTN3", "空中でもう一度押せば空中ジャンプもできる。"}}},
      {WithOperator({}), {{"次は壁だ。", "空中で壁に向かって進むと壁につかまる。", ""},
              {"壁につかまった状態でジャンプすると", "壁を蹴って跳ぶことができる。", "@BTN3"}}},
      {WithOperator({}), {{"壁を越えてくれ。", "ジャンプしながら壁の方へ進むんだ。", ""}}},
      {WithOperator({}), {{"よし。次はダッシュだ。", "@BTN4", "方向キーを素早く２回押してもダッシュできる。"}}},
      {WithOperator({}), {{"ダッシュで穴を越えるんだ。", "", ""}}},
      {WithOperator({{420.0, 130.0, 3.0, 0.0, 0, 0, 0, "bmp\\weapon\\brellik.bmp"}}), {{"次は格闘だ。", "ブレリクで目の前のブロックを壊してくれ。", "@BTN0"},
              {"格闘ボタンを続けて押すと", "３段攻撃になる。", ""}}},
      {WithOperator({}), {{"ブロックを壊して進むんだ。", "@BTN0", ""}}},
      {WithOperator({}), {{"その先に敵兵がいる。", "訓練なので反撃はしてこない。", "格闘で倒してみろ。"}}},
      {WithOperator({{360.0, 100.0, 2.5, 0.0, 0, 1, 0, "bmp\\weapon\\mg.bmp"},
                    {240.0, 160.0, 1.5, 0.0, 1, 2, 1, "bmp\\weapon\\stg.bmp"},
                    {470.0, 160.0, 1.5, 0.0, 0, 2, 1, "bmp\\weapon\\arf.bmp"}}),
       {{"敵が武器を落とすことがある。", "拾うと銃が使えるようになる。", ""},
              {"射撃は", "@BTN1", "武器の切り替えは次のボタンだ。"},
              {"@BTN5", "@BTN6", ""}}},
      {WithOperator({}), {{"銃を持っているな。", "撃ちながら方向キーで狙いを変えられる。", "@BTN1"}}},
      {WithOperator({}), {{"弾が切れた銃は", "もう一度射撃ボタンで投げ捨てられる。", ""}}},
      {WithOperator({{430.0, 140.0, 2.0, 0.0, 1, 0, 0, "bmp\\chara03\\canon.bmp"}}), {{"この先に砲台を積んだ敵がいる。", "ブレリクを当てて射撃ボタンで", "機体を奪うことができる。"}}},
      {WithOperator({}), {{"乗り込んだな。", "格闘ボタンで主砲、射撃ボタンで機銃だ。", "降りるときは特殊攻撃ボタンだ。"},
              {"@BTN2", "", ""}}},
      {WithOperator({}), {{"次は射撃訓練だ。", "前方の砲台を破壊してくれ。", ""}}},
      {WithOperator({}), {{"銃を選んでいるときは", "@BTN1", "で射撃だ。"}}},
      {WithOperator({}), {{"ブレリクを選んでいるときは", "射撃ボタンでブレリクを投げられる。", "長く押すほど遠くへ飛ぶ。"}}},
      {WithOperator({}), {{"よし、その調子だ。", "箱を壊すと補給物資が出ることがある。", ""}}},
      {WithOperator({}), {{"赤い十字のブロックは", "壊すと体力を回復するアイテムが出る。", ""}}},
      {WithOperator({{430.0, 150.0, 0.8, 0.0, 0, 0, 1, "bmp\\system\\doorbase.bmp"}}), {{"扉の前に来たら", "そのまま扉に触れれば開く。", "中で誰かが助けを待っているようだ。"}}},
      {WithOperator({{430.0, 140.0, 3.0, 0.0, 0, 0, 0, "bmp\\cg\\cgt00.bmp"}}), {{"救出成功だ。", "助けた人の写真はギャラリーで見られる。", ""}}},
      {WithOperator({{430.0, 140.0, 1.0, 0.0, 0, 2, 1, "bmp\\system\\statusweapondisp.bmp"}}), {{"最後だ。", "奥の扉から次のエリアへ進めば訓練は終了だ。", ""},
              {"ポーズは", "@BTN7", ""},
              {"装備画面は", "@BTN8", ""}}},
      {WithOperator({}), {{"訓練終了だ。", "よくやった。", "実戦でも期待しているぞ。"}}},
      {WithOperator({}), {{"武器を持ったまま", "特殊攻撃ボタンで必殺技が出せる。", "@BTN2"}}},
  };
  return kTexts;
}

// Advice after a failed mission, played in turn.
const std::vector<Conversation>& AdviceTexts() {
  static const std::vector<Conversation> kTexts = {
      {{}, {{"作戦失敗か……。", "敵の弾はジャンプやダッシュでかわせるぞ。", ""}}},
      {{{450.0, 250.0, 3.0, 0.0, 0, 0, 1, "bmp\\system\\hpbar.bmp"}}, {{"ショップで体力ゲージを買い足すと", "打たれ強くなる。", ""}}},
      {{}, {{"格闘ボタンを続けて押せば", "３段攻撃が出せる。", "囲まれたら使ってみろ。"}}},
      {{}, {{"コンボを続けると", "ボーナスヒットが加算される。", ""}}},
      {{{450.0, 250.0, 2.0, 0.0, 1, 0, 0, "bmp\\weapon\\mg.bmp"}}, {{"敵の武器を奪えば", "こちらの戦力になる。", ""}}},
      {{{450.0, 250.0, 2.5, 0.6, 1, 1, 0, "bmp\\weapon\\stg.bmp"}},
       {{"弾切れの銃は投げつけて", "武器として使える。", ""}, {"弾を撃ち尽くしたら", "試してみろ。", ""}}},
      {{}, {{"空中ジャンプの回数は", "ショップで増やせる。", ""}}},
      {{}, {{"赤い十字のブロックを壊せば", "体力が回復する。", ""}}},
      {{{450.0, 250.0, 2.0, 0.0, 0, 0, 0, "bmp\\chara03\\canon.bmp"}}, {{"敵の機体を奪えば", "強力な火力で戦える。", ""}}},
      {{}, {{"スキルを買うと", "ブレリクの新しい技が使える。", ""}}},
      {{}, {{"爆発するブロックの近くでは", "巻き込まれないよう注意しろ。", ""}}},
      {{{420.0, 260.0, 2.0, 0.0, 0, 0, 1, "bmp\\enemy\\cguard.bmp"}, {540.0, 220.0, 0.8, 0.0, 1, 0, 1, "bmp\\enemy\\computer.bmp"}}, {{"ボスは護衛ポッドを呼び出す。", "ポッドを先に片付けるんだ。", ""}}},
      {{}, {{"諦めるな。", "もう一度挑戦だ。", ""}}},
  };
  return kTexts;
}

}  // namespace

void AddTextFiles(DataSet& set) {
  const auto& training = TrainingTexts();
  if (training.size() != 26 || AdviceTexts().size() != 13) throw std::logic_error("training texts 0-25, advice 0-12");
  for (std::size_t n = 0; n < training.size(); ++n) {
    char path[40];
    std::snprintf(path, sizeof path, "text\\battle%02d%02d.dat", 0, static_cast<int>(n));
    set.Add(path, FileText(training[n]));
  }
  const auto& advice = AdviceTexts();
  for (std::size_t n = 0; n < advice.size(); ++n) {
    char path[40];
    std::snprintf(path, sizeof path, "text\\advice%02d.dat", static_cast<int>(n));
    set.Add(path, FileText(advice[n]));
  }
}

}  // namespace zelvo_datagen
