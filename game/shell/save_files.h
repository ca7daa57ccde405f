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
// LoadConfig keeps, field by field, what it cannot read or what lies outside the field's range;
// 0 when the file was read, -1 when there is none.
int LoadConfig();
// 0 with the game replaced by the slot's, or -1 with nothing changed when the slot is missing,
// short, or has a line that does not parse. Values outside their range are clamped.
int ReadSaveSlot(int slot);

// "save\saveNN.dat" for a slot 0..19.
void SaveSlotPath(int slot, char* path, int size);

}  // namespace horundel
