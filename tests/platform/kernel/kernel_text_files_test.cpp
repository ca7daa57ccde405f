// CRT text-mode files: CR LF translation and the safe replace on close.
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <fstream>
#include <iterator>
#include <string>

namespace {

class KernelTextFiles : public zelvo_test::ScratchFolderTest {
 protected:
  std::string Bytes(const std::string& name) {
    std::ifstream in(root_ + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Store(const std::string& name, const std::string& bytes) {
    std::ofstream(root_ + "/" + name, std::ios::binary) << bytes;
  }
  // Files the replace may leave beside the target (hidden ones).
  int LeftoverCount() {
    int count = 0;
    DIR* dir = opendir(root_.c_str());
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != ".." && name[0] == '.') ++count;
    }
    closedir(dir);
    return count;
  }
};

TEST_F(KernelTextFiles, TextModeWritesCrLfAndReadsItBack) {
  pf::TextFile* out = pf::TextFileOpen("save.dat", "w");
  ASSERT_NE(out, nullptr);
  EXPECT_GE(pf::TextFilePuts("first\n", out), 0);
  EXPECT_EQ(pf::TextFilePrintf(out, "%d,%d\n", 12, -3), 6);
  EXPECT_EQ(pf::TextFileWrite("a\nb", 1, 3, out), 3u);
  pf::TextFilePrintf(out, "%s\n", std::string(1000, 'x').c_str());  // longer than any small buffer
  ASSERT_EQ(pf::TextFileClose(out), 0);
  EXPECT_EQ(Bytes("save.dat"), "first\r\n12,-3\r\na\r\nb" + std::string(1000, 'x') + "\r\n");

  Store("lines.txt", "one\r\ntwo\rthree\n\r\n");
  pf::TextFile* in = pf::TextFileOpen("LINES.TXT", "r");
  ASSERT_NE(in, nullptr);
  char line[16];
  ASSERT_NE(pf::TextFileGets(line, sizeof(line), in), nullptr);
  EXPECT_STREQ(line, "one\n");
  ASSERT_NE(pf::TextFileGets(line, sizeof(line), in), nullptr);
  EXPECT_STREQ(line, "two\rthree\n");  // a lone CR stays, a lone LF is a line end
  EXPECT_EQ(pf::TextFileGetc(in), '\n');
  EXPECT_EQ(pf::TextFileGetc(in), -1);
  EXPECT_EQ(pf::TextFileGets(line, sizeof(line), in), nullptr);
  EXPECT_EQ(pf::TextFileClose(in), 0);

  in = pf::TextFileOpen("lines.txt", "r");
  char all[32] = {};
  EXPECT_EQ(pf::TextFileRead(all, 1, sizeof(all), in), 15u);
  EXPECT_STREQ(all, "one\ntwo\rthree\n\n");
  pf::TextFileClose(in);
}

TEST_F(KernelTextFiles, BinaryModeIsUntouched) {
  pf::TextFile* out = pf::TextFileOpen("raw.bin", "wb");
  ASSERT_NE(out, nullptr);
  pf::TextFilePuts("a\nb\r\n", out);
  ASSERT_EQ(pf::TextFileClose(out), 0);
  EXPECT_EQ(Bytes("raw.bin"), "a\nb\r\n");
  pf::TextFile* in = pf::TextFileOpen("raw.bin", "rb");
  char bytes[8] = {};
  EXPECT_EQ(pf::TextFileRead(bytes, 1, sizeof(bytes), in), 5u);
  EXPECT_STREQ(bytes, "a\nb\r\n");
  pf::TextFileClose(in);
}

TEST_F(KernelTextFiles, ReplaceHappensOnlyOnClose) {
  Store("config.dat", "old\r\n");
  chmod((root_ + "/config.dat").c_str(), 0640);
  pf::TextFile* out = pf::TextFileOpen("CONFIG.DAT", "w");
  ASSERT_NE(out, nullptr);
  pf::TextFilePuts("new\n", out);
  EXPECT_EQ(Bytes("config.dat"), "old\r\n");  // untouched while the new contents are written
  EXPECT_EQ(LeftoverCount(), 1);
  ASSERT_EQ(pf::TextFileClose(out), 0);
  EXPECT_EQ(Bytes("config.dat"), "new\r\n");
  EXPECT_EQ(LeftoverCount(), 0);  // no replacement file left behind
  struct stat info {};
  stat((root_ + "/config.dat").c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replaced file keeps its permissions
}

TEST_F(KernelTextFiles, LongestNameCanBeReplaced) {
  const std::string name(255, 'n');
  Store(name, "old");
  pf::TextFile* out = pf::TextFileOpen(name.c_str(), "w");
  ASSERT_NE(out, nullptr);
  pf::TextFilePuts("new", out);
  ASSERT_EQ(pf::TextFileClose(out), 0);
  EXPECT_EQ(Bytes(name), "new");
}

TEST_F(KernelTextFiles, FailedWriteKeepsOldFile) {
  struct Case {
    const char* fault;
    int callsBeforeFault;
  };
  const Case cases[] = {{"TextFileWrite", 0}, {"TextFileWrite", 1}, {"FlushFileBuffers", 2}};
  for (const Case& c : cases) {
    Store("save1.dat", "kept\r\n");
    pf::TextFile* out = pf::TextFileOpen("save1.dat", "w");
    ASSERT_NE(out, nullptr);
    for (int i = 0; i < c.callsBeforeFault; ++i) pf::TextFilePuts("line\n", out);
    pf::testing::FailNextCalls(c.fault, 1);
    pf::TextFilePuts("line\n", out);
    pf::TextFilePuts("more\n", out);
    EXPECT_EQ(pf::TextFileClose(out), -1) << c.fault;
    EXPECT_EQ(Bytes("save1.dat"), "kept\r\n") << c.fault;
    EXPECT_EQ(LeftoverCount(), 0) << c.fault;
    pf::testing::ClearFaults();
  }
}

TEST_F(KernelTextFiles, AppendAndUpdateWorkInPlace) {
  Store("log.txt", "a\r\n");
  pf::TextFile* out = pf::TextFileOpen("log.txt", "a");
  ASSERT_NE(out, nullptr);
  pf::TextFilePuts("b\n", out);
  ASSERT_EQ(pf::TextFileClose(out), 0);
  EXPECT_EQ(Bytes("log.txt"), "a\r\nb\r\n");

  pf::TextFile* update = pf::TextFileOpen("LOG.txt", "r+");
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(pf::TextFileGetc(update), 'a');
  pf::TextFileClose(update);

  EXPECT_EQ(pf::TextFileOpen("missing.txt", "r"), nullptr);
  EXPECT_EQ(pf::TextFileOpen("missing.txt", "r+"), nullptr);
  EXPECT_EQ(pf::TextFileOpen("nofolder\\x.txt", "w"), nullptr);
  EXPECT_EQ(pf::TextFileOpen("log.txt", "q"), nullptr);
  pf::testing::FailNextCalls("TextFileOpen", 1);
  EXPECT_EQ(pf::TextFileOpen("log.txt", "r"), nullptr);
  EXPECT_EQ(pf::TextFileClose(nullptr), -1);
}

}  // namespace
