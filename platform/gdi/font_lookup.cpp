// Face lookup and code pages of the GDI fonts. Debian's fontconfig knows none of the Windows
// Japanese face names (they would fall to a face without Japanese glyphs), so those are aliased to
// the IPA faces; every other name, and the empty one, goes to fontconfig with the character set's
// language.
#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <cstring>
#include <map>
#include <utility>

#include "platform/gdi/font_internal.h"

namespace pf::gdi {
namespace {

struct FaceAlias {
  const char* windowsName;
  const char* family;
};
constexpr FaceAlias kFaceAliases[] = {
    {"ＭＳ ゴシック", "IPAGothic"}, {"MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"}, {"MS Mincho", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"}, {"MS PMincho", "IPAPMincho"},
};

const char* LanguageOf(std::uint32_t charset) {
  if (charset == HANGUL_CHARSET) return "ko";
  return "ja";
}

const char* CodePageOf(std::uint32_t charset) { return charset == HANGUL_CHARSET ? "CP949" : "CP932"; }

// Converts `in` with a converter opened once per direction; empty on failure.
std::string Convert(const char* from, const char* to, const char* in, std::size_t length) {
  // Open for the life of the process.
  static auto* converters = new std::map<std::pair<std::string, std::string>, iconv_t>;
  iconv_t& cd = (*converters)[{from, to}];
  if (cd == iconv_t{} || cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(length * 4 + 8, '\0');
  char* source = const_cast<char*>(in);
  char* target = out.data();
  std::size_t left = length, room = out.size();
  if (iconv(cd, &source, &left, &target, &room) == static_cast<std::size_t>(-1)) return {};
  out.resize(out.size() - room);
  return out;
}

}  // namespace

std::mutex& FontMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

FT_Library FontLibrary() {
  static FT_Library library = [] {
    FT_Library made = nullptr;
    return FT_Init_FreeType(&made) == 0 ? made : nullptr;
  }();
  return library;
}

std::string FaceNameToUtf8(const char* face, std::uint32_t charset) {
  if (face == nullptr || face[0] == '\0') return {};
  return Convert(CodePageOf(charset), "UTF-8", face, std::strlen(face));
}

std::uint32_t CharacterToUnicode(std::uint32_t character, std::uint32_t charset) {
  char bytes[2];
  std::size_t length = 0;
  if (character > 0xFF) bytes[length++] = static_cast<char>(character >> 8);
  bytes[length++] = static_cast<char>(character & 0xFF);
  const std::string utf32 = Convert(CodePageOf(charset), "UTF-32LE", bytes, length);
  if (utf32.size() != 4) return 0;
  std::uint32_t code = 0;
  std::memcpy(&code, utf32.data(), 4);
  return code;
}

bool FindFontFile(const std::string& faceUtf8, std::uint32_t charset, std::string* file, int* index) {
  static auto& found = *new std::map<std::pair<std::string, std::uint32_t>, std::pair<std::string, int>>;
  const auto key = std::make_pair(faceUtf8, charset);
  if (auto it = found.find(key); it != found.end()) {
    *file = it->second.first;
    *index = it->second.second;
    return true;
  }
  std::string family = faceUtf8.empty() ? "monospace" : faceUtf8;
  for (const FaceAlias& alias : kFaceAliases) {
    if (faceUtf8 == alias.windowsName) family = alias.family;
  }
  if (FcInit() == FcFalse) return false;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcLangSet* languages = FcLangSetCreate();
  FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(LanguageOf(charset)));
  FcPatternAddLangSet(pattern, FC_LANG, languages);
  FcLangSetDestroy(languages);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  bool ok = false;
  if (match != nullptr) {
    FcChar8* path = nullptr;
    int faceIndex = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
      *file = reinterpret_cast<const char*>(path);
      *index = faceIndex;
      found[key] = {*file, faceIndex};
      ok = true;
    }
    FcPatternDestroy(match);
  }
  // Found faces are kept above, so fontconfig is rarely needed again: its state is given back at
  // once (a block it loses while parsing its configuration is freed only so).
  FcFini();
  return ok;
}

}  // namespace pf::gdi
