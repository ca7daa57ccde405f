#pragma once
// Test controls of the MCI and DirectMusic stand-in.
namespace pf::testing {

// The General MIDI sound font the synthesizer loads; nullptr goes back to the system's. A path that
// does not exist makes the machine one without a MIDI synthesizer.
void SetSoundFontPath(const char* path);
// Sequencer devices open, DirectMusic objects and synthesizers alive: 0 when nothing is left behind.
int OpenMciDevices();
int LiveDirectMusicObjects();
int LiveMidiSynthesizers();

}  // namespace pf::testing
