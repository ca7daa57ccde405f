// Arbitrary bytes as a mission text file: whatever it holds, the text is refused or read within the
// player's capacity, every row stays terminated inside its buffer after the key tags are written out,
// and typing, skipping and turning the pages never leaves the rows the player holds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <zelvo/zelvo.h>

#include "game/battle/data/game_tables.h"
#include "game/shell/key_bindings.h"
#include "game/shell/mission_text.h"
#include "platform/kernel/kernel.h"

using namespace horundel;

namespace {

std::string g_folder;
MissionText g_text;

// The file lives in a fresh folder under TMPDIR, which becomes the current folder: give the corpus
// as an absolute path.
void Setup() {
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = std::string(temp != nullptr ? temp : "/tmp") + "/zelvo-text-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_folder = pattern;
  if (!pf::SetCurrentDirectory(pf::HostPathToWindows(g_folder).c_str())) std::abort();
  FillKeyNames();
  SetDefaultKeyBindings();
}

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckRows() {
  for (const TextRow& row : g_text.rows) {
    Require(row.length >= 0 && row.length < kTextRowBytes);
    Require(row.text[row.length] == '\0' && std::strlen(row.text) == static_cast<std::size_t>(row.length));
  }
}

// Plays the conversation with a press every `pressEvery` frames until it ends.
void Play(int pressEvery) {
  TypingState typing;
  StartTyping(&typing);
  for (int frame = 1; frame < 20000; ++frame) {
    StepTyping(g_text, &typing);
    Require(typing.page >= 0 && typing.page <= g_text.lastPage);
    for (int r = 0; r < kRowsPerPage; ++r) {
      const TextRow& row = g_text.rows[kRowsPerPage * typing.page + r];
      const int shown = WholeCharacterPrefix(row.text, row.length, typing.shown[r]);
      Require(shown >= 0 && shown <= row.length);
    }
    if (frame % pressEvery == 0 && AdvanceTyping(g_text, &typing) != 0) return;
  }
  __builtin_trap();   // every conversation ends
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (g_folder.empty()) Setup();
  if (size < 1) return 0;
  // The first byte changes the jump key, so tags meet every key name.
  KeyBindings[kKeyJump].keyCode = data[0];
  KeyBindings[kKeyJump].padBit = data[0] & 31;
  std::FILE* file = std::fopen((g_folder + "/text.dat").c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 1 && std::fwrite(data + 1, 1, size - 1, file) != size - 1) std::abort();
  std::fclose(file);
  const intptr_t stream = OpenReadStream("text.dat", 0);
  Require(stream != 0);
  const int read = ReadMissionText(stream, &g_text);
  CloseReadStream(stream);
  if (read != 0) return 0;
  Require(g_text.lastPage >= 0 && g_text.lastPage < kTextPageCapacity);
  CheckRows();
  ExpandKeyTags(&g_text);
  CheckRows();
  Play(1 + data[0] % 7);
  return 0;
}
