#include "support/log_reading.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zelvo_test {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string ReadHostFile(const std::string& folder, const std::string& name) {
  std::ifstream in(std::filesystem::path(folder) / name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string MaskStamps(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t digits = i;
    while (digits < text.size() && IsDigit(text[digits])) ++digits;
    if (digits > i && digits < text.size() && text[digits] == ':') {
      out += "T:";
      i = digits + 1;
    }
    const std::size_t end = text.find('\n', i);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    out.append(text, i, next - i);
    i = next;
  }
  return out;
}

std::string MaskSerialIds(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  for (std::size_t at; (at = text.find("ID:", i)) != std::string::npos;) {
    out.append(text, i, at + 3 - i);
    i = at + 3;
    while (i < text.size() && IsDigit(text[i])) ++i;
    out += '#';
  }
  out.append(text, i, std::string::npos);
  return out;
}

int FirstSerialId(const std::string& text) {
  const std::size_t at = text.find("ID:");
  if (at == std::string::npos || at + 3 >= text.size() || !IsDigit(text[at + 3])) return -1;
  return std::stoi(text.substr(at + 3));
}

}  // namespace zelvo_test
