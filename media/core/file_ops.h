#pragma once
// The replaceable table of twelve file operations through which every file of the library is opened,
// loose or inside an archive; the two stream-operation tables; memory streams.
#include <cstdint>

namespace zelvo {

// A file handle of the table: 0 means no file. The archive-aware set returns slot | 0xF0000000;
// the direct set returns its record's address, hence pointer width.
using FileHandle = std::intptr_t;
// A search handle of the table: -1 means nothing matched.
using FindHandle = std::intptr_t;

struct FileDateTime {
  std::int32_t year, month, day, hour, minute, second;
};

struct FileFindInfo {
  char name[260];
  std::int32_t isDirectory;
  std::uint32_t sizeLow;
  std::uint32_t sizeHigh;
  FileDateTime creationTime;
  FileDateTime lastWriteTime;
};

struct FileOpsTable {
  FileHandle (*open)(const char* path, int cacheFlag, int unused, int asyncFlag);
  int (*close)(FileHandle file);
  std::int32_t (*tell)(FileHandle file);
  int (*seek)(FileHandle file, std::int32_t offset, int origin);
  int (*read)(void* buffer, int size, int count, FileHandle file);
  int (*eof)(FileHandle file);
  int (*idle)(FileHandle file);
  int (*chdir)(const char* path);
  int (*getcwd)(char* buffer);
  FindHandle (*findFirst)(const char* pattern, FileFindInfo* out);
  int (*findNext)(FindHandle search, FileFindInfo* out);
  int (*findClose)(FindHandle search);
};

// The table in force. It holds the archive-aware set from program load on, so files can be read
// before the library is started; start-up installs it again.
extern FileOpsTable g_fileOps;
int SetupFileOpsTable(const FileOpsTable* table);
extern int g_directFileOption;   // 1 selects the direct set at SetupFileOpsTable(nullptr)

FileHandle FileOpen(const char* path, int cacheFlag, int unused, int asyncFlag);
int FileClose(FileHandle file);
std::int32_t FileTell(FileHandle file);
int FileSeek(FileHandle file, std::int32_t offset, int origin);
int FileRead(void* buffer, int size, int count, FileHandle file);
int FileEof(FileHandle file);
int FileIdleCheck(FileHandle file);
int FileChdir(const char* path);
int FileGetcwd(char* buffer);

// Stream operations over a data word (a FileHandle or a MemoryStream*).
struct StreamOpsTable {
  std::int32_t (*tell)(void* data);
  int (*seek)(void* data, std::int32_t offset, int origin);
  int (*read)(void* buffer, int size, int count, void* data);
  int (*eof)(void* data);
  int (*idle)(void* data);
  int (*close)(void* data);
};

struct StreamReaderBlock {
  StreamOpsTable ops;
  void* data;
};

const StreamOpsTable* FileStreamOpsTable();
const StreamOpsTable* MemoryStreamOpsTable();
void FillStreamOpsTables();   // start-up step

struct MemoryStream {
  const void* data;   // not owned
  std::int32_t size;
  std::int32_t position;
  std::int32_t endFlag;
};
MemoryStream* CreateMemoryStream(const void* data, std::int32_t size);
int CloseMemoryStream(MemoryStream* stream);
std::int32_t MemoryStreamTell(MemoryStream* stream);
int MemoryStreamSeek(MemoryStream* stream, std::int32_t offset, int origin);
int MemoryStreamRead(void* buffer, int size, int count, MemoryStream* stream);
int MemoryStreamWrite(const void* data, int size, int count, MemoryStream* stream);
int MemoryStreamEof(MemoryStream* stream);
int MemoryStreamIdle(MemoryStream* stream);

int FilePositionAtEnd(FileHandle file);
int FileReadByte(FileHandle file);

// A platform file time (100 ns units since 1601, UTC) as local calendar fields.
void FileTimeToDateTime(std::uint64_t fileTime, FileDateTime* out);
// Skips line feeds, carriage returns and spaces; the first other byte is left to be read next.
// *endFlag is set when the end of the file was reached.
void SkipStreamBlanks(FileHandle file, int* endFlag);

// The file and stream tables and the direct-file option as at process start.
void ResetFileOpsState();

}  // namespace zelvo
