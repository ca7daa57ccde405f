// Build helper for compilers that know no execution character set but UTF-8: writes a copy of a
// source file whose narrow string and character literals hold their non-ASCII characters as the
// octal escapes of their CP932 bytes, as a compiler converting to CP932 would store them. Comments,
// code and prefixed literals stay as they are; a #line names the original file.
//
//   cp932_literals <input> <output>                 converts one file
//   cp932_literals --mirror <root> <out> <files...> converts the files under <root> into the same
//                                                   place under <out>, so that every header one
//                                                   of them includes beside it is a copy too
// A file is written only when its text changes, so its users are not rebuilt for nothing.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace {

bool ReadFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream bytes;
  bytes << in.rdbuf();
  *text = bytes.str();
  return true;
}

bool MakeFolders(const std::string& path) {
  for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    const std::string folder = path.substr(0, at);
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool WriteIfChanged(const std::string& path, const std::string& text) {
  std::string old;
  if (ReadFile(path, &old) && old == text) return true;
  if (!MakeFolders(path)) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// The CP932 bytes of one UTF-8 character, as octal escapes (never longer than three digits, so a
// digit after them stays a character of its own).
bool EscapeCharacter(const std::string& utf8, std::string* out) {
  static iconv_t converter = iconv_open("CP932", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char in[8] = {};
  utf8.copy(in, sizeof in - 1);
  char bytes[8] = {};
  char* from = in;
  char* to = bytes;
  std::size_t fromLeft = utf8.size(), toLeft = sizeof bytes;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  if (iconv(converter, &from, &fromLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) return false;
  for (char* p = bytes; p < to; ++p) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned char>(*p));
    *out += escape;
  }
  return true;
}

int Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

struct Converter {
  explicit Converter(const std::string& text) : in(text) {}
  const std::string& in;
  std::string out;
  std::size_t at = 0;
  std::string error;

  void Copy(std::size_t n) {
    out.append(in, at, n);
    at += n;
  }

  // A quoted literal from its opening quote; `convert` for the narrow ones.
  bool Literal(char quote, bool convert) {
    Copy(1);
    while (at < in.size() && in[at] != quote) {
      const auto c = static_cast<unsigned char>(in[at]);
      if (c == '\n') return Fail("line feed in a literal");
      if (c == '\\') {
        Copy(at + 1 < in.size() ? 2 : 1);
      } else if (c >= 0x80 && convert) {
        const int n = Utf8Length(c);
        if (!EscapeCharacter(in.substr(at, static_cast<std::size_t>(n)), &out)) {
          return Fail("a character CP932 has not");
        }
        at += static_cast<std::size_t>(n);
      } else {
        Copy(1);
      }
    }
    if (at >= in.size()) return Fail("unterminated literal");
    Copy(1);
    return true;
  }

  // A raw literal from its opening quote: copied, but it cannot hold an escape.
  bool RawLiteral(bool convert) {
    const std::size_t open = in.find('(', at);
    if (open == std::string::npos) return Fail("raw literal without '('");
    const std::string close = ")" + in.substr(at + 1, open - at - 1) + "\"";
    const std::size_t end = in.find(close, open);
    if (end == std::string::npos) return Fail("unterminated raw literal");
    for (std::size_t i = open; i < end; ++i) {
      if (convert && static_cast<unsigned char>(in[i]) >= 0x80) return Fail("non-ASCII raw literal");
    }
    Copy(end + close.size() - at);
    return true;
  }

  bool Fail(const char* why) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < at && i < in.size(); ++i) line += in[i] == '\n';
    error = std::string(why) + " at line " + std::to_string(line);
    return false;
  }

  bool Run() {
    while (at < in.size()) {
      const char c = in[at];
      if (c == '/' && at + 1 < in.size() && in[at + 1] == '/') {
        const std::size_t end = in.find('\n', at);
        Copy((end == std::string::npos ? in.size() : end) - at);
      } else if (c == '/' && at + 1 < in.size() && in[at + 1] == '*') {
        const std::size_t end = in.find("*/", at + 2);
        if (end == std::string::npos) return Fail("unterminated comment");
        Copy(end + 2 - at);
      } else if (c == '"' || c == '\'') {
        if (!Literal(c, true)) return false;
      } else if (c >= '0' && c <= '9') {
        // A number, with its digit separators.
        std::size_t end = at + 1;
        while (end < in.size() && (IsWordChar(in[end]) || in[end] == '.' || in[end] == '\'' ||
                                   ((in[end] == '+' || in[end] == '-') && (in[end - 1] | 0x20) == 'e'))) {
          ++end;
        }
        Copy(end - at);
      } else if (IsWordChar(c)) {
        std::size_t end = at;
        while (end < in.size() && IsWordChar(in[end])) ++end;
        const std::string word = in.substr(at, end - at);
        Copy(end - at);
        if (at < in.size() && (in[at] == '"' || in[at] == '\'')) {
          const bool raw = !word.empty() && word.back() == 'R' && in[at] == '"' &&
                           (word == "R" || word == "LR" || word == "uR" || word == "UR" || word == "u8R");
          const bool prefix = word == "L" || word == "u" || word == "U" || word == "u8";
          if (raw) {
            if (!RawLiteral(word == "R")) return false;
          } else if (prefix) {
            if (!Literal(in[at], false)) return false;
          }
        }
      } else {
        Copy(1);
      }
    }
    return true;
  }
};

bool Convert(const std::string& path, std::string* text) {
  std::string source;
  if (!ReadFile(path, &source)) {
    std::fprintf(stderr, "cp932_literals: cannot read %s\n", path.c_str());
    return false;
  }
  Converter converter(source);
  if (!converter.Run()) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), converter.error.c_str());
    return false;
  }
  *text = "#line 1 \"" + path + "\"\n" + converter.out;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3) {
    std::string text;
    return Convert(argv[1], &text) && WriteIfChanged(argv[2], text) ? 0 : 1;
  }
  if (argc < 4 || std::string(argv[1]) != "--mirror") {
    std::fprintf(stderr, "usage: cp932_literals <input> <output> | --mirror <root> <out> <files...>\n");
    return 2;
  }
  const std::string root = std::string(argv[2]) + "/";
  const std::string mirror = std::string(argv[3]) + "/";
  for (int i = 4; i < argc; ++i) {
    const std::string path = argv[i];
    if (path.compare(0, root.size(), root) != 0) continue;
    std::string text;
    if (!Convert(path, &text) || !WriteIfChanged(mirror + path.substr(root.size()), text)) return 1;
  }
  return 0;
}
