#include "tools/generated_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace zelvo_test {

std::string GeneratedLooseRoot() { return std::string(ZELVO_GAMEDATA_DIR) + "/loose"; }
std::string GeneratedPackedRoot() { return std::string(ZELVO_GAMEDATA_DIR) + "/packed"; }

const std::map<std::string, Bytes>& GeneratedFiles() {
  static const std::map<std::string, Bytes> files = [] {
    std::map<std::string, Bytes> all;
    const std::filesystem::path root = GeneratedLooseRoot();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      std::string path = std::filesystem::relative(entry.path(), root).string();
      for (char& c : path)
        if (c == '/') c = '\\';
      std::ifstream in(entry.path(), std::ios::binary);
      all[path] = Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
  }();
  return files;
}

const Bytes& GeneratedFile(const std::string& gamePath) {
  static const Bytes none;
  auto it = GeneratedFiles().find(gamePath);
  if (it == GeneratedFiles().end()) {
    ADD_FAILURE() << "not generated: " << gamePath;
    return none;
  }
  return it->second;
}

std::vector<std::string> CrLfLines(const Bytes& bytes) {
  std::vector<std::string> lines;
  std::string text(bytes.begin(), bytes.end());
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

}  // namespace zelvo_test
