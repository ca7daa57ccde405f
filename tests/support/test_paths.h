#pragma once
#include <string>

namespace zelvo_test {

// A fresh, empty folder under the build tree for one test; removed again by the caller's fixture.
std::string MakeScratchFolder(const std::string& name);
void RemoveFolderTree(const std::string& path);

}  // namespace zelvo_test
