#pragma once
// The graph-restore callback and the rebuild of the screen and the graphs after the display was
// lost or changed under the program.
namespace zelvo {

// Null selects the built-in restore, which reloads every graph from its file. 0.
int SetGraphRestoreCallback(void (*callback)());
// 1: some restore is in effect (the program's or the built-in one).
int QueryGraphRestoreCallback();
// The output surfaces, the 2D surfaces' objects, the clipper and, in full screen, the DirectDraw
// object are made again; then the draw target is cleared and shown once and the graphs refilled.
int RebuildGraphicsAfterDisplayChange();

}  // namespace zelvo
