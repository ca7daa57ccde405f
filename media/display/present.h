#pragma once
// Presenting the back screen (flip, window copy, GDI copy in software rendering), the software
// front screen's window copies, the flip counter and the screen save.
#include <cstdint>

#include "media/core/foundation.h"

namespace zelvo {

int PresentBackScreen();
int CopyBackScreenToWindow();
// The copy itself, whatever the draw target (no flip counted).
void ShowBackScreenInWindow();
int WaitVerticalBlank(int count);
void FrameWait();
void ResetFlipCounter();
void CountFlip();
std::uint64_t GetFlipCounter();
int TransferSoftScreenRect(const IntRect* rect);
int ReloadSoftScreenFromDisplay();
void MarkSoftScreenStale();
int SaveScreenToImageFile(int x1, int y1, int x2, int y2, const char* path, int type, int jpegQuality,
                          int pngLevel);

}  // namespace zelvo
