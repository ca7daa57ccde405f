#pragma once
// The mission text player: a conversation shown page by page over the frozen battle (source 0,
// "text\battleMMNN.dat") or over the adviser after a failed mission (source 1, "text\adviceNN.dat").
namespace horundel {

constexpr int kBattleText = 0;
constexpr int kAdviceText = 1;

void MissionTextPath(int source, int number, char* path, int size);
void PlayMissionText(int source, int number);

}  // namespace horundel
