// The game's process entry: runs in the data folder named by the first argument, or in the data set
// generated beside the build, and turns the entry's -1 into exit status 255.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/shell/program_entry.h"

namespace {

// The generated data set, from the folder that holds this executable.
std::string DefaultDataFolder() {
  char exe[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return ZELVO_HORUNDEL_DEFAULT_DATA;
  exe[length] = '\0';
  std::string folder(exe);
  folder.erase(folder.rfind('/') + 1);
  return folder + ZELVO_HORUNDEL_DEFAULT_DATA;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [data folder]\n", argv[0]);
    return 2;
  }
  const std::string folder = argc == 2 ? argv[1] : DefaultDataFolder();
  if (chdir(folder.c_str()) != 0) {
    std::fprintf(stderr, "horundel: cannot enter the data folder %s: %s\n", folder.c_str(), std::strerror(errno));
    return 2;
  }
  const int result = horundel::WinMain();
  return result == -1 ? 255 : result;
}
