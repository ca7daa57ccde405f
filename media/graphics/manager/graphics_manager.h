#pragma once
// Graphics start-up and shut-down: the DirectDraw layer with its fall-back to software rendering,
// and the graphics manager that clears and initialises the tables and the drawing state.
namespace zelvo {

// The graphics front end's entries of the screen's service table.
void InstallGraphicsScreenServices();
int StartDirectDrawLayer();
int EndDirectDrawLayer();
int StartGraphicsManager();
int EndGraphicsManager();

// The manager's flags and the graph, surface and 2D tables empty, as at process start; the records
// of live graphs are not freed (the library is shut down first).
void ResetGraphicsState();

}  // namespace zelvo
