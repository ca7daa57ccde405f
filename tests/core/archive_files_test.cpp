// Archive-aware file operations: archives standing in for folders, entries of every kind, folder
// walks and searches, the tables of open archives and files, and malformed archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/file_test_fixture.h"
#include "media/core/archive.h"
#include "media/core/archive_files.h"
#include "media/core/core_state.h"
#include "media/core/file_ops.h"
#include "platform/kernel/kernel_testing.h"
#include "support/lz_encoder.h"
#include "support/poll_until.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

constexpr std::uint64_t kJan2020 = 132223104000000000ull;   // 2020-01-01 00:00:00 UTC

std::vector<std::uint8_t> Pattern(std::size_t n, int seed) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>((i % 61) * seed + i / 997);
  return bytes;
}

// A small tree: files in the root and in folders two deep, an empty folder, names in mixed case.
std::vector<ZvaItem> Tree(bool compress) {
  return {
      {"BMP\\A.BMP", Pattern(5000, 3), compress, false, kJan2020, kJan2020 + 10000000ull * 61},
      {"BMP\\B.BMP", Pattern(17, 5), compress},
      {"BMP\\SUB\\Deep.bin", Pattern(300, 7), compress},
      {"Read Me.txt", BytesOf("readme\r\n"), compress},
      {"EMPTY", {}, false, true},
      {"ZERO.DAT", {}, compress},
  };
}

std::vector<std::uint8_t> ReadWhole(FileHandle f, int asyncFlag) {
  std::vector<std::uint8_t> all;
  std::uint8_t chunk[777];
  for (;;) {
    int got = FileRead(chunk, 1, sizeof chunk, f);
    if (asyncFlag) {
      EXPECT_TRUE(testing_support::PollUntil([f] { return FileIdleCheck(f) != 0; })) << "the read never finished";
    }
    if (got <= 0) break;
    all.insert(all.end(), chunk, chunk + got);
  }
  return all;
}

std::vector<std::uint8_t> ReadPath(const char* path, int asyncFlag = 0) {
  FileHandle f = FileOpen(path, 0, 1, asyncFlag);
  if (f == 0) return BytesOf("<no file>");
  std::vector<std::uint8_t> all = ReadWhole(f, asyncFlag);
  EXPECT_EQ(FileClose(f), 0);
  return all;
}

int ReferencesOf(const char* archiveFile) {
  char path[260];
  NormalisePath(archiveFile, path);
  int slot = FindOpenArchive(path);
  return slot < 0 ? -1 : g_archiveTables.archives[slot]->referenceCount;
}

struct FormatCase {
  int version;
  bool plain;
  bool compress;
};

class ArchiveEntryTest : public FileLayerTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(ArchiveEntryTest, EntriesReadBackWholeInEveryMode) {
  ZvaOptions options;
  options.version = GetParam().version;
  options.plain = GetParam().plain;
  Put("DATA.ZVA", BuildZva(Tree(GetParam().compress), options));
  for (int asyncFlag : {0, 1}) {
    EXPECT_EQ(ReadPath("data\\bmp\\a.bmp", asyncFlag), Pattern(5000, 3));
    EXPECT_EQ(ReadPath("DATA\\BMP\\B.BMP", asyncFlag), Pattern(17, 5));
    EXPECT_EQ(ReadPath("data/bmp/sub/deep.BIN", asyncFlag), Pattern(300, 7));
    EXPECT_EQ(ReadPath("data\\read me.txt", asyncFlag), BytesOf("readme\r\n"));
    EXPECT_EQ(ReadPath("data\\zero.dat", asyncFlag), std::vector<std::uint8_t>{});
  }
  EXPECT_EQ(ReferencesOf("DATA.ZVA"), 0);
}

