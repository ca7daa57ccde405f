#pragma once
// The scripted screens around a mission. Each is a blocking loop that returns when its animation
// ends, or at once when the program must end (QuitRequested then tells the caller).
namespace horundel {

void FadeBattleToBlack();
void FadeBattleFromBlack();
void BossWarning();
void BossDefeatSequence(int slot);
void MissionStart();
void MissionClear();
void MissionFailed();

}  // namespace horundel
