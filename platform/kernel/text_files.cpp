// CRT-style files. In text mode "\n" is written as CR LF and CR LF reads back as "\n". A file
// opened with "w" is written to a new file beside the target, flushed to disk and renamed over the
// target when closed, so the old contents stay whole until the new ones are safely stored.
#include "platform/kernel/host_paths.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pf {

struct TextFile {
  std::FILE* stream = nullptr;
  bool text = true;
  bool failed = false;          // a write went wrong: the replacement is not stored
  std::string replacementPath;  // the new file a "w" open writes, empty otherwise
  std::string targetPath;
};

namespace {

struct OpenMode {
  char kind = 0;   // 'r', 'w' or 'a'
  bool update = false;
  bool binary = false;
};

bool ParseMode(const char* mode, OpenMode* out) {
  if (mode == nullptr || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) return false;
  out->kind = mode[0];
  for (const char* c = mode + 1; *c != '\0'; ++c) {
    if (*c == '+') {
      out->update = true;
    } else if (*c == 'b') {
      out->binary = true;
    } else if (*c != 't') {
      return false;
    }
  }
  return true;
}

// The real file behind a target that is a symbolic link, so the rename replaces what it points to.
std::string ResolvedTarget(const std::string& host) {
  struct stat info {};
  if (lstat(host.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return host;
  char resolved[PATH_MAX];
  return realpath(host.c_str(), resolved) != nullptr ? std::string(resolved) : host;
}

// Creates the new file beside the target: "<folder>/.<name>.<pid>-<n>.new", with the name cut
// short so that a target of the longest allowed name still gets one.
int CreateReplacement(const std::string& target, std::string* path) {
  static std::atomic<std::uint32_t> serial{0};
  constexpr std::size_t kNameKept = 64;
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = (slash == std::string::npos ? target : target.substr(slash + 1)).substr(0, kNameKept);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *path = folder + "." + name + "." + std::to_string(getpid()) + "-" + std::to_string(serial.fetch_add(1)) + ".new";
    const int fd = open(path->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The process id in a replacement's name ".<name>.<pid>-<n>.new", or 0 when it is not one.
pid_t ReplacementOwner(const char* entry) {
  const std::size_t length = std::strlen(entry);
  constexpr std::size_t kSuffix = 4;   // ".new"
  if (entry[0] != '.' || length <= kSuffix || std::strcmp(entry + length - kSuffix, ".new") != 0) return 0;
  const std::string stem(entry, length - kSuffix);
  const std::size_t dash = stem.find_last_of('-');
  const std::size_t dot = stem.find_last_of('.', dash == std::string::npos ? 0 : dash);
  if (dash == std::string::npos || dot == std::string::npos || dot == 0 || dash == dot + 1 || dash + 1 == stem.size()) {
    return 0;
  }
  for (std::size_t i = dot + 1; i < stem.size(); ++i) {
    if (i != dash && (stem[i] < '0' || stem[i] > '9')) return 0;
  }
  const long pid = std::strtol(stem.c_str() + dot + 1, nullptr, 10);
  return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// A process killed while it wrote a file leaves its replacement behind for good: once a process
// writes into a folder, the replacements there of processes that no longer run are removed. A
// running process's replacement, or one whose owner cannot be told, is left alone.
void RemoveStaleReplacements(const std::string& target) {
  static std::mutex sweptMutex;
  static std::set<std::string> swept;
  const std::string folder = host_paths::FolderOf(target);
  {
    std::lock_guard<std::mutex> lock(sweptMutex);
    if (!swept.insert(folder).second) return;
  }
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const pid_t owner = ReplacementOwner(entry->d_name);
    if (owner == 0 || owner == getpid() || kill(owner, 0) == 0 || errno != ESRCH) continue;
    struct stat info {};
    if (fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
      unlinkat(dirfd(listing), entry->d_name, 0);
    }
  }
  closedir(listing);
}

std::FILE* OpenReplacement(TextFile* file, const OpenMode& mode) {
  RemoveStaleReplacements(file->targetPath);
  struct stat info {};
  const bool replacing = stat(file->targetPath.c_str(), &info) == 0;
  if (replacing && (!S_ISREG(info.st_mode) || access(file->targetPath.c_str(), W_OK) != 0)) return nullptr;
  const int fd = CreateReplacement(file->targetPath, &file->replacementPath);
  if (fd < 0) return nullptr;
  if (replacing) fchmod(fd, info.st_mode & 07777);  // the file keeps its permissions, as with truncation
  std::FILE* stream = fdopen(fd, mode.update ? "w+" : "w");
  if (stream == nullptr) {
    close(fd);
    unlink(file->replacementPath.c_str());
  }
  return stream;
}

std::FILE* OpenInPlace(const TextFile& file, const OpenMode& mode) {
  int flags = mode.update ? O_RDWR : (mode.kind == 'r' ? O_RDONLY : O_WRONLY);
  if (mode.kind == 'a') flags |= O_CREAT | O_APPEND;
  const int fd = host_paths::OpenRegularFile(file.targetPath, flags);
  if (fd < 0) return nullptr;
  const char streamMode[3] = {mode.kind, mode.update ? '+' : '\0', '\0'};
  std::FILE* stream = fdopen(fd, streamMode);
  if (stream == nullptr) close(fd);
  return stream;
}

bool WriteRaw(TextFile* file, const char* data, std::size_t size) {
  if (size == 0) return true;
  if (testing::ShouldFail("TextFileWrite") || std::fwrite(data, 1, size, file->stream) != size) {
    file->failed = true;
    return false;
  }
  return true;
}

// Writes bytes, turning each "\n" into CR LF in text mode.
bool WriteTranslated(TextFile* file, const char* data, std::size_t size) {
  if (!file->text) return WriteRaw(file, data, size);
  std::size_t start = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] != '\n') continue;
    if (!WriteRaw(file, data + start, i - start) || !WriteRaw(file, "\r\n", 2)) return false;
    start = i + 1;
  }
  return WriteRaw(file, data + start, size - start);
}

// Drops a replacement that could not be stored; the target keeps its old contents.
int Discard(TextFile* file) {
  if (file->stream != nullptr) std::fclose(file->stream);
  unlink(file->replacementPath.c_str());
  delete file;
  return -1;
}

void SyncFolder(const std::string& path) {
  const int fd = open(host_paths::FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

TextFile* TextFileOpen(const char* path, const char* mode) {
  OpenMode parsed;
  if (!ParseMode(mode, &parsed) || testing::ShouldFail("TextFileOpen")) return nullptr;
  const std::string host = MapPathToHost(path);
  if (host.empty()) return nullptr;
  auto* file = new TextFile;
  file->text = !parsed.binary;
  file->targetPath = ResolvedTarget(host);
  file->stream = parsed.kind == 'w' ? OpenReplacement(file, parsed) : OpenInPlace(*file, parsed);
  if (file->stream == nullptr) {
    delete file;
    return nullptr;
  }
  if (parsed.kind != 'r') host_paths::ForgetFolderListings();
  return file;
}

int TextFileClose(TextFile* file) {
  if (file == nullptr) return -1;
  if (file->replacementPath.empty()) {
    const bool writeFailed = file->failed || std::ferror(file->stream) != 0;
    const int closed = std::fclose(file->stream);
    delete file;
    return writeFailed || closed != 0 ? -1 : 0;
  }
  if (file->failed || std::fflush(file->stream) != 0 || std::ferror(file->stream) != 0 ||
      testing::ShouldFail("FlushFileBuffers") || fsync(fileno(file->stream)) != 0) {
    return Discard(file);
  }
  const int closed = std::fclose(file->stream);
  file->stream = nullptr;
  if (closed != 0 || rename(file->replacementPath.c_str(), file->targetPath.c_str()) != 0) {
    return Discard(file);
  }
  SyncFolder(file->targetPath);
  host_paths::ForgetFolderListings();
  delete file;
  return 0;
}

int TextFilePuts(const char* text, TextFile* file) {
  if (file == nullptr || text == nullptr) return -1;
  return WriteTranslated(file, text, std::strlen(text)) ? 0 : -1;
}

int TextFilePrintf(TextFile* file, const char* format, ...) {
  if (file == nullptr || format == nullptr) return -1;
  char small[512];
  std::va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(small, sizeof(small), format, args);
  va_end(args);
  if (length < 0) return -1;
  if (static_cast<std::size_t>(length) < sizeof(small)) {
    return WriteTranslated(file, small, static_cast<std::size_t>(length)) ? length : -1;
  }
  std::string large(static_cast<std::size_t>(length) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(large.data(), large.size(), format, args);
  va_end(args);
  return WriteTranslated(file, large.data(), static_cast<std::size_t>(length)) ? length : -1;
}

int TextFileGetc(TextFile* file) {
  if (file == nullptr) return -1;
  const int c = std::getc(file->stream);
  if (c == EOF) return -1;
  if (c != '\r' || !file->text) return c;
  const int next = std::getc(file->stream);
  if (next == '\n') return '\n';
  if (next != EOF) std::ungetc(next, file->stream);
  return '\r';
}

char* TextFileGets(char* buffer, int size, TextFile* file) {
  if (file == nullptr || buffer == nullptr || size <= 0) return nullptr;
  int used = 0;
  while (used < size - 1) {
    const int c = TextFileGetc(file);
    if (c < 0) break;
    buffer[used++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[used] = '\0';
  return used == 0 ? nullptr : buffer;
}

std::size_t TextFileRead(void* buffer, std::size_t size, std::size_t count, TextFile* file) {
  if (file == nullptr || buffer == nullptr || size == 0 || count == 0) return 0;
  if (!file->text) return std::fread(buffer, size, count, file->stream);
  auto* out = static_cast<unsigned char*>(buffer);
  const std::size_t wanted = size * count;
  std::size_t got = 0;
  while (got < wanted) {
    const int c = TextFileGetc(file);
    if (c < 0) break;
    out[got++] = static_cast<unsigned char>(c);
  }
  return got / size;
}

std::size_t TextFileWrite(const void* buffer, std::size_t size, std::size_t count, TextFile* file) {
  if (file == nullptr || buffer == nullptr || size == 0 || count == 0) return 0;
  return WriteTranslated(file, static_cast<const char*>(buffer), size * count) ? count : 0;
}

}  // namespace pf
