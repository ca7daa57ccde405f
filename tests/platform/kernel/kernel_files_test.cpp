// Path mapping, files, folders, searches and temporary files.
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class KernelFiles : public zelvo_test::ScratchFolderTest {
 protected:
  void Touch(const std::string& relative, const std::string& contents = "") {
    std::ofstream(root_ + "/" + relative, std::ios::binary) << contents;
  }
  void Folder(const std::string& relative) { mkdir((root_ + "/" + relative).c_str(), 0777); }
  static bool OnDisk(const std::string& host) {
    struct stat info {};
    return stat(host.c_str(), &info) == 0;
  }
};

TEST_F(KernelFiles, MapsWindowsPathsCaseInsensitively) {
  Folder("Data");
  Folder("Data/Sub");
  Touch("Data/Sub/File.TXT");
  const std::string file = root_ + "/Data/Sub/File.TXT";
  const std::string windowsRoot = pf::HostPathToWindows(root_);
  struct Case {
    std::string windows;
    std::string host;
  };
  const Case cases[] = {
      {"data\\SUB\\file.txt", file},
      {"DATA/sub/FILE.txt", file},
      {".\\data\\.\\sub\\..\\Sub\\file.txt", file},
      {windowsRoot + "\\DATA\\Sub\\file.txt", file},
      {"z:" + windowsRoot.substr(2) + "\\data\\sub\\file.txt", file},
      {windowsRoot.substr(2) + "\\data\\sub\\file.txt", file},  // rooted: from the top of Z:
      {"data\\sub\\New\\Thing.bin", root_ + "/Data/Sub/New/Thing.bin"},
      {"data\\", root_ + "/Data"},
      {"Z:\\", "/"},
      {"Z:\\..\\..", "/"},
      {"C:\\data", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(pf::MapPathToHost(c.windows.c_str()), c.host) << c.windows;
}

TEST_F(KernelFiles, ExactSpellingWinsOverOtherCase) {
  Touch("a.txt", "lower");
  Touch("A.TXT", "upper");
  EXPECT_EQ(pf::MapPathToHost("A.TXT"), root_ + "/A.TXT");
  EXPECT_EQ(pf::MapPathToHost("a.txt"), root_ + "/a.txt");
}

TEST_F(KernelFiles, Cp932NamesAreUtf8OnDisk) {
  const char* name = "\x83\x65\x83\x58\x83\x67.txt";  // "テスト.txt"; 0x83 0x5C would hold a backslash byte
  pf::Handle file = pf::CreateFile(name, pf::kGenericWrite, pf::kShareNone, pf::kCreateNew);
  ASSERT_NE(file, pf::kInvalidHandle);
  pf::CloseHandle(file);
  EXPECT_TRUE(OnDisk(root_ + "/\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.txt"));

  const char* withBackslashByte = "\x83\x5C\x83\x74\x83\x67";  // "ソフト"
  ASSERT_TRUE(pf::CreateDirectory(withBackslashByte));
  EXPECT_TRUE(OnDisk(root_ + "/\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88"));
  EXPECT_EQ(pf::Utf8ToCp932(pf::Cp932ToUtf8(withBackslashByte)), withBackslashByte);

  pf::FindData data{};
  pf::Handle search = pf::FindFirstFile("*.TXT", &data);
  ASSERT_NE(search, pf::kInvalidHandle);
  EXPECT_STREQ(data.name, name);
  pf::FindClose(search);
}

TEST_F(KernelFiles, ListingsNeverGoStaleForOwnChanges) {
  EXPECT_EQ(pf::MapPathToHost("fresh.dat"), root_ + "/fresh.dat");  // reads and caches the listing
  pf::Handle file = pf::CreateFile("Fresh.DAT", pf::kGenericWrite, pf::kShareNone, pf::kCreateNew);
  ASSERT_NE(file, pf::kInvalidHandle);
  pf::CloseHandle(file);
  EXPECT_EQ(pf::MapPathToHost("fresh.dat"), root_ + "/Fresh.DAT");
  ASSERT_TRUE(pf::MoveFileReplace("FRESH.dat", "Other.dat"));
  EXPECT_EQ(pf::MapPathToHost("fresh.dat"), root_ + "/fresh.dat");
  EXPECT_EQ(pf::MapPathToHost("OTHER.DAT"), root_ + "/Other.dat");
  ASSERT_TRUE(pf::DeleteFile("other.DAT"));
  EXPECT_EQ(pf::GetFileAttributes("other.dat"), pf::kInvalidFileAttributes);
}

TEST_F(KernelFiles, CurrentFolderReadsAsZDrive) {
  char buffer[pf::kMaxPath];
  const std::string expected = pf::HostPathToWindows(root_);
  ASSERT_EQ(expected.rfind("Z:\\", 0), 0u);
  EXPECT_EQ(pf::GetCurrentDirectory(sizeof(buffer), buffer), expected.size());
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(pf::GetCurrentDirectory(4, buffer), expected.size() + 1);  // too small: the size needed

  Folder("Sub");
  ASSERT_TRUE(pf::SetCurrentDirectory("SUB"));
  pf::GetCurrentDirectory(sizeof(buffer), buffer);
  EXPECT_EQ(std::string(buffer), expected + "\\Sub");
  ASSERT_TRUE(pf::SetCurrentDirectory(".."));
  EXPECT_FALSE(pf::SetCurrentDirectory("missing"));
  ASSERT_TRUE(pf::SetCurrentDirectory("\\"));
  pf::GetCurrentDirectory(sizeof(buffer), buffer);
  EXPECT_STREQ(buffer, "Z:\\");
}

TEST_F(KernelFiles, CreateFileDispositions) {
  Touch("old.bin", "12345");
  struct Case {
    const char* name;
    std::uint32_t disposition;
    bool opens;
    std::uint32_t sizeAfter;
  };
  const Case cases[] = {
      {"old.bin", pf::kCreateNew, false, 0},   {"new1.bin", pf::kCreateNew, true, 0},
      {"old.bin", pf::kOpenExisting, true, 5}, {"none.bin", pf::kOpenExisting, false, 0},
      {"old.bin", pf::kOpenAlways, true, 5},   {"new2.bin", pf::kOpenAlways, true, 0},
      {"OLD.BIN", pf::kTruncateExisting, true, 0}, {"none.bin", pf::kTruncateExisting, false, 0},
      {"old.bin", pf::kCreateAlways, true, 0}, {"old.bin", 99, false, 0},
  };
  for (const Case& c : cases) {
    Touch("old.bin", "12345");
    pf::Handle file = pf::CreateFile(c.name, pf::kGenericRead | pf::kGenericWrite, pf::kShareRead, c.disposition);
    EXPECT_EQ(file != pf::kInvalidHandle, c.opens) << c.name << " " << c.disposition;
    if (file == pf::kInvalidHandle) continue;
    std::uint32_t high = 1;
    EXPECT_EQ(pf::GetFileSize(file, &high), c.sizeAfter) << c.name << " " << c.disposition;
    EXPECT_EQ(high, 0u);
    pf::CloseHandle(file);
  }
  Folder("folder");
  EXPECT_EQ(pf::CreateFile("folder", pf::kGenericRead, pf::kShareRead, pf::kOpenExisting), pf::kInvalidHandle);
  pf::testing::FailNextCalls("CreateFile", 1);
  EXPECT_EQ(pf::CreateFile("old.bin", pf::kGenericRead, pf::kShareRead, pf::kOpenExisting), pf::kInvalidHandle);
  pf::Handle again = pf::CreateFile("old.bin", pf::kGenericRead, pf::kShareRead, pf::kOpenExisting);
  EXPECT_NE(again, pf::kInvalidHandle);
  pf::CloseHandle(again);
}

TEST_F(KernelFiles, ReadWriteSeek) {
  pf::Handle file = pf::CreateFile("data.bin", pf::kGenericRead | pf::kGenericWrite, pf::kShareNone, pf::kCreateAlways);
  ASSERT_NE(file, pf::kInvalidHandle);
  std::uint32_t done = 0;
  ASSERT_TRUE(pf::WriteFile(file, "abcdefgh", 8, &done));
  EXPECT_EQ(done, 8u);
  EXPECT_EQ(pf::SetFilePointer(file, -3, pf::kFileEnd), 5u);
  char buffer[8] = {};
  ASSERT_TRUE(pf::ReadFile(file, buffer, 8, &done));
  EXPECT_EQ(done, 3u);  // short at the end, still a success
  EXPECT_EQ(std::string(buffer, 3), "fgh");
  ASSERT_TRUE(pf::ReadFile(file, buffer, 8, &done));
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(pf::SetFilePointer(file, -2, pf::kFileCurrent), 6u);
  EXPECT_EQ(pf::SetFilePointer(file, -1, pf::kFileBegin), pf::kInvalidSetFilePointer);
  EXPECT_EQ(pf::SetFilePointer(file, 0, pf::kFileCurrent), 6u);  // a refused move leaves the position
  EXPECT_EQ(pf::SetFilePointer(file, 100, pf::kFileBegin), 100u);  // beyond the end is allowed
  EXPECT_TRUE(pf::FlushFileBuffers(file));
  pf::testing::FailNextCalls("WriteFile", 1);
  EXPECT_FALSE(pf::WriteFile(file, "x", 1, &done));
  EXPECT_EQ(done, 0u);
  pf::CloseHandle(file);

  pf::Handle reader = pf::CreateFile("DATA.BIN", pf::kGenericRead, pf::kShareRead, pf::kOpenExisting);
  EXPECT_FALSE(pf::WriteFile(reader, "x", 1, &done));  // no write access
  pf::CloseHandle(reader);
  EXPECT_FALSE(pf::ReadFile(reader, buffer, 1, &done));  // closed
}

TEST_F(KernelFiles, FoldersAndAttributes) {
  ASSERT_TRUE(pf::CreateDirectory("Saves"));
  EXPECT_FALSE(pf::CreateDirectory("SAVES"));
  EXPECT_EQ(pf::GetFileAttributes("saves"), pf::kAttributeDirectory);
  Touch("Saves/a.dat", "1");
  Touch("b.dat", "22");
  EXPECT_EQ(pf::GetFileAttributes("saves\\A.DAT"), pf::kAttributeNormal);
  EXPECT_FALSE(pf::RemoveDirectory("saves"));  // not empty
  EXPECT_FALSE(pf::MoveFileReplace("b.dat", "saves"));  // never over a folder
  ASSERT_TRUE(pf::MoveFileReplace("B.DAT", "saves\\a.dat"));
  std::ifstream moved(root_ + "/Saves/a.dat");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(moved), {}), "22");
  EXPECT_FALSE(pf::DeleteFile("saves"));
  ASSERT_TRUE(pf::DeleteFile("saves\\a.dat"));
  ASSERT_TRUE(pf::RemoveDirectory("SAVES"));
  EXPECT_EQ(pf::GetFileAttributes("saves"), pf::kInvalidFileAttributes);
}

