// Opening FluidSynth by its soname and looking up every entry the synthesizer calls.
#include "platform/mci/fluidsynth_calls.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstring>

namespace pf::mci {
namespace {

FluidSynthCalls g_calls;

constexpr const char* kSoname = "libfluidsynth.so.3";

struct Entry {
  const char* name;
  std::size_t offset;   // of the pointer in FluidSynthCalls
};

#define ZELVO_FLUID_ENTRY(name) {#name, offsetof(FluidSynthCalls, name)}
constexpr Entry kEntries[] = {
    ZELVO_FLUID_ENTRY(fluid_set_log_function),  ZELVO_FLUID_ENTRY(new_fluid_settings),
    ZELVO_FLUID_ENTRY(delete_fluid_settings),   ZELVO_FLUID_ENTRY(fluid_settings_setint),
    ZELVO_FLUID_ENTRY(fluid_settings_setnum),   ZELVO_FLUID_ENTRY(fluid_settings_setstr),
    ZELVO_FLUID_ENTRY(new_fluid_synth),         ZELVO_FLUID_ENTRY(delete_fluid_synth),
    ZELVO_FLUID_ENTRY(fluid_synth_sfload),      ZELVO_FLUID_ENTRY(fluid_synth_all_sounds_off),
    ZELVO_FLUID_ENTRY(fluid_synth_write_float), ZELVO_FLUID_ENTRY(new_fluid_player),
    ZELVO_FLUID_ENTRY(delete_fluid_player),     ZELVO_FLUID_ENTRY(fluid_player_add_mem),
    ZELVO_FLUID_ENTRY(fluid_player_play),       ZELVO_FLUID_ENTRY(fluid_player_stop),
    ZELVO_FLUID_ENTRY(fluid_player_get_status), ZELVO_FLUID_ENTRY(fluid_player_seek),
    ZELVO_FLUID_ENTRY(fluid_player_get_current_tick), ZELVO_FLUID_ENTRY(fluid_player_get_total_ticks),
};
#undef ZELVO_FLUID_ENTRY

// The library stays loaded for the life of the process, as a linked one would.
bool OpenLibrary() {
  void* library = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return false;
  auto* table = reinterpret_cast<unsigned char*>(&g_calls);
  for (const Entry& entry : kEntries) {
    void* address = dlsym(library, entry.name);
    if (address == nullptr) return false;
    std::memcpy(table + entry.offset, &address, sizeof address);
  }
  // Its messages would go to stderr; a song it cannot play is the caller's to report.
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) g_calls.fluid_set_log_function(level, nullptr, nullptr);
  return true;
}

}  // namespace

bool LoadFluidSynth() {
  static const bool loaded = OpenLibrary();
  return loaded;
}

const FluidSynthCalls& FluidSynth() { return g_calls; }

}  // namespace pf::mci
