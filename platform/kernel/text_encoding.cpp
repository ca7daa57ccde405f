// CP932 <-> UTF-8 (and UTF-16 -> CP932) at the boundary with the host, through iconv. Plain ASCII (most paths) is copied
// as it is; a byte sequence with no counterpart becomes '?'.
#include "platform/kernel/kernel.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace pf {
namespace {

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// Bytes of the character that starts at `text`, so a character with no counterpart becomes one '?'.
std::size_t Cp932CharacterLength(const char* text, std::size_t left) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const bool doubleByte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  return doubleByte && left >= 2 ? 2 : 1;
}

std::size_t Utf8CharacterLength(const char* text, std::size_t left) {
  std::size_t length = 1;
  while (length < left && length < 4 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) ++length;
  return length;
}

// One converter per thread and direction: iconv descriptors keep state and are not shared.
class Converter {
 public:
  using CharacterLength = std::size_t (*)(const char*, std::size_t);
  Converter(const char* to, const char* from, CharacterLength characterLength)
      : descriptor_(iconv_open(to, from)), characterLength_(characterLength) {}
  ~Converter() {
    if (descriptor_ != reinterpret_cast<iconv_t>(-1)) iconv_close(descriptor_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::string Convert(std::string_view text) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.reserve(text.size() * 3 / 2 + 4);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char buffer[256];
    while (inLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof(buffer);
      std::size_t result = iconv(descriptor_, &in, &inLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (result != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or a truncated sequence at the end: replace the character and carry on.
      const std::size_t skipped = characterLength_(in, inLeft);
      out.push_back('?');
      in += skipped;
      inLeft -= skipped;
      iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    std::size_t dstLeft = sizeof(buffer);
    iconv(descriptor_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return out;
  }

 private:
  iconv_t descriptor_;
  CharacterLength characterLength_;
};

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  thread_local Converter converter("UTF-8", "CP932", Cp932CharacterLength);
  return converter.Convert(cp932);
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter converter("CP932", "UTF-8", Utf8CharacterLength);
  return converter.Convert(utf8);
}

int WideCharToMultiByte(const char16_t* text, int length, char* out, int outBytes) {
  if (text == nullptr) return 0;
  const bool terminated = length < 0;
  std::size_t count = 0;
  if (terminated) {
    while (text[count] != 0) ++count;
  } else {
    count = static_cast<std::size_t>(length);
  }
  std::string utf8;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;   // a lone surrogate
    }
    if (code < 0x80) {
      utf8.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | code >> 6));
      utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      utf8.push_back(static_cast<char>(0xE0 | code >> 12));
      utf8.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xF0 | code >> 18));
      utf8.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  const std::string ansi = Utf8ToCp932(utf8);
  const int needed = static_cast<int>(ansi.size()) + (terminated ? 1 : 0);
  if (out == nullptr || outBytes <= 0) return needed;
  if (needed > outBytes) return 0;
  std::memcpy(out, ansi.data(), ansi.size());
  if (terminated) out[ansi.size()] = '\0';
  return needed;
}

}  // namespace pf
