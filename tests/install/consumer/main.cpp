// Built outside the tree against an installed Zelvo: reads a text file through the library's streams.
#include <zelvo/zelvo.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string path = std::string(argv[1]) + "/consumer.txt";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputs("first\r\nsecond\r\n", f);
    std::fclose(f);
  }
  SetLogFileEnabled(0);
  intptr_t stream = OpenReadStream(path.c_str(), 0);
  if (stream == 0) { std::puts("open failed"); return 1; }
  char line[64];
  int n1 = ReadStreamLine(line, sizeof line, stream);
  std::string a(line);
  int n2 = ReadStreamLine(line, sizeof line, stream);
  std::string b(line);
  int end = ReadStreamAtEnd(stream);
  CloseReadStream(stream);
  int r = RandomUpTo(10);
  int t = GetTickMilliseconds(0);
  (void)t;
  std::printf("%d:%s %d:%s end=%d random=%d\n", n1, a.c_str(), n2, b.c_str(), end, r);
  return (n1 == 5 && a == "first" && n2 == 6 && b == "second" && end == 1 && r >= 0 && r <= 10) ? 0 : 1;
}
