#pragma once
// For the fuzz targets whose parsers run only in a started library: the library started once, on
// the headless host with the virtual clock and sound mixed only when asked, in a scratch folder of
// its own that is the current folder, with its log off, and ended at exit. Give the corpus as an
// absolute path.
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <zelvo/zelvo.h>

#include "media/core/log.h"
#include "platform/kernel/kernel.h"
#include "platform/testing.h"
#include "support/test_paths.h"

namespace zelvo_fuzz {

inline const std::string& StartLibraryOnce(const char* name) {
  static const std::string folder = [name] {
    setenv("ZELVO_HOST", "headless", 1);
    setenv("ZELVO_VIRTUAL_CLOCK", "1", 1);
    std::string made = zelvo_test::MakeScratchFolder(name);
    if (chdir(made.c_str()) != 0) std::abort();
    pf::testing::SetSoundOutput("headless");
    pf::testing::SetManualSoundClock(true);
    SwitchWindowMode(1);
    const std::string title = std::string(name) + "-" + std::to_string(getpid());
    SetWindowTitleText(title.c_str());
    if (StartUpLibrary() != 0) std::abort();
    zelvo::SetLogOff(1);
    // The library ends before the program's own objects go.
    std::atexit([] { ShutDownLibrary(); });
    return made;
  }();
  return folder;
}

}  // namespace zelvo_fuzz
