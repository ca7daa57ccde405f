#pragma once
// The rows of the subsystem hook table for the subsystems the library is built with.
namespace zelvo {

// Fills the table: the display's and graphics' rows and the screen's answers to the ground floor.
// Subsystems not built with the library stay absent rows.
void RegisterLibrarySubsystems();

// Full screen gives the display up while the window is inactive (the display row's release).
void ReleaseDisplayWhileInactive();

}  // namespace zelvo
