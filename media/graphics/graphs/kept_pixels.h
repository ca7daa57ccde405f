#pragma once
// A graph that has been a draw target has no file to be refilled from: its pixels are kept in
// memory each time the drawing moves away from it, and put back into its storage when the surface
// comes back after a loss or is made again after a display change.
namespace zelvo {

struct SurfaceRecord;

// Keeps the pixels of the graph's storage; nothing for the screens, memory images and lost surfaces.
void KeepDrawnGraphPixels(int graph);
// Puts kept pixels back into the record's (new or restored) surface, converted when its format changed.
void PutBackKeptPixels(int handle);
// The same for every storage of the graph; nothing for the screens.
void PutBackDrawnGraphPixels(int graph);
// Frees the record's kept pixels.
void ForgetKeptPixels(SurfaceRecord* record);

}  // namespace zelvo
