// Files and folders: CreateFile and the calls on file handles, delete, rename, folders, attributes.
// Share modes are recorded only: POSIX has no mandatory sharing.
#include "platform/kernel/host_paths.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/kernel_testing.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf {
namespace {

struct FileObject : KernelObject {
  FileObject(int descriptor, std::uint32_t accessRights, std::uint32_t shareMode)
      : KernelObject(ObjectKind::kFile), fd(descriptor), access(accessRights), share(shareMode) {}
  ~FileObject() override { close(fd); }
  const int fd;
  const std::uint32_t access;
  const std::uint32_t share;
};

std::shared_ptr<FileObject> FindFile(Handle handle) {
  return kernel_objects::FindAs<FileObject>(handle, ObjectKind::kFile);
}

// open() flags for a disposition, or -1 for one the platform does not know.
int DispositionFlags(std::uint32_t disposition) {
  switch (disposition) {
    case kCreateNew: return O_CREAT | O_EXCL;
    case kCreateAlways: return O_CREAT | O_TRUNC;
    case kOpenExisting: return 0;
    case kOpenAlways: return O_CREAT;
    case kTruncateExisting: return O_TRUNC;
    default: return -1;
  }
}

int AccessFlags(std::uint32_t access) {
  const bool read = (access & kGenericRead) != 0;
  const bool write = (access & kGenericWrite) != 0;
  return write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
}

}  // namespace

Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t share, std::uint32_t disposition) {
  const int disposal = DispositionFlags(disposition);
  if (disposal < 0 || testing::ShouldFail("CreateFile")) return kInvalidHandle;
  if (disposition == kTruncateExisting && (access & kGenericWrite) == 0) return kInvalidHandle;
  const std::string host = MapPathToHost(path);
  if (host.empty()) return kInvalidHandle;
  const int fd = host_paths::OpenRegularFile(host, AccessFlags(access) | disposal);
  if ((disposal & O_CREAT) != 0) host_paths::ForgetFolderListings();
  if (fd < 0) return kInvalidHandle;
  return kernel_objects::Register(std::make_shared<FileObject>(fd, access, share));
}

bool ReadFile(Handle handle, void* buffer, std::uint32_t bytes, std::uint32_t* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  auto file = FindFile(handle);
  if (file == nullptr || (file->access & kGenericRead) == 0 || (buffer == nullptr && bytes > 0)) return false;
  if (testing::ShouldFail("ReadFile")) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  std::uint32_t done = 0;
  while (done < bytes) {
    const ssize_t got = read(file->fd, out + done, bytes - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (bytesRead != nullptr) *bytesRead = done;
      return false;
    }
    if (got == 0) break;  // end of file: success with fewer bytes
    done += static_cast<std::uint32_t>(got);
  }
  if (bytesRead != nullptr) *bytesRead = done;
  return true;
}

bool WriteFile(Handle handle, const void* buffer, std::uint32_t bytes, std::uint32_t* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  auto file = FindFile(handle);
  if (file == nullptr || (file->access & kGenericWrite) == 0 || (buffer == nullptr && bytes > 0)) return false;
  if (testing::ShouldFail("WriteFile")) return false;
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::uint32_t done = 0;
  while (done < bytes) {
    const ssize_t put = write(file->fd, in + done, bytes - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {  // a full disk: what was written stays, the call fails
      if (bytesWritten != nullptr) *bytesWritten = done;
      return false;
    }
    done += static_cast<std::uint32_t>(put);
  }
  if (bytesWritten != nullptr) *bytesWritten = done;
  return true;
}

std::uint32_t SetFilePointer(Handle handle, std::int32_t distance, std::uint32_t method) {
  auto file = FindFile(handle);
  if (file == nullptr) return kInvalidSetFilePointer;
  off_t base = 0;
  if (method == kFileCurrent) {
    base = lseek(file->fd, 0, SEEK_CUR);
  } else if (method == kFileEnd) {
    struct stat info {};
    base = fstat(file->fd, &info) == 0 ? info.st_size : -1;
  } else if (method != kFileBegin) {
    return kInvalidSetFilePointer;
  }
  if (base < 0) return kInvalidSetFilePointer;
  const off_t target = base + distance;
  if (target < 0 || lseek(file->fd, target, SEEK_SET) < 0) return kInvalidSetFilePointer;
  return static_cast<std::uint32_t>(target);
}

std::uint32_t GetFileSize(Handle handle, std::uint32_t* sizeHigh) {
  auto file = FindFile(handle);
  struct stat info {};
  if (file == nullptr || fstat(file->fd, &info) != 0) return 0xFFFFFFFFu;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<std::uint32_t>(size >> 32);
  return static_cast<std::uint32_t>(size);
}

bool FlushFileBuffers(Handle handle) {
  auto file = FindFile(handle);
  if (file == nullptr || (file->access & kGenericWrite) == 0) return false;
  return !testing::ShouldFail("FlushFileBuffers") && fsync(file->fd) == 0;
}

bool DeleteFile(const char* path) {
  if (testing::ShouldFail("DeleteFile")) return false;
  const std::string host = MapPathToHost(path);
  if (host.empty() || unlink(host.c_str()) != 0) return false;
  host_paths::ForgetFolderListings();
  return true;
}

bool CreateDirectory(const char* path) {
  if (testing::ShouldFail("CreateDirectory")) return false;
  const std::string host = MapPathToHost(path);
  if (host.empty() || mkdir(host.c_str(), 0777) != 0) return false;
  host_paths::ForgetFolderListings();
  return true;
}

bool RemoveDirectory(const char* path) {
  if (testing::ShouldFail("RemoveDirectory")) return false;
  const std::string host = MapPathToHost(path);
  if (host.empty() || rmdir(host.c_str()) != 0) return false;
  host_paths::ForgetFolderListings();
  return true;
}

bool MoveFileReplace(const char* from, const char* to) {
  if (testing::ShouldFail("MoveFileReplace")) return false;
  const std::string source = MapPathToHost(from);
  const std::string target = MapPathToHost(to);
  if (source.empty() || target.empty()) return false;
  struct stat info {};
  if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return false;  // never replaces a folder
  if (rename(source.c_str(), target.c_str()) != 0) return false;
  host_paths::ForgetFolderListings();
  return true;
}

std::uint32_t GetFileAttributes(const char* path) {
  const std::string host = MapPathToHost(path);
  struct stat info {};
  if (host.empty() || stat(host.c_str(), &info) != 0) return kInvalidFileAttributes;
  return S_ISDIR(info.st_mode) ? kAttributeDirectory : kAttributeNormal;
}

std::uint32_t GetCurrentDirectory(std::uint32_t size, char* buffer) {
  const std::string current = HostPathToWindows(host_paths::CurrentFolder());
  const auto length = static_cast<std::uint32_t>(current.size());
  if (buffer == nullptr || size <= length) return length + 1;
  current.copy(buffer, length);
  buffer[length] = '\0';
  return length;
}

bool SetCurrentDirectory(const char* path) {
  const std::string host = MapPathToHost(path);
  return !host.empty() && chdir(host.c_str()) == 0;
}

}  // namespace pf
