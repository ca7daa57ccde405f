#pragma once
// Scripted input for the headless host (ZELVO_INPUT_SCRIPT): one event per line, stamped with the
// number of presented frames after which it happens. Blank lines and lines starting with '#' are
// skipped.
//
//   <frame> key <scancode name> down|up     e.g. "30 key Escape down", "31 key Right Shift up"
//                                           (SDL's names; quotes around one are allowed)
//   <frame> text <UTF-8 text>
//   <frame> compose <cursor> <UTF-8 text>   composition in progress ("-" for an empty one)
//   <frame> focus 0|1
//   <frame> wheel <steps>
//   <frame> mouse <x> <y>
//   <frame> drop <UTF-8 path>
//   <frame> close
//   <frame> pad <slot 0..15> plug [name] | unplug | button <0..31> down|up | axis <0..7> <-32768..32767>
//           | hat <0..3> <bits: 1 up, 2 right, 4 down, 8 left>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/host.h"

namespace pf::host {

struct ScriptedEvent {
  std::uint64_t frame;
  Event event;
};

// Parses the script text; malformed lines are reported through `errors` (line numbers) and skipped.
std::vector<ScriptedEvent> ParseInputScript(const std::string& text, std::vector<int>* errors);

}  // namespace pf::host
