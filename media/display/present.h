#pragma once
// Presenting the back screen (flip, window copy, GDI copy in software rendering), the software
// front screen's window copies, and the flip counter.
#include <cstdint>

#include "media/core/runtime_routines.h"

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

// The flip counter, the last vertical-blank wait and the stale flag as at process start.
void ResetPresentState();

}  // namespace zelvo
