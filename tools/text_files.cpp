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

struct Conversation {
  bool operatorShown;   // the operator's portrait beside the text window
  std::vector<Page> pages;
};

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
  text += c.operatorShown ? "0,画像数-1\r\n" : "-1,画像数-1\r\n";
  text += "x,y,拡大率,角度,反転,表示ページ,拡大率固定,ファイル\r\n";
  if (c.operatorShown) text += "540.0,290.0,0.6,0.0,0,0,1,bmp\\system\\shopgirl.bmp\r\n";
  text += "----\r\n";
  for (const Page& page : c.pages)
    for (const char* row : page) text += std::string(row) + "\r\n";
  return ToCp932(text);
}

// Training instructions, by the number the training script plays.
const std::vector<Conversation>& TrainingTexts() {
  static const std::vector<Conversation> kTexts = {
      {true, {{"これより基礎訓練を開始する。", "私がオペレーターを担当する。", "よろしく頼む。"},
              {"まずは移動だ。", "方向キーの左右で歩くことができる。", "右へ進んでみてくれ。"}}},
      {true, {{"どうした？", "方向キーの右で前へ進めるぞ。", ""}}},
      {true, {{"右へ進むんだ。", "画面の矢印が目標の方向を示している。", ""}}},
      {true, {{"いい調子だ。", "この先に段差がある。", "ジャンプで越えてくれ。"},
              {"ジャンプは", "@BTN3", "空中でもう一度押せば空中ジャンプもできる。"}}},
      {true, {{"次は壁だ。", "空中で壁に向かって進むと壁につかまる。", ""},
              {"壁につかまった状態でジャンプすると", "壁を蹴って跳ぶことができる。", "@BTN3"}}},
      {true, {{"壁を越えてくれ。", "ジャンプしながら壁の方へ進むんだ。", ""}}},
      {true, {{"よし。次はダッシュだ。", "@BTN4", "方向キーを素早く２回押してもダッシュできる。"}}},
      {true, {{"ダッシュで穴を越えるんだ。", "", ""}}},
      {true, {{"次は格闘だ。", "ブレリクで目の前のブロックを壊してくれ。", "@BTN0"},
              {"格闘ボタンを続けて押すと", "３段攻撃になる。", ""}}},
      {true, {{"ブロックを壊して進むんだ。", "@BTN0", ""}}},
      {true, {{"その先に敵兵がいる。", "訓練なので反撃はしてこない。", "格闘で倒してみろ。"}}},
      {true, {{"敵が武器を落とすことがある。", "拾うと銃が使えるようになる。", ""},
              {"射撃は", "@BTN1", "武器の切り替えは次のボタンだ。"},
              {"@BTN5", "@BTN6", ""}}},
      {true, {{"銃を持っているな。", "撃ちながら方向キーで狙いを変えられる。", "@BTN1"}}},
      {true, {{"弾が切れた銃は", "もう一度射撃ボタンで投げ捨てられる。", ""}}},
      {true, {{"この先に砲台を積んだ敵がいる。", "ブレリクを当てて射撃ボタンで", "機体を奪うことができる。"}}},
      {true, {{"乗り込んだな。", "格闘ボタンで主砲、射撃ボタンで機銃だ。", "降りるときは特殊攻撃ボタンだ。"},
              {"@BTN2", "", ""}}},
      {true, {{"次は射撃訓練だ。", "前方の砲台を破壊してくれ。", ""}}},
      {true, {{"銃を選んでいるときは", "@BTN1", "で射撃だ。"}}},
      {true, {{"ブレリクを選んでいるときは", "射撃ボタンでブレリクを投げられる。", "長く押すほど遠くへ飛ぶ。"}}},
      {true, {{"よし、その調子だ。", "箱を壊すと補給物資が出ることがある。", ""}}},
      {true, {{"赤い十字のブロックは", "壊すと体力を回復するアイテムが出る。", ""}}},
      {true, {{"扉の前に来たら", "そのまま扉に触れれば開く。", "中で誰かが助けを待っているようだ。"}}},
      {true, {{"救出成功だ。", "助けた人の写真はギャラリーで見られる。", ""}}},
      {true, {{"最後だ。", "奥の扉から次のエリアへ進めば訓練は終了だ。", ""},
              {"ポーズは", "@BTN7", ""},
              {"装備画面は", "@BTN8", ""}}},
      {true, {{"訓練終了だ。", "よくやった。", "実戦でも期待しているぞ。"}}},
      {true, {{"武器を持ったまま", "特殊攻撃ボタンで必殺技が出せる。", "@BTN2"}}},
  };
  return kTexts;
}

// Advice after a failed mission, played in turn.
const std::vector<Conversation>& AdviceTexts() {
  static const std::vector<Conversation> kTexts = {
      {false, {{"作戦失敗か……。", "敵の弾はジャンプやダッシュでかわせるぞ。", ""}}},
      {false, {{"ショップで体力ゲージを買い足すと", "打たれ強くなる。", ""}}},
      {false, {{"格闘ボタンを続けて押せば", "３段攻撃が出せる。", "囲まれたら使ってみろ。"}}},
      {false, {{"コンボを続けると", "ボーナスヒットが加算される。", ""}}},
      {false, {{"敵の武器を奪えば", "こちらの戦力になる。", ""}}},
      {false, {{"弾切れの銃は投げつけて", "武器として使える。", ""}}},
      {false, {{"空中ジャンプの回数は", "ショップで増やせる。", ""}}},
      {false, {{"赤い十字のブロックを壊せば", "体力が回復する。", ""}}},
      {false, {{"敵の機体を奪えば", "強力な火力で戦える。", ""}}},
      {false, {{"スキルを買うと", "ブレリクの新しい技が使える。", ""}}},
      {false, {{"爆発するブロックの近くでは", "巻き込まれないよう注意しろ。", ""}}},
      {false, {{"ボスは護衛ポッドを呼び出す。", "ポッドを先に片付けるんだ。", ""}}},
      {false, {{"諦めるな。", "もう一度挑戦だ。", ""}}},
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