TEST_P(ArchiveEntryTest, ReadsCountBytesAndSeeksClamp) {
  ZvaOptions options;
  options.version = GetParam().version;
  options.plain = GetParam().plain;
  Put("DATA.ZVA", BuildZva(Tree(GetParam().compress), options));
  const std::vector<std::uint8_t> a = Pattern(5000, 3);
  for (int asyncFlag : {0, 1}) {
    FileHandle f = FileOpen("data\\bmp\\a.bmp", 0, 1, asyncFlag);
    ASSERT_NE(f, 0);
    EXPECT_EQ(ReferencesOf("DATA.ZVA"), 1);
    std::uint8_t buffer[64] = {};
    EXPECT_EQ(FileSeek(f, 100, 0), 0);
    EXPECT_EQ(FileRead(buffer, 4, 10, f), 40);   // bytes, not elements
    ASSERT_TRUE(testing_support::PollUntil([f] { return FileIdleCheck(f) != 0; })) << "the read never finished";
    EXPECT_EQ(0, std::memcmp(buffer, a.data() + 100, 40));
    EXPECT_EQ(FileTell(f), 140);
    EXPECT_EQ(FileSeek(f, -500, 1), 0);
    EXPECT_EQ(FileTell(f), 0);
    EXPECT_EQ(FileSeek(f, 10, 2), 0);
    EXPECT_EQ(FileTell(f), 5000);
    EXPECT_EQ(FileSeek(f, -3, 2), 0);
    EXPECT_EQ(FileRead(buffer, 2, 10, f), 3);
    ASSERT_TRUE(testing_support::PollUntil([f] { return FileIdleCheck(f) != 0; })) << "the read never finished";
    EXPECT_EQ(0, std::memcmp(buffer, a.data() + 4997, 3));
    EXPECT_EQ(FileEof(f), 0);
    EXPECT_EQ(FileRead(buffer, 1, 1, f), 0);
    EXPECT_EQ(FileEof(f), -1);
    EXPECT_EQ(FileRead(buffer, 1, 1, f), 0);
    EXPECT_EQ(FilePositionAtEnd(f), 1);
    EXPECT_EQ(FileSeek(f, 1, 0), 0);
    EXPECT_EQ(FileEof(f), 0);
    EXPECT_EQ(FileReadByte(f), a[1]);
    EXPECT_EQ(FileClose(f), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ArchiveEntryTest,
                         ::testing::Values(FormatCase{0, false, false}, FormatCase{0, true, false},
                                           FormatCase{1, false, false}, FormatCase{2, false, false},
                                           FormatCase{2, false, true}, FormatCase{2, true, true},
                                           FormatCase{3, false, true}),
                         [](const auto& info) {
                           return "V" + std::to_string(info.param.version) + (info.param.plain ? "Plain" : "Scrambled") +
                                  (info.param.compress ? "Compressed" : "Stored");
                         });

class ArchiveFilesTest : public FileLayerTest {
 protected:
  void PutTree(const ZvaOptions& options = ZvaOptions{}) { Put("DATA.ZVA", BuildZva(Tree(true), options)); }
};

TEST_F(ArchiveFilesTest, ArchiveStandsInFrontOfAFolderOfTheSameName) {
  Put("data/bmp/a.bmp", "loose copy");
  Put("data/loose.txt", "only on disk");
  EXPECT_EQ(ReadPath("data\\bmp\\a.bmp"), BytesOf("loose copy"));
  PutTree();
  EXPECT_EQ(ReadPath("data\\bmp\\a.bmp"), Pattern(5000, 3));
  // A file the archive lacks is not looked for on disk.
  EXPECT_EQ(FileOpen("data\\loose.txt", 0, 1, 0), 0);
  EXPECT_EQ(FileOpen("data\\bmp", 0, 1, 0), 0);   // a folder of the archive is no file
  EXPECT_EQ(ReadPath("data\\bmp\\a.bmp\\x"), Pattern(5000, 3));   // the walk stops at the first non-folder
  EXPECT_EQ(FileOpen("data\\bmp\\sub\\", 0, 1, 0), 0);
}

TEST_F(ArchiveFilesTest, LastComponentIsNeverTriedAsAnArchive) {
  Put("note", "loose note");
  Put("NOTE.ZVA", BuildZva(Tree(false), ZvaOptions{}));
  EXPECT_EQ(ReadPath("note"), BytesOf("loose note"));
  EXPECT_EQ(FindOpenArchive("NOTE.ZVA"), -1);
  EXPECT_EQ(g_archiveTables.archiveCount, 0);
  EXPECT_EQ(FileOpen("missing.txt", 0, 1, 0), 0);
}

TEST_F(ArchiveFilesTest, ArchivesAreSharedAndKeptUntilFreed) {
  PutTree();
  FileHandle a = FileOpen("data\\bmp\\a.bmp", 0, 1, 0);
  FileHandle b = FileOpen("data\\read me.txt", 0, 1, 1);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_EQ((a & 0xF0000000), 0xF0000000);
  EXPECT_EQ(g_archiveTables.archiveCount, 1);
  EXPECT_EQ(ReferencesOf("DATA.ZVA"), 2);
  EXPECT_EQ(g_archiveTables.fileCount, 2);
  EXPECT_EQ(FileClose(a), 0);
  EXPECT_EQ(ReferencesOf("DATA.ZVA"), 1);
  // Start-up's clearing leaves an archive in use alone.
  ResetArchiveState();
  EXPECT_EQ(ReferencesOf("DATA.ZVA"), 1);
  EXPECT_EQ(ReadWhole(b, 1), BytesOf("readme\r\n"));
  EXPECT_EQ(FileClose(b), 0);
  EXPECT_EQ(ReferencesOf("DATA.ZVA"), 0);
  EXPECT_EQ(g_archiveTables.archiveCount, 1);   // kept as a cache
  EXPECT_EQ(FreeUnusedArchives(), 1);
  EXPECT_EQ(g_archiveTables.archiveCount, 0);
  // The resolution cache opens it again.
  EXPECT_EQ(ReadPath("data\\bmp\\b.bmp"), Pattern(17, 5));
}

TEST_F(ArchiveFilesTest, BadHandlesAreRefused) {
  PutTree();
  Put("loose.txt", "x");
  FileHandle good = FileOpen("loose.txt", 0, 1, 0);
  ASSERT_EQ(good, 0xF0000000);   // slot 0
  const FileHandle bad[] = {0, 1, 0x10000000, 0x70000000, static_cast<FileHandle>(0xF0000000 | 512),
                            static_cast<FileHandle>(0xF0000000 | 0x0FFFFFFF), static_cast<FileHandle>(0xF0000001)};
  std::uint8_t byte;
  for (FileHandle h : bad) {
    EXPECT_EQ(ArchiveAwareClose(h), -1) << h;
    EXPECT_EQ(ArchiveAwareTell(h), -1) << h;
    EXPECT_EQ(ArchiveAwareSeek(h, 0, 0), -1) << h;
    EXPECT_EQ(ArchiveAwareRead(&byte, 1, 1, h), -1) << h;
    EXPECT_EQ(ArchiveAwareEof(h), -1) << h;
    EXPECT_EQ(ArchiveAwareIdle(h), -1) << h;
  }
  EXPECT_EQ(ReadWhole(good, 0), BytesOf("x"));
  EXPECT_EQ(FileClose(good), 0);
  EXPECT_EQ(FileClose(good), -1);
}

TEST_F(ArchiveFilesTest, The513thOpenFailsAndTheOthersStillRead) {
  PutTree();
  Put("loose.txt", "loose bytes");
  g_startUpOptions.hosted = 1;
  pf::testing::CaptureDebugOutput(true);
  std::vector<FileHandle> open;
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    FileHandle f = FileOpen(i % 2 ? "loose.txt" : "data\\bmp\\b.bmp", 0, 1, 0);
    ASSERT_NE(f, 0) << i;
    open.push_back(f);
  }
  EXPECT_EQ(FileOpen("loose.txt", 0, 1, 0), 0);
  EXPECT_NE(pf::testing::TakeDebugOutput().find("同時に開けるファイルの数が限界を超えました"), std::string::npos);
  for (std::size_t i = 0; i < open.size(); ++i) {
    EXPECT_EQ(ReadWhole(open[i], 0), i % 2 ? BytesOf("loose bytes") : Pattern(17, 5)) << i;
  }
  EXPECT_EQ(FileClose(open[77]), 0);
  FileHandle again = FileOpen("loose.txt", 0, 1, 0);
  EXPECT_EQ(again, open[77]);   // the first empty slot
  for (FileHandle f : open) EXPECT_EQ(FileClose(f), 0);
  EXPECT_EQ(g_archiveTables.fileCount, 0);
}

std::vector<std::string> ListNames(const char* pattern, std::vector<FileFindInfo>* infos = nullptr) {
  std::vector<std::string> names;
  FileFindInfo info;
  FindHandle search = g_fileOps.findFirst(pattern, &info);
  if (search == -1) return {"<none>"};
  do {
    names.push_back(info.name);
    if (infos != nullptr) infos->push_back(info);
  } while (g_fileOps.findNext(search, &info) == 0);
  EXPECT_EQ(g_fileOps.findNext(search, &info), -1);
  EXPECT_EQ(g_fileOps.findClose(search), 0);
  return names;
}

TEST_F(ArchiveFilesTest, SearchesListPseudoItemsThenEntries) {
  PutTree();
  EXPECT_EQ(ListNames("data\\*"), (std::vector<std::string>{".", "BMP", "Read Me.txt", "EMPTY", "ZERO.DAT"}));
  std::vector<FileFindInfo> infos;
  EXPECT_EQ(ListNames("data\\bmp\\*", &infos), (std::vector<std::string>{".", "..", "A.BMP", "B.BMP", "SUB"}));
  EXPECT_EQ(infos[0].isDirectory, 1);
  EXPECT_EQ(infos[1].isDirectory, 1);
  EXPECT_EQ(infos[1].lastWriteTime.year, 0);
  EXPECT_EQ(infos[2].isDirectory, 0);
  EXPECT_EQ(infos[2].sizeLow, 5000u);
  EXPECT_EQ(infos[2].sizeHigh, 0u);
  EXPECT_EQ(infos[2].creationTime.year, 2020);
  EXPECT_EQ(infos[2].creationTime.second, 0);
  EXPECT_EQ(infos[2].lastWriteTime.minute, 1);
  EXPECT_EQ(infos[2].lastWriteTime.second, 1);
  EXPECT_EQ(infos[4].isDirectory, 1);
  EXPECT_EQ(ListNames("data\\bmp\\*.bmp"), (std::vector<std::string>{"A.BMP", "B.BMP"}));
  EXPECT_EQ(ListNames("data\\bmp\\sub\\*"), (std::vector<std::string>{".", "..", "Deep.bin"}));
  EXPECT_EQ(ListNames("data\\empty\\*"), (std::vector<std::string>{".", ".."}));
  EXPECT_EQ(ListNames("data\\r*"), (std::vector<std::string>{"Read Me.txt"}));
  EXPECT_EQ(ListNames("data\\*.none"), (std::vector<std::string>{"<none>"}));
  EXPECT_EQ(ListNames("data\\nofolder\\*"), (std::vector<std::string>{"<none>"}));
  EXPECT_EQ(ReferencesOf("DATA.ZVA"), 0);
  Put("plain/x.txt", "x");
  EXPECT_EQ(ListNames("plain\\*.txt"), (std::vector<std::string>{"x.txt"}));
}

TEST_F(ArchiveFilesTest, MemoryModeServesEntriesFromTheImage) {
  PutTree();
  char path[260];
  ASSERT_EQ(NormalisePath("data.zva", path), 0);
  for (int asyncLoad : {0, 1}) {
    int slot = OpenArchive(path, -1, 1, asyncLoad);
    ASSERT_GE(slot, 0);
    EXPECT_NE(g_archiveTables.archives[slot]->archive->image, nullptr);
    EXPECT_EQ(ReadPath("data\\bmp\\a.bmp", 1), Pattern(5000, 3));
    EXPECT_EQ(ReadPath("data\\read me.txt"), BytesOf("readme\r\n"));
    ReleaseArchive(slot);
    EXPECT_EQ(FreeUnusedArchives(), 1);
  }
}

TEST_F(ArchiveFilesTest, KeyStringSettingSelectsTheKey) {
  ZvaOptions keyed;
  keyed.keyString = "secret";
  Put("DATA.ZVA", BuildZva(Tree(true), keyed));
  EXPECT_EQ(FileOpen("data\\bmp\\a.bmp", 0, 1, 0), 0);   // neither the fixed key nor the fallback fits
  std::strcpy(g_archiveSettings.keyString, "secret");
  g_archiveSettings.keySet = 1;
  EXPECT_EQ(ReadPath("data\\bmp\\a.bmp"), Pattern(5000, 3));
}

TEST_F(ArchiveFilesTest, NormalisedPaths) {
  char cwd[260];
  pf::GetCurrentDirectory(sizeof cwd, cwd);
  std::string base = cwd;
  std::transform(base.begin(), base.end(), base.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
  struct Case { const char* path; std::string expected; };
  const Case cases[] = {
      {"a\\b.txt", base + "\\A\\B.TXT"},
      {"a/./b/../c", base + "\\A\\C"},
      {"", base},
      {"\\x\\y", "Z:\\X\\Y"},
      {"c:\\x", "C:\\X"},
      {"c:x", "C:\\X"},
      {"c:\\..\\..\\x", "C:\\X"},
      {"\\\\server\\share\\f", "\\\\SERVER\\SHARE\\F"},
      {"\x88\x61\\\x95\x5C", base + "\\\x88\x61\\\x95\x5C"},
  };
  for (const Case& c : cases) {
    char out[260];
    EXPECT_EQ(NormalisePath(c.path, out), 0) << c.path;
    EXPECT_EQ(std::string(out), c.expected) << c.path;
  }
  std::string deep = "x";
  while (deep.size() < 300) deep += "\\sub";
  char out[260];
  EXPECT_EQ(NormalisePath(deep.c_str(), out), -1);
  EXPECT_EQ(FileOpen(deep.c_str(), 0, 1, 0), 0);
}

TEST_F(ArchiveFilesTest, FolderWalksInsideAnOpenArchive) {
  PutTree();
  Archive* a = OpenArchiveFile("DATA.ZVA", nullptr, 0, 0);
  ASSERT_NE(a, nullptr);
  ArchiveFileEntry entry;
  EXPECT_EQ(FindArchiveDirEntry(a, "BMP\\SUB\\DEEP.BIN", &entry), 0);
  EXPECT_EQ(entry.size, 300u);
  EXPECT_EQ(FindArchiveDirEntry(a, "BMP\\SUB", &entry), -1);
  EXPECT_EQ(FindArchiveDirEntry(a, "BMP", &entry), -1);
  EXPECT_EQ(a->currentDir, 0u);

  EXPECT_EQ(ChangeArchiveDir(a, "BMP\\SUB", 0, nullptr), 0);
  std::uint32_t sub = a->currentDir;
  EXPECT_EQ(FindArchiveDirEntry(a, "DEEP.BIN", &entry), 0);
  EXPECT_EQ(FindArchiveDirEntry(a, "\\READ ME.TXT", &entry), 0);   // a leading backslash starts at the root
  EXPECT_EQ(a->currentDir, sub);
  ArchiveNameKey key;
  EXPECT_EQ(ChangeArchiveDir(a, "..\\NOPE", 1, &key), -1);   // ".." is special only alone
  EXPECT_EQ(a->currentDir, sub);
  EXPECT_EQ(ChangeArchiveDir(a, "NOPE\\X", 1, &key), -1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(key.bytes)), "NOPE");
  EXPECT_EQ(a->currentDir, sub);
  EXPECT_EQ(ChangeArchiveDir(a, ".", 0, nullptr), 0);
  EXPECT_EQ(a->currentDir, sub);
  EXPECT_EQ(ChangeArchiveDir(a, "..", 0, nullptr), 0);
  EXPECT_EQ(ChangeArchiveDir(a, "..", 0, nullptr), 0);
  EXPECT_EQ(a->currentDir, 0u);
  EXPECT_EQ(ChangeArchiveDir(a, "..", 0, nullptr), -1);   // no parent above the root
  EXPECT_EQ(ChangeArchiveDir(a, "bmp\\sub", 0, nullptr), 0);
  EXPECT_EQ(ChangeArchiveDir(a, "\\", 0, nullptr), 0);
  EXPECT_EQ(a->currentDir, 0u);
  CloseArchiveFile(a);
}

// ---------------------------------------------------------------- malformed archives

struct Damage {
  const char* name;
  void (*apply)(ZvaImage& image);
  bool archiveRefused;   // else the archive opens and only the damaged entry fails
};

const Damage kDamages[] = {
    {"WrongMagic", [](ZvaImage& i) { i.bytes[1] = 'W'; }, true},
    {"Version4", [](ZvaImage& i) { PutU16(i.bytes, 2, 4); }, true},
    {"BlockBeyondTheFile", [](ZvaImage& i) { PutU32(i.bytes, 4, i.layout.blockSize + 1); }, true},
    {"BlockOffsetBeyondTheFile", [](ZvaImage& i) { PutU32(i.bytes, 12, 0xFFFFFFF0u); }, true},
    {"HugeBlockSize", [](ZvaImage& i) { PutU32(i.bytes, 4, 0xFFFFFFC8u); }, true},
    {"FileTableOutsideTheBlock", [](ZvaImage& i) { PutU32(i.bytes, 16, i.layout.blockSize + 4); }, true},
    {"DirTableOutsideTheBlock", [](ZvaImage& i) { PutU32(i.bytes, 20, i.layout.blockSize - 8); }, true},
    {"TruncatedDirectory", [](ZvaImage& i) { i.bytes.erase(i.bytes.end() - 5, i.bytes.end()); }, true},
    {"EntryCountBeyondTheBlock", [](ZvaImage& i) { PutU32(i.bytes, i.layout.dirAt["BMP"] + 8, 0x10000000); }, true},
    {"FirstEntryOutsideTheBlock", [](ZvaImage& i) { PutU32(i.bytes, i.layout.dirAt[""] + 12, 0xFFFFFFF0u); }, true},
    {"NameOffsetOutsideTheBlock", [](ZvaImage& i) { PutU32(i.bytes, i.layout.entryAt["BMP\\B.BMP"], 0x7FFFFFFF); }, true},
    {"NameUnitsBeyondTheBlock", [](ZvaImage& i) { PutU16(i.bytes, i.layout.nameAt["BMP\\B.BMP"], 0xFFFF); }, true},
    {"NameKeyWithoutZero", [](ZvaImage& i) { i.bytes[i.layout.nameAt["BMP\\B.BMP"] + 4 + 5] = 'X'; i.bytes[i.layout.nameAt["BMP\\B.BMP"] + 4 + 6] = 'X'; i.bytes[i.layout.nameAt["BMP\\B.BMP"] + 4 + 7] = 'X'; }, true},
    {"NameWithoutTerminator", [](ZvaImage& i) {
       // A name record at the very end of the block, its stored name running into the end.
       std::uint32_t at = static_cast<std::uint32_t>(i.bytes.size()) - i.layout.blockOffset;
       std::vector<std::uint8_t> record = {1, 0, 'X', 0, 'X', 0, 0, 0, 'X', 'Y', 'Z'};
       i.bytes.insert(i.bytes.end(), record.begin(), record.end());
       PutU32(i.bytes, 4, i.layout.blockSize + static_cast<std::uint32_t>(record.size()));
       PutU32(i.bytes, i.layout.entryAt["BMP\\B.BMP"], at); }, true},
    {"FolderLoopToTheRoot", [](ZvaImage& i) { PutU32(i.bytes, i.layout.entryAt["BMP\\SUB"] + 32, 0); }, true},
    {"FolderLoopToItself", [](ZvaImage& i) {
       PutU32(i.bytes, i.layout.entryAt["BMP\\SUB"] + 32, i.layout.dirAt["BMP"] - i.layout.dirTable); }, true},
    {"FolderRecordOutsideTheBlock", [](ZvaImage& i) { PutU32(i.bytes, i.layout.entryAt["BMP\\SUB"] + 32, 0x00FFFFFF); }, true},
    {"ParentOutsideTheBlock", [](ZvaImage& i) { PutU32(i.bytes, i.layout.dirAt["BMP"] + 4, 0x00FFFFFF); }, true},
    {"DataBeyondTheFile", [](ZvaImage& i) { PutU32(i.bytes, i.layout.entryAt["BMP\\B.BMP"] + 32, 0x7FFFFF00); }, false},
    {"CompressedSizeBeyondTheFile", [](ZvaImage& i) { PutU32(i.bytes, i.layout.entryAt["BMP\\B.BMP"] + 40, 0x7FFFFF00); }, false},
    {"CompressedBlockBelowItsHeader", [](ZvaImage& i) { PutU32(i.bytes, i.layout.entryAt["BMP\\B.BMP"] + 40, 4); }, false},
    {"BlockClaimsMoreThanTheEntry", [](ZvaImage& i) { PutU32(i.bytes, i.layout.dataAt["BMP\\B.BMP"], 100000); }, false},
    {"BlockLongerThanItsEntry", [](ZvaImage& i) {
       PutU32(i.bytes, i.layout.dataAt["BMP\\B.BMP"] + 4, GetU32(i.bytes, i.layout.entryAt["BMP\\B.BMP"] + 40) + 1); }, false},
    {"TokensRunPastTheOutput", [](ZvaImage& i) { PutU32(i.bytes, i.layout.entryAt["BMP\\B.BMP"] + 36, 3); }, false},
};

class MalformedArchiveTest : public FileLayerTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(MalformedArchiveTest, RefusedOrFailingWithoutStrayReads) {
  ZvaImage image = BuildZvaImage(Tree(true), ZvaOptions{});
  GetParam().apply(image);
  Put("DATA.ZVA", ScrambleZva(image.bytes, ZvaOptions{}));
  Put("data/bmp/b.bmp", "loose b");
  Archive* direct = OpenArchiveFile("DATA.ZVA", nullptr, 0, 0);
  EXPECT_EQ(direct == nullptr, GetParam().archiveRefused);
  CloseArchiveFile(direct);
  if (GetParam().archiveRefused) {
    // Not an archive: the folder of the same name serves the path.
    EXPECT_EQ(ReadPath("data\\bmp\\b.bmp"), BytesOf("loose b"));
    EXPECT_EQ(g_archiveTables.archiveCount, 0);
  } else {
    EXPECT_EQ(FileOpen("data\\bmp\\b.bmp", 0, 1, 0), 0);
    EXPECT_EQ(ReadPath("data\\bmp\\a.bmp"), Pattern(5000, 3));
    EXPECT_EQ(ReferencesOf("DATA.ZVA"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Damages, MalformedArchiveTest, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ArchiveFilesTest, DamagedBlockFoundOnlyAfterAnAsynchronousReadLeavesAnEmptyEntry) {
  ZvaImage image = BuildZvaImage(Tree(true), ZvaOptions{});
  PutU32(image.bytes, image.layout.dataAt["BMP\\B.BMP"], 100000);
  Put("DATA.ZVA", ScrambleZva(image.bytes, ZvaOptions{}));
  FileHandle f = FileOpen("data\\bmp\\b.bmp", 0, 1, 1);
  ASSERT_NE(f, 0);
  EXPECT_EQ(ReadWhole(f, 1), std::vector<std::uint8_t>{});
  EXPECT_EQ(FileEof(f), -1);
  EXPECT_EQ(FileClose(f), 0);
}

}  // namespace
}  // namespace zelvo_test

namespace zelvo_test {
namespace {

using namespace zelvo;

class ArchiveTableTest : public FileLayerTest {};

TEST_F(ArchiveTableTest, AFullTableDropsUnusedArchivesAndRefusesWhenAllAreHeld) {
  const std::vector<std::uint8_t> archive = BuildZva({{"F.TXT", BytesOf("f")}}, ZvaOptions{});
  for (int i = 0; i <= kMaxOpenArchives; ++i) Put("A" + std::to_string(i) + ".ZVA", archive);
  Put("a512/f.txt", "loose");
  // Every archive stays open as a cache once its file is closed.
  for (int i = 0; i < kMaxOpenArchives; ++i) {
    ASSERT_EQ(ReadPath(("a" + std::to_string(i) + "\\f.txt").c_str()), BytesOf("f")) << i;
  }
  EXPECT_EQ(g_archiveTables.archiveCount, kMaxOpenArchives);
  EXPECT_EQ(ReadPath("a512\\f.txt"), BytesOf("f"));
  EXPECT_EQ(g_archiveTables.archiveCount, 1);

  // Searches hold their archives: with all 512 held, the next archive cannot open and the path
  // is served from the disk.
  ResetArchiveState();
  std::vector<FindHandle> searches;
  for (int i = 0; i < kMaxOpenArchives; ++i) {
    FileFindInfo info;
    searches.push_back(g_fileOps.findFirst(("a" + std::to_string(i) + "\\*").c_str(), &info));
    ASSERT_NE(searches.back(), -1) << i;
  }
  EXPECT_EQ(ReadPath("a512\\f.txt"), BytesOf("loose"));
  for (FindHandle s : searches) EXPECT_EQ(g_fileOps.findClose(s), 0);
  EXPECT_EQ(ReadPath("a512\\f.txt"), BytesOf("f"));
}

}  // namespace
}  // namespace zelvo_test
