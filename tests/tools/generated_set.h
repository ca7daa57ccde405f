#pragma once
// The data set the build generated, read back from its folders, for the tools tests.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zelvo_test {

using Bytes = std::vector<std::uint8_t>;

// Host folders of the generated set.
std::string GeneratedLooseRoot();
std::string GeneratedPackedRoot();

// Every loose file by its game path ("bmp\system\number.bmp"), read once.
const std::map<std::string, Bytes>& GeneratedFiles();
const Bytes& GeneratedFile(const std::string& gamePath);

// Lines of a text file, split at CR LF (the only line end the game's reader knows).
std::vector<std::string> CrLfLines(const Bytes& bytes);

}  // namespace zelvo_test
