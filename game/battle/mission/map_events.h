#pragma once
// Doors of a mission map (type 40): walking into one on foot opens it in a short cut-scene, then
// moves the heroine to another area, opens the shop or shows a rescue picture.
namespace horundel {

constexpr int kEventAreaDoor = 0;
constexpr int kEventShopDoor = 1;
constexpr int kEventRescueDoor = 2;

constexpr int kEventClosed = 10;
constexpr int kEventOpening = 2;

// The heroine's state while she walks through a door.
constexpr int kPlayerEnteringDoor = 600;

void UpdateEvent(int slot, int mode);
void DrawEvent(int slot, int mode);

}  // namespace horundel
