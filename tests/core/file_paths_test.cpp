// Full paths, splitting a path, and temporary files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/file_test_fixture.h"
#include "media/core/file_paths.h"
#include "platform/kernel/kernel_testing.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

struct FullPathCase {
  const char* path;
  const char* base;
  int result;
  const char* expected;
};

TEST(MakeFullPathTest, BuildsAbsolutePathsAgainstABase) {
  const FullPathCase cases[] = {
      {"x\\y.txt", "C:\\A\\B", 0, "C:\\A\\B\\x\\y.txt"},
      {"x/y", "C:\\A\\B\\", 0, "C:\\A\\B\\x\\y"},
      {"\\x", "C:\\A\\B", 0, "C:\\x"},
      {"D:\\x", "C:\\A", 0, "D:\\x"},
      {"D:x", "C:\\A", 0, "D:\\x"},
      {"..\\x", "C:\\A\\B", 0, "C:\\A\\x"},
      {"..\\..\\..\\..\\x", "C:\\A\\B", 0, "C:\\x"},   // ".." at the drive root stays at the root
      {".\\x\\.\\y\\", "C:\\A", 0, "C:\\A\\x\\y"},
      {"x\\\\y", "C:\\A", -1, nullptr},
      {"\x95\x5C\\x", "C:\\A", 0, "C:\\A\\\x95\x5C\\x"},   // a trail byte 0x5C is no separator
      {"x\\\x95\x5C", "C:\\A", 0, "C:\\A\\x\\\x95\x5C"},
  };
  for (const FullPathCase& c : cases) {
    char out[260] = {};
    EXPECT_EQ(MakeFullPath(c.path, out, c.base), c.result) << c.path;
    if (c.expected != nullptr) {
      EXPECT_STREQ(out, c.expected) << c.path;
    }
  }
  char out[260];
  EXPECT_EQ(MakeFullPath(nullptr, out, "C:\\A"), 0);
  EXPECT_STREQ(out, "C:\\A");
  std::string longPath(300, 'a');
  EXPECT_EQ(MakeFullPath(longPath.c_str(), out, "C:\\A"), -1);
}

class FullPathCurrentFolderTest : public FileLayerTest {};

TEST_F(FullPathCurrentFolderTest, WithoutABaseTheCurrentFolderIsTheBase) {
  char cwd[260];
  ASSERT_GT(pf::GetCurrentDirectory(sizeof cwd, cwd), 0u);
  char out[260];
  EXPECT_EQ(MakeFullPath("sub\\f.txt", out, nullptr), 0);
  EXPECT_EQ(std::string(out), std::string(cwd) + "\\sub\\f.txt");
}

TEST(SplitPathNameTest, SplitsAtTheLastSeparator) {
  struct Case { const char* path; const char* name; const char* folder; };
  const Case cases[] = {
      {"a\\b\\c.txt", "c.txt", "a\\b"},
      {"a/b.txt", "b.txt", "a"},
      {"c.txt", "c.txt", ""},
      {"C:x.txt", "x.txt", "C"},
      {"dir\\\x95\x5C", "\x95\x5C", "dir"},
      {"\x95\x5C", "\x95\x5C", ""},
      {"a\\", "", "a"},
  };
  for (const Case& c : cases) {
    char name[260];
    char folder[260];
    EXPECT_EQ(SplitPathName(c.path, name, folder), 0);
    EXPECT_STREQ(name, c.name) << c.path;
    EXPECT_STREQ(folder, c.folder) << c.path;
  }
  char name[260];
  EXPECT_EQ(SplitPathName("x\\y", name, nullptr), 0);
  EXPECT_STREQ(name, "y");
}

TEST(CreateTempFileTest, CreatesAFreshWritableFile) {
  char name[260] = {};
  pf::Handle file = CreateTempFile(name);
  ASSERT_NE(file, nullptr);
  ASSERT_NE(file, pf::kInvalidHandle);
  char folder[260];
  pf::GetTempPath(sizeof folder, folder);
  EXPECT_EQ(std::strncmp(name, folder, std::strlen(folder)), 0) << name;
  EXPECT_NE(std::strstr(name, "tmp"), nullptr);
  std::uint32_t written = 0;
  EXPECT_TRUE(pf::WriteFile(file, "data", 4, &written));
  EXPECT_EQ(written, 4u);
  pf::CloseHandle(file);
  EXPECT_NE(pf::GetFileAttributes(name), pf::kInvalidFileAttributes);
  pf::DeleteFile(name);

  pf::testing::FailNextCalls("GetTempFileName", 1);
  EXPECT_EQ(CreateTempFile(name), nullptr);
}

}  // namespace
}  // namespace zelvo_test
