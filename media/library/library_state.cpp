#include "media/library/library_state.h"

#include "media/core/archive_files.h"
#include "media/core/core_state.h"
#include "media/core/file_ops.h"
#include "media/core/log.h"
#include "media/core/menu.h"
#include "media/core/random.h"
#include "media/core/screen_log.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/text_input.h"
#include "media/core/window_region.h"
#include "media/core/window_state.h"
#include "media/display/d3d_device.h"
#include "media/display/present.h"
#include "media/display/screen_services.h"
#include "media/display/screen_state.h"
#include "media/graphics/graphs/draw_state.h"
#include "media/graphics/text/font_table.h"
#include "media/graphics/graphs/graph_image.h"
#include "media/graphics/manager/graphics_manager.h"
#include "media/graphics/graphs/mask_screen.h"
#include "media/graphics/graphs/movie_table.h"
#include "media/graphics/graphs/soft_draw_lock.h"
#include "media/pixels/pixel_format.h"
#include "media/software/blend_state.h"
#include "media/sound_input/sound_state.h"

namespace zelvo {
namespace {

// Left out on purpose: the tracked allocator (its blocks outlive a test and are its leak report),
// the library lock (other threads may hold it), the system report (the machine, measured at
// start-up) and the fatal stop's guard (the process ends with it).
constexpr void (*kStateResets[])() = {
    // core
    ResetRunState,
    ResetLogState,
    ResetFileOpsState,
    ResetArchiveState,
    ResetRandomState,
    ResetWindowState,
    [] { ClearWindowRegion(); },
    ResetMenuState,
    ResetTextInputState,
    ResetScreenLogState,
    ResetSubsystemTable,
    // pixels and software
    ResetScreenColorState,
    ResetSoftBlendState,
    // display
    ResetScreenState,
    ResetScreenServices,
    ResetPresentState,
    ResetDirect3DState,
    // graphics
    ResetGraphicsState,
    ResetDrawState,
    ResetMaskState,
    ResetSoftDrawLockState,
    ResetPictureLoaderState,
    ResetFontState,
    ResetMovieState,
    // sound
    ResetSoundState,
};

}  // namespace

void ResetLibraryState() {
  for (void (*reset)() : kStateResets) reset();
}

}  // namespace zelvo