std::vector<std::string> FindAll(const char* pattern) {
  std::vector<std::string> names;
  pf::FindData data{};
  pf::Handle search = pf::FindFirstFile(pattern, &data);
  if (search == pf::kInvalidHandle) return names;
  do {
    names.emplace_back(data.name);
  } while (pf::FindNextFile(search, &data));
  EXPECT_TRUE(pf::FindClose(search));
  return names;
}

TEST_F(KernelFiles, FindWithWildcards) {
  Touch("a.txt", "123");
  Touch("B.TXT");
  Touch("c.dat");
  Touch("noext");
  Touch("ab.c.d");
  Folder("Sub");
  using Names = std::vector<std::string>;
  struct Case {
    const char* pattern;
    Names names;
  };
  const Case cases[] = {
      {"*.txt", {"a.txt", "B.TXT"}},
      {"*.*", {".", "..", "a.txt", "ab.c.d", "B.TXT", "c.dat", "noext", "Sub"}},
      {"*", {".", "..", "a.txt", "ab.c.d", "B.TXT", "c.dat", "noext", "Sub"}},
      {"?.DAT", {"c.dat"}},
      {"noext.*", {"noext"}},
      {"a*", {"a.txt", "ab.c.d"}},
      {"*.d", {"ab.c.d"}},
      {"SUB", {"Sub"}},
      {"sub\\*", {".", ".."}},
      {"*.bmp", {}},
      {"missing\\*", {}},
      {"sub\\", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(FindAll(c.pattern), c.names) << c.pattern;

  pf::FindData data{};
  pf::Handle search = pf::FindFirstFile("A.TXT", &data);
  ASSERT_NE(search, pf::kInvalidHandle);
  EXPECT_EQ(data.attributes, pf::kAttributeNormal);
  EXPECT_EQ(data.sizeLow, 3u);
  EXPECT_EQ(data.sizeHigh, 0u);
  struct stat info {};
  stat((root_ + "/a.txt").c_str(), &info);
  const std::uint64_t units = (static_cast<std::uint64_t>(data.lastWriteTime.high) << 32) | data.lastWriteTime.low;
  EXPECT_EQ(units / 10000000 - 11644473600ull, static_cast<std::uint64_t>(info.st_mtim.tv_sec));
  EXPECT_FALSE(pf::FindNextFile(search, &data));
  pf::FindClose(search);
  search = pf::FindFirstFile("sub", &data);
  EXPECT_EQ(data.attributes, pf::kAttributeDirectory);
  pf::FindClose(search);
  EXPECT_FALSE(pf::FindClose(search));
}

TEST_F(KernelFiles, RootSearchHasNoDotEntries) {
  pf::FindData data{};
  pf::Handle search = pf::FindFirstFile("Z:\\*", &data);
  ASSERT_NE(search, pf::kInvalidHandle);
  EXPECT_STRNE(data.name, ".");
  EXPECT_STRNE(data.name, "..");
  pf::FindClose(search);
}

TEST_F(KernelFiles, TempPathAndTempFileName) {
  char folder[pf::kMaxPath];
  const std::uint32_t length = pf::GetTempPath(sizeof(folder), folder);
  EXPECT_EQ(std::string(folder, length), "Z:\\tmp\\");
  EXPECT_EQ(pf::GetTempPath(3, folder), length + 1);

  char name[pf::kMaxPath];
  const std::uint32_t first = pf::GetTempFileName(".", "tmpfile", 0, name);
  ASSERT_NE(first, 0u);
  char expected[32];
  std::snprintf(expected, sizeof(expected), ".\\tmp%X.tmp", first);
  EXPECT_STREQ(name, expected);
  EXPECT_EQ(pf::GetFileAttributes(name), pf::kAttributeNormal);
  char second[pf::kMaxPath];
  EXPECT_NE(pf::GetTempFileName(".", "tmp", 0, second), 0u);
  EXPECT_STRNE(name, second);

  EXPECT_EQ(pf::GetTempFileName(".", "abc", 0x1A2B, name), 0x1A2Bu);  // a given number only names the file
  EXPECT_STREQ(name, ".\\abc1A2B.tmp");
  EXPECT_EQ(pf::GetFileAttributes(name), pf::kInvalidFileAttributes);
  EXPECT_EQ(pf::GetTempFileName("missing", "tmp", 0, name), 0u);
}

}  // namespace
