// The mission texts are CP932 with CR LF in the text player's layout: counts that match their
// rows, rows within the reader's limits, key tags the player can expand, pictures that exist.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/generated_set.h"

namespace zelvo_test {
namespace {

bool DecodesAsCp932(const Bytes& bytes) {
  iconv_t convert = iconv_open("UTF-8", "CP932");
  std::string out(bytes.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
  std::size_t inLeft = bytes.size(), outLeft = out.size();
  char* at = out.data();
  bool ok = iconv(convert, &in, &inLeft, &at, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(convert);
  return ok;
}

// The fixed part of the expanded key tag is 39 bytes; key names are at most 19, button numbers 2.
constexpr std::size_t kLongestTagText = 39 + 19 + 2;

TEST(GeneratedTexts, EveryTextFollowsThePlayersLayout) {
  std::vector<std::string> paths;
  for (int n = 0; n <= 25; ++n) paths.push_back("text\\battle00" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".dat");
  for (int n = 0; n <= 12; ++n) paths.push_back("text\\advice" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".dat");
  for (const std::string& path : paths) {
    const Bytes& bytes = GeneratedFile(path);
    EXPECT_TRUE(DecodesAsCp932(bytes)) << path;
    std::string text(bytes.begin(), bytes.end());
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') {
        EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << path << ": a bare line feed";
      }
    }
    std::vector<std::string> lines = CrLfLines(bytes);
    int lastPage = -2, lastPicture = -2;
    ASSERT_GE(lines.size(), 4u) << path;
    EXPECT_EQ(std::sscanf(lines[0].c_str(), "%d,", &lastPage), 1) << path;
    EXPECT_EQ(std::sscanf(lines[1].c_str(), "%d,", &lastPicture), 1) << path;
    EXPECT_TRUE(lastPage >= 0 && lastPage <= 15) << path;
    EXPECT_TRUE(lastPicture >= -1 && lastPicture <= 9) << path;
    std::size_t rowsAt = 3 + (lastPicture + 1) + 1;
    ASSERT_EQ(lines.size(), rowsAt + 3 * (lastPage + 1)) << path;
    for (int p = 0; p <= lastPicture; ++p) {
      const std::string& line = lines[3 + p];
      EXPECT_LT(line.size(), 199u) << path;
      float x, y, scale, angle;
      int mirror, firstPage, keepScale;
      char picture[200] = {};
      ASSERT_EQ(std::sscanf(line.c_str(), "%f,%f,%f,%f,%d,%d,%d,%199s", &x, &y, &scale, &angle, &mirror, &firstPage,
                            &keepScale, picture), 8)
          << path;
      EXPECT_EQ(GeneratedFiles().count(picture), 1u) << path << ": " << picture;
      EXPECT_LE(firstPage, lastPage) << path;
    }
    for (std::size_t r = rowsAt; r < lines.size(); ++r) {
      const std::string& row = lines[r];
      EXPECT_LT(row.size(), 79u) << path << " row " << r;
      std::size_t tag = row.find("@B");
      if (tag == std::string::npos) continue;
      ASSERT_LE(tag + 5, row.size()) << path << " row " << r;
      EXPECT_TRUE(row[tag + 4] >= '0' && row[tag + 4] <= '8') << path << " row " << r;
      EXPECT_LE(row.size() - 5 + kLongestTagText, 81u) << path << " row " << r << ": too long once expanded";
      EXPECT_EQ(row.find("@B", tag + 1), std::string::npos) << path << " row " << r;
    }
  }
}

// The texts show their pictures every way the player can: several on one page, from a later page,
// mirrored, turned, easing to full size; and the advice texts have pictures too.
TEST(GeneratedTexts, PicturesTakeEveryWayOfShowing) {
  int crowdedPages = 0, laterPages = 0, mirrored = 0, turned = 0, easing = 0, advicePictures = 0;
  for (const auto& [path, bytes] : GeneratedFiles()) {
    if (path.rfind("text\\", 0) != 0) continue;
    const std::vector<std::string> lines = CrLfLines(bytes);
    int lastPage = 0, lastPicture = -1;
    if (lines.size() < 4 || std::sscanf(lines[1].c_str(), "%d,", &lastPicture) != 1) continue;
    std::sscanf(lines[0].c_str(), "%d,", &lastPage);
    std::vector<int> shownOnPage(static_cast<std::size_t>(lastPage) + 1, 0);
    for (int p = 0; p <= lastPicture && 3 + p < static_cast<int>(lines.size()); ++p) {
      float x, y, scale, angle;
      int mirror = 0, firstPage = 0, keepScale = 1;
      if (std::sscanf(lines[3 + p].c_str(), "%f,%f,%f,%f,%d,%d,%d,", &x, &y, &scale, &angle, &mirror, &firstPage,
                      &keepScale) != 7) {
        continue;
      }
      for (int page = firstPage; page <= lastPage; ++page) ++shownOnPage[static_cast<std::size_t>(page)];
      laterPages += firstPage > 0;
      mirrored += mirror != 0;
      turned += angle != 0.0f;
      easing += keepScale == 0 && scale != 1.0f;
      advicePictures += path.find("advice") != std::string::npos;
    }
    for (int shown : shownOnPage) crowdedPages += shown > 2;
  }
  EXPECT_GT(crowdedPages, 0);
  EXPECT_GT(laterPages, 0);
  EXPECT_GT(mirrored, 0);
  EXPECT_GT(turned, 0);
  EXPECT_GT(easing, 0);
  EXPECT_GT(advicePictures, 0);
}

}  // namespace
}  // namespace zelvo_test
