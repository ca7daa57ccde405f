// A small program on the library: reads a text file through the library's streams and draws
// random numbers. It grows with the library until the game takes its place.
#include <zelvo/zelvo.h>

#include <cstdio>

int main(int argc, char** argv) {
  SetLogFileEnabled(0);
  const char* path = argc > 1 ? argv[1] : "README.md";
  intptr_t stream = OpenReadStream(path, 0);
  if (stream == 0) {
    std::printf("cannot open %s\n", path);
    return 1;
  }
  char line[256];
  int shown = 0;
  while (shown < 5 && ReadStreamLine(line, sizeof line, stream) >= 0) {
    std::printf("%s\n", line);
    ++shown;
  }
  CloseReadStream(stream);
  std::printf("random: %d %d %d\n", RandomUpTo(99), RandomUpTo(99), RandomUpTo(99));
  return 0;
}
