#pragma once
// The configuration file "save\saveconfig.dat" and the 20 save slots "save\save%d%d.dat": one
// decimal value (or comma-separated values) a line, CR LF line ends.
namespace horundel {

constexpr int kGalleryFlagCount = 31;
constexpr int kSaveSlotCount = 20;
constexpr int kConfigLineCount = 68;
constexpr int kSlotLineCount = 44;

extern int GalleryFlags[kGalleryFlagCount];
extern int WindowModeSetting;   // 1 window, 0 full screen; read at the next start

// Writers: 0, or -1 when the file could not be stored (the old file is then left as it was).
int SaveConfig();
int WriteSaveSlot(int slot);
// LoadConfig takes the file only when it is whole: every line there and every value within its
// range. 0 when it was read, -1 when there is none, kConfigDamaged when it was refused: the
// settings are left as they were and the file is moved to "save\saveconfig.dat.bad" (or, when it
// cannot be moved, left in place and never written over).
constexpr int kConfigDamaged = -2;
int LoadConfig();

// A slot file: missing, whole with every value within its range, or damaged.
enum SlotState { kSlotEmpty = 0, kSlotValid = 1, kSlotDamaged = 2 };
// What the slot list shows of a whole slot.
struct SlotSummary {
  int year, month, day, hour, minute;
  int shownMission;
  int difficulty;
  int money;
};
// Reads and checks the whole slot; the summary is filled for a whole one.
SlotState CheckSaveSlot(int slot, SlotSummary* summary);
// 0 with the game replaced by the slot's, or -1 with nothing changed when the slot is not whole.
int ReadSaveSlot(int slot);

// "save\saveNN.dat" for a slot 0..19.
void SaveSlotPath(int slot, char* path, int size);

}  // namespace horundel
