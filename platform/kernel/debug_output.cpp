// Debugger output: the platform has no debugger channel, so the text goes to stderr when
// ZELVO_TRACE is set and is dropped otherwise.
#include "platform/kernel/kernel.h"

#include <cstdio>
#include <cstdlib>

namespace pf {

void OutputDebugString(const char* text) {
  static const bool traced = std::getenv("ZELVO_TRACE") != nullptr;
  if (traced && text != nullptr) {
    std::fputs(Cp932ToUtf8(text).c_str(), stderr);
  }
}

}  // namespace pf
