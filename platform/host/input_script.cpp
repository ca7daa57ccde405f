// Parsing of the headless host's input script.
#include "platform/host/input_script.h"

#include <SDL_scancode.h>
#include <SDL_keyboard.h>

#include <cstdio>
#include <cstring>
#include <sstream>

namespace pf::host {
namespace {

void CopyText(char (&dst)[256], const std::string& src) { std::snprintf(dst, sizeof dst, "%s", src.c_str()); }

std::string RestOfLine(std::istringstream& in) {
  std::string rest;
  std::getline(in, rest);
  std::size_t start = rest.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : rest.substr(start);
}

// "<name> down|up": the name is all before the last word, so SDL's names that hold a space
// ("Right Shift") need no quotes; quotes around it are taken off.
bool SplitKeyName(const std::string& rest, std::string* name, std::string* state) {
  std::size_t end = rest.find_last_not_of(" \t");
  if (end == std::string::npos) return false;
  const std::size_t stateStart = rest.find_last_of(" \t", end);
  if (stateStart == std::string::npos) return false;
  *state = rest.substr(stateStart + 1, end - stateStart);
  end = rest.find_last_not_of(" \t", stateStart);
  if (end == std::string::npos) return false;
  *name = rest.substr(0, end + 1);
  if (name->size() >= 2 && name->front() == '"' && name->back() == '"') *name = name->substr(1, name->size() - 2);
  return !name->empty();
}

// "pad <slot> plug [name]", "pad <slot> unplug", "pad <slot> button <i> down|up",
// "pad <slot> axis <i> <value>", "pad <slot> hat <i> <bits>".
bool ParsePad(std::istringstream& in, Event* event) {
  std::string change;
  if (!(in >> event->key >> change) || event->key < 0 || event->key > 15) return false;
  event->kind = EventKind::kPad;
  if (change == "plug") {
    event->value = kPadPlug;
    CopyText(event->text, RestOfLine(in));
    return true;
  }
  if (change == "unplug") {
    event->value = kPadUnplug;
    return true;
  }
  if (!(in >> event->x) || event->x < 0) return false;
  if (change == "button") {
    std::string state;
    if (!(in >> state) || (state != "down" && state != "up") || event->x >= kMaxPadButtons) return false;
    event->value = kPadButton;
    event->y = state == "down" ? 1 : 0;
    return true;
  }
  if (!(in >> event->y)) return false;
  if (change == "axis") {
    event->value = kPadAxis;
    return event->x < kMaxPadAxes && event->y >= -32768 && event->y <= 32767;
  }
  if (change == "hat") {
    event->value = kPadHat;
    return event->x < kMaxPadHats && event->y >= 0 && event->y <= 15;
  }
  return false;
}

bool ParseLine(const std::string& line, ScriptedEvent* out) {
  std::istringstream in(line);
  std::string word;
  long long frame = -1;
  if (!(in >> frame) || frame < 0 || !(in >> word)) return false;
  out->frame = static_cast<std::uint64_t>(frame);
  Event& event = out->event;
  event = Event{};
  if (word == "key") {
    std::string name, state;
    if (!SplitKeyName(RestOfLine(in), &name, &state) || (state != "down" && state != "up")) return false;
    SDL_Scancode code = SDL_GetScancodeFromName(name.c_str());
    if (code == SDL_SCANCODE_UNKNOWN) return false;
    event.kind = state == "down" ? EventKind::kKeyDown : EventKind::kKeyUp;
    event.key = code;
  } else if (word == "text") {
    event.kind = EventKind::kText;
    CopyText(event.text, RestOfLine(in));
  } else if (word == "compose") {
    std::string text;
    if (!(in >> event.value)) return false;
    text = RestOfLine(in);
    event.kind = EventKind::kEditing;
    CopyText(event.text, text == "-" ? std::string() : text);
  } else if (word == "focus") {
    if (!(in >> event.value)) return false;
    event.kind = EventKind::kFocus;
  } else if (word == "wheel") {
    if (!(in >> event.value)) return false;
    event.kind = EventKind::kMouseWheel;
  } else if (word == "mouse") {
    if (!(in >> event.x >> event.y)) return false;
    event.kind = EventKind::kMouseMove;
  } else if (word == "drop") {
    event.kind = EventKind::kDropFile;
    CopyText(event.text, RestOfLine(in));
  } else if (word == "pad") {
    if (!ParsePad(in, &event)) return false;
  } else if (word == "close") {
    event.kind = EventKind::kClose;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::vector<ScriptedEvent> ParseInputScript(const std::string& text, std::vector<int>* errors) {
  std::vector<ScriptedEvent> events;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    ScriptedEvent scripted{};
    if (ParseLine(line, &scripted)) {
      events.push_back(scripted);
      if (scripted.event.kind == EventKind::kDropFile) {
        ScriptedEvent complete{};
        complete.frame = scripted.frame;
        complete.event.kind = EventKind::kDropComplete;
        events.push_back(complete);
      }
    } else if (errors != nullptr) {
      errors->push_back(number);
    }
  }
  return events;
}

}  // namespace pf::host
