// Screen saves that cannot be written: each of BMP, JPEG and PNG reports -1, and a save that fails
// part way (a full disk) leaves the file already stored under that name as it was.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include <zelvo/zelvo.h>

#include "platform/testing.h"
#include "support/library_fixture.h"
#include "support/picture_writers.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

struct SaveType {
  int type;
  const char* name;
  const char* writeFault;   // the platform call whose failure stands for a full disk
};
constexpr SaveType kTypes[] = {
    {0, "shot.bmp", "WriteFile"},
    {1, "shot.jpg", "TextFileWrite"},
    {2, "shot.png", "TextFileWrite"},
};

class ScreenSave : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
    ASSERT_EQ(SelectDrawTarget(ZELVO_BACK_BUFFER), 0);
    ASSERT_EQ(DrawRectangle(0, 0, 640, 480, PackColor(30, 60, 90), 1), 0);
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
  static int Save(const SaveType& t, const std::string& path) {
    return SaveScreenRectToFile(0, 0, 32, 16, path.c_str(), t.type, 90, 6);
  }
  std::set<std::string> FolderNames() const {
    std::set<std::string> names;
    if (DIR* dir = opendir(folder_.c_str())) {
      while (dirent* entry = readdir(dir)) names.insert(entry->d_name);
      closedir(dir);
    }
    return names;
  }
};

TEST_F(ScreenSave, UnwritableDestinationsReportFailure) {
  WriteFileBytes(folder_ + "/plain", Bytes{1, 2, 3});   // a file where a folder is named
  ASSERT_EQ(mkdir((folder_ + "/locked").c_str(), 0555), 0);
  for (const SaveType& t : kTypes) {
    SCOPED_TRACE(t.name);
    EXPECT_EQ(Save(t, std::string("missing\\") + t.name), -1);
    EXPECT_EQ(Save(t, std::string("plain\\") + t.name), -1);
    // The superuser writes into a read-only folder all the same.
    if (geteuid() != 0) {
      EXPECT_EQ(Save(t, std::string("locked\\") + t.name), -1);
    }
  }
  EXPECT_NE(ReadLog().find("ＢＭＰセーブ用ファイルのオープンに失敗しました"), std::string::npos);
  chmod((folder_ + "/locked").c_str(), 0755);
}

TEST_F(ScreenSave, AFailedWriteKeepsTheOldFileByteForByte) {
  const Bytes old{'o', 'l', 'd', ' ', 's', 'h', 'o', 't'};
  for (const SaveType& t : kTypes) {
    for (const char* fault : {t.writeFault, "FlushFileBuffers"}) {
      SCOPED_TRACE(std::string(t.name) + " " + fault);
      const std::set<std::string> before = [&] {
        WriteFileBytes(folder_ + "/" + t.name, old);
        return FolderNames();
      }();
      pf::testing::FailNextCalls(fault, 1);
      EXPECT_EQ(Save(t, t.name), -1);
      pf::testing::ClearFaults();
      EXPECT_EQ(ReadFileBytes(folder_ + "/" + t.name), old);
      EXPECT_EQ(FolderNames(), before);   // no temporary file is left behind
    }
    // Written whole, the new picture replaces the old one.
    ASSERT_EQ(Save(t, t.name), 0);
    const Bytes saved = ReadFileBytes(folder_ + "/" + t.name);
    EXPECT_GT(saved.size(), old.size());
    const int graph = LoadGraphFile(t.name, 0);
    EXPECT_GE(graph, 0);
    ReleaseGraph(graph, 0);
  }
}

// Without memory for its buffers a save writes nothing, says which buffer it lacked, and reports -1.
TEST_F(ScreenSave, AllocationFailuresWriteNothing) {
  struct Case { const SaveType& type; int skip; const char* line; };
  const Case cases[] = {
      {kTypes[0], 0, "BITMAPINFO構造体用メモリの確保に失敗しました\r\n"},
      {kTypes[0], 1, "グラフィック保存用メモリの確保に失敗しました\r\n"},
      {kTypes[1], 0, "画像セーブ用一時バッファの確保に失敗しました\r\n"},
      {kTypes[2], 0, "画像セーブ用一時バッファの確保に失敗しました\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type.name) + " " + c.line);
    const std::size_t logSize = ReadLog().size();
    pf::testing::FailCallsAfter("HeapAlloc", c.skip, 1);
    EXPECT_EQ(Save(c.type, c.type.name), -1);
    pf::testing::ClearFaults();
    EXPECT_NE(ReadLog().find(c.line, logSize), std::string::npos);
    EXPECT_EQ(FolderNames().count(c.type.name), 0u);
  }
}

// The front screen of a window is read through a copy in work surface 1: when that copy cannot be
// made nothing is saved; otherwise the saved pixels are the client area's.
TEST_F(ScreenSave, AWindowsFrontScreenIsSavedFromTheWorkSurface) {
  ASSERT_EQ(SelectDrawTarget(ZELVO_FRONT_BUFFER), 0);
  ASSERT_EQ(DrawRectangle(0, 0, 64, 64, PackColor(200, 100, 50), 1), 0);
  pf::testing::FailNextCalls("BltFast", 1);
  pf::testing::FailNextCalls("BitBlt", 1);
  EXPECT_EQ(Save(kTypes[0], "front.bmp"), -1);
  pf::testing::ClearFaults();
  EXPECT_EQ(FolderNames().count("front.bmp"), 0u);
  ASSERT_EQ(Save(kTypes[0], "front.bmp"), 0);
  const Bytes saved = ReadFileBytes(folder_ + "/front.bmp");
  ASSERT_EQ(saved.size(), 54u + 32 * 3 * 16);
  for (std::size_t at = 54; at < saved.size(); at += 3) {
    ASSERT_EQ((Bytes{saved[at], saved[at + 1], saved[at + 2]}), (Bytes{50, 100, 200})) << at;
  }
}

}  // namespace
}  // namespace zelvo_test
