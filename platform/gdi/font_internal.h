#pragma once
// What the GDI font files share: the font object over a FreeType face, the face lookup and the
// code-page conversions.
#include <cstdint>
#include <mutex>
#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/gdi/gdi.h"

namespace pf {

struct GdiFontRecord {
  FT_Face face;
  std::uint32_t charset;
  int weight;
  bool italic;
  bool emboldened;      // weight asks for bold and the face has none: drawn 1 pixel wider
  TextMetric metrics;
  int selectedCount;    // contexts holding it
};

namespace gdi {

// Guards FreeType, fontconfig and every font object.
std::mutex& FontMutex();
FT_Library FontLibrary();   // null when FreeType cannot start

// The file and face index for a face name (UTF-8) in a character set; false when none is found.
bool FindFontFile(const std::string& faceUtf8, std::uint32_t charset, std::string* file, int* index);
// CP932 (CP949 for the Hangul set) to UTF-8; an unconvertible name comes back empty.
std::string FaceNameToUtf8(const char* face, std::uint32_t charset);
// The Unicode code point of a GDI character code (byte, or lead << 8 | trail); 0 when unmapped.
std::uint32_t CharacterToUnicode(std::uint32_t character, std::uint32_t charset);

}  // namespace gdi
}  // namespace pf
