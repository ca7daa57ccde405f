#pragma once
// Library start-up and shut-down, and COM's start and end.
namespace zelvo {

int StartUpLibrary();     // 0, or -1 after undoing what was started
int ShutDownLibrary();    // 0
int StartCom();               // 0, or -1 when already started by the library or CoInitialize fails
int EndCom();                 // 0, or -1 when not started

}  // namespace zelvo
