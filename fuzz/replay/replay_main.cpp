// A plain driver for the fuzz targets in builds without libFuzzer: runs the target once over every
// file of the folders given (its seed corpus), so the suite replays the seeds on each build. The
// files are read before the target starts, since a target may change the current folder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      if (entry.is_regular_file()) names.push_back(entry.path().string());
    }
  }
  std::vector<std::vector<std::uint8_t>> inputs;
  for (const std::string& name : names) {
    std::ifstream in(name, std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "no seeds found\n");
    return 1;
  }
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    std::fprintf(stderr, "seed %s\n", names[i].c_str());
    LLVMFuzzerTestOneInput(inputs[i].data(), inputs[i].size());
  }
  std::fprintf(stderr, "%zu seeds replayed\n", inputs.size());
  return 0;
}
