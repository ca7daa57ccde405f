// Arbitrary bytes as a URL to split and prepare (directly and through a proxy), and as a text to
// encode in a buffer of a chosen size: every part written is NUL-terminated within its buffer, a
// port is -1 or 1..65535, and an encoding either fails leaving the text or gives the length it
// measured, in the characters the mode keeps plus "%XX" triples.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "media/core/http_downloads.h"
#include "media/core/log.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool Terminated(const char* text, int size) { return std::memchr(text, '\0', static_cast<std::size_t>(size)) != nullptr; }

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

void CheckParts(const char* host, const char* path, const char* file, int port) {
  Require(Terminated(host, zelvo::kHttpHostSize) && Terminated(path, zelvo::kHttpPathSize) &&
          Terminated(file, zelvo::kHttpFileNameSize));
  Require(port == -1 || (port >= 1 && port <= 0xFFFF));
}

void FuzzSplit(const std::string& url) {
  char host[zelvo::kHttpHostSize], path[zelvo::kHttpPathSize], file[zelvo::kHttpFileNameSize];
  int port = 0;
  if (zelvo::SplitUrl(url.c_str(), host, path, file, &port) == 0) {
    CheckParts(host, path, file, port);
    Require(path[0] == '/' && file[0] != '\0');
  }
  for (int proxy = 0; proxy <= 1; ++proxy) {
    std::strcpy(zelvo::g_httpSettings.proxyHost, proxy != 0 ? "proxy" : "");
    zelvo::g_httpSettings.proxyPort = 3128;
    if (zelvo::PrepareHttpUrl(url.c_str(), 1, host, path, file, &port) == 0) CheckParts(host, path, file, port);
  }
  zelvo::g_httpSettings = zelvo::HttpSettings{};
}

void FuzzEncode(const std::string& text, int size, int mode) {
  std::string buffer(static_cast<std::size_t>(size), '\0');
  std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
  const int measured = zelvo::UrlEncode(buffer.data(), size, mode, 1);
  Require(std::strcmp(buffer.c_str(), text.c_str()) == 0);
  const int encoded = zelvo::UrlEncode(buffer.data(), size, mode, 0);
  if (encoded < 0) {
    Require(measured >= size && std::strcmp(buffer.c_str(), text.c_str()) == 0);
    return;
  }
  Require(encoded == measured && encoded < size && static_cast<int>(std::strlen(buffer.c_str())) == encoded);
  for (int i = 0; i < encoded; ++i) {
    const char c = buffer[static_cast<std::size_t>(i)];
    if (c == '%' && i + 2 < encoded && IsHex(buffer[i + 1]) && IsHex(buffer[i + 2])) {
      i += 2;
      continue;
    }
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
                      c == '-' || c == '.' || c == '_' || c == '+' || (mode == 0 && (c == '%' || c == '/' || c == ':'));
    Require(kept);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zelvo::SetLogOff(1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 8192) return 0;
  // The first byte: the encoding mode and the size of the buffer it encodes in.
  const int mode = data[0] & 1;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();   // up to the first NUL, as a C text
  FuzzSplit(text);
  const int room = static_cast<int>(text.size()) + 1 + (data[0] >> 1) * 8;
  FuzzEncode(text, room, mode);
  return 0;
}
