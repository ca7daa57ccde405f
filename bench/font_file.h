#pragma once
// The file of the library's default face (IPAGothic), found through fontconfig as the library finds
// it, for the peers that draw text with SDL2_ttf.
#include <fontconfig/fontconfig.h>

#include <string>

namespace zelvo_bench {

inline std::string IpaGothicFile() {
  FcInit();
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("IPAGothic"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcChar8* file = nullptr;
  if (match != nullptr) FcPatternGetString(match, FC_FILE, 0, &file);
  std::string path = file != nullptr ? reinterpret_cast<const char*>(file) : "";
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return path;
}

// The size SDL2_ttf is given for the library's 16-pixel default cell.
constexpr int kDefaultFontPoints = 15;

}  // namespace zelvo_bench
