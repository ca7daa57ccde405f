#pragma once
// The scratch folder a fuzz target reads its files from. libFuzzer reads the corpus and writes its
// artifacts relative to the folder it was started in, so each input runs inside the scratch folder
// and the starting folder is current again before libFuzzer goes on.
#include <string>

#include "platform/kernel/kernel.h"

namespace zelvo_fuzz {

class InScratchFolder {
 public:
  explicit InScratchFolder(const std::string& hostFolder) {
    if (pf::GetCurrentDirectory(sizeof start_, start_) >= sizeof start_) start_[0] = '\0';
    entered_ = pf::SetCurrentDirectory(pf::HostPathToWindows(hostFolder).c_str());
  }
  ~InScratchFolder() {
    if (start_[0] != '\0') pf::SetCurrentDirectory(start_);
  }
  InScratchFolder(const InScratchFolder&) = delete;
  InScratchFolder& operator=(const InScratchFolder&) = delete;
  bool entered() const { return entered_; }

 private:
  char start_[4096] = {};
  bool entered_ = false;
};

}  // namespace zelvo_fuzz
