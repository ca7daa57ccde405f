// CP932 <-> UTF-8 at the boundary with the host, through iconv. Plain ASCII (most paths) is copied
// as it is; a byte sequence with no counterpart becomes '?'.
#include "platform/kernel/kernel.h"

#include <cerrno>
#include <iconv.h>

namespace pf {
namespace {

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// One converter per thread and direction: iconv descriptors keep state and are not shared.
class Converter {
 public:
  Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
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
      // EILSEQ or a truncated sequence at the end: replace one byte and carry on.
      out.push_back('?');
      ++in;
      --inLeft;
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
};

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  thread_local Converter converter("UTF-8", "CP932");
  return converter.Convert(cp932);
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter converter("CP932", "UTF-8");
  return converter.Convert(utf8);
}

}  // namespace pf
