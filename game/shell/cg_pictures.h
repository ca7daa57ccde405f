#pragma once
// The numbered full-screen pictures: shown (and unlocked for good) by the map events and the
// gallery, and exported as byte copies into the "cg" folder.
namespace horundel {

constexpr int kExport640 = 0;
constexpr int kExport1280 = 1;

// Unlocks picture n, stores the configuration, then shows the picture until the player moves on.
void ShowCgPicture(int number);
// 0 when the copy is stored whole; -1 when the source cannot be read or the copy cannot be written,
// in which case no file (and no part of one) is left behind.
int ExportCg(int number, int size);
// "cg\brlcgNN_640.bmp" or "cg\brlcgNN_1280.bmp".
void CgExportPath(int number, int size, char* path, int pathSize);

}  // namespace horundel
