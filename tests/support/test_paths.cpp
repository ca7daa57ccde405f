#include "support/test_paths.h"

#include <filesystem>
#include <unistd.h>

namespace zelvo_test {

std::string MakeScratchFolder(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path base = fs::temp_directory_path() / ("zelvo_test_" + std::to_string(getpid()));
  fs::path dir = base / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

void RemoveFolderTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

}  // namespace zelvo_test
