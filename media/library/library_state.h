#pragma once
// Every subsystem keeps its state in one record `g_<name>` of type `<Name>State` (tables and
// settings records beside it where the record alone would not say what it holds), with a
// `Reset<Name>State()` that puts back its value at process start. The list of those resets is in
// library_state.cpp; a new subsystem adds its reset there.
namespace zelvo {

// Every state of the library as at process start. For tests, with the library shut down.
void ResetLibraryState();

}  // namespace zelvo
