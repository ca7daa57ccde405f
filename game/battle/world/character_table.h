#pragma once
// Slot allocation and the queries between two slots of the character table.
namespace horundel {

void ClearCharacter(int slot);
// The lowest free slot of 2..299, or 0 when the table is full.
int FindFreeCharacter();

int CharactersOverlap(int a, int b);
float AngleTo(int a, int b);
float HasLineOfSight(int a, int b);
int FindAimTarget(int from, int needSight, float aimAngle, float maxDx, float maxDy);

}  // namespace horundel
