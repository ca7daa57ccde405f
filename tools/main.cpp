// zelvo_datagen <output folder>: writes the game's data set twice, loose files under
// <output>/loose and the same set packed into archives under <output>/packed.
#include <cstdio>
#include <exception>
#include <string>

#include "data_set.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  try {
    zelvo_datagen::DataSet set = zelvo_datagen::BuildGameData();
    std::string root = argv[1];
    if (zelvo_datagen::WriteLoose(set, root + "/loose") != 0) return 1;
    if (zelvo_datagen::WritePacked(set, root + "/packed") != 0) return 1;
    std::printf("game data: %zu files in %s\n", set.files.size(), root.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zelvo_datagen: %s\n", e.what());
    return 1;
  }
  return 0;
}
