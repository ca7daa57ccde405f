#pragma once
// FluidSynth's entries as a table filled when the first synthesizer is made. The library and what
// it pulls in (the sound servers' clients among them) are mapped only by a process that plays MIDI.
#include <fluidsynth.h>

namespace pf::mci {

struct FluidSynthCalls {
  decltype(&::fluid_set_log_function) fluid_set_log_function;
  decltype(&::new_fluid_settings) new_fluid_settings;
  decltype(&::delete_fluid_settings) delete_fluid_settings;
  decltype(&::fluid_settings_setint) fluid_settings_setint;
  decltype(&::fluid_settings_setnum) fluid_settings_setnum;
  decltype(&::fluid_settings_setstr) fluid_settings_setstr;
  decltype(&::new_fluid_synth) new_fluid_synth;
  decltype(&::delete_fluid_synth) delete_fluid_synth;
  decltype(&::fluid_synth_sfload) fluid_synth_sfload;
  decltype(&::fluid_synth_all_sounds_off) fluid_synth_all_sounds_off;
  decltype(&::fluid_synth_write_float) fluid_synth_write_float;
  decltype(&::new_fluid_player) new_fluid_player;
  decltype(&::delete_fluid_player) delete_fluid_player;
  decltype(&::fluid_player_add_mem) fluid_player_add_mem;
  decltype(&::fluid_player_play) fluid_player_play;
  decltype(&::fluid_player_stop) fluid_player_stop;
  decltype(&::fluid_player_get_status) fluid_player_get_status;
  decltype(&::fluid_player_seek) fluid_player_seek;
  decltype(&::fluid_player_get_current_tick) fluid_player_get_current_tick;
  decltype(&::fluid_player_get_total_ticks) fluid_player_get_total_ticks;
};

// Opens the library once; false when it or one of its entries is missing.
bool LoadFluidSynth();
// The filled table; only after LoadFluidSynth has answered true.
const FluidSynthCalls& FluidSynth();

}  // namespace pf::mci
