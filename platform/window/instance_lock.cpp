// The single-instance lock: an advisory lock on a file in the user's runtime folder
// (XDG_RUNTIME_DIR, or a folder of the user's own in the system temporary folder) whose name is the
// hex of the CP932 name, so any name maps to a valid file name and each user has copies of their
// own. The kernel drops the lock when the process ends, however it ends. The holder removes the
// file when it lets go, so names do not pile up; a taker therefore checks that the file it locked
// is still the one under the name, since a releasing holder may have unlinked it in between.
#include "platform/kernel/kernel_testing.h"
#include "platform/window/window.h"
#include "platform/window/window_testing.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf {
namespace {

int lockFile = -1;
std::string lockPath;

// Tries again a few times when the name was unlinked under a fresh lock; beyond that the name is
// being churned by other processes and taking it fails.
constexpr int kLockAttempts = 8;

// A folder only this user can write: another user can neither take nor block the user's lock.
bool OwnPrivateFolder(const std::string& folder) {
  struct stat info {};
  return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & 022) == 0;
}

std::string RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && OwnPrivateFolder(runtime)) return runtime;
  const std::string folder = "/tmp/zelvo-" + std::to_string(geteuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

std::string LockPathFor(const char* name) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const char* p = name; *p != '\0' && hex.size() < 200; ++p) {
    auto byte = static_cast<unsigned char>(*p);
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return RuntimeFolder() + "/zelvo-instance-" + hex + ".lock";
}

}  // namespace

namespace testing {

std::string InstanceLockPath(const char* name) { return LockPathFor(name); }

}  // namespace testing

int AcquireInstanceLock(const char* name) {
  if (name == nullptr || testing::ShouldFail("AcquireInstanceLock")) return -1;
  ReleaseInstanceLock();
  const std::string path = LockPathFor(name);
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      close(fd);
      return error == EWOULDBLOCK ? 0 : -1;
    }
    struct stat locked {};
    struct stat named {};
    if (fstat(fd, &locked) == 0 && stat(path.c_str(), &named) == 0 && locked.st_dev == named.st_dev &&
        locked.st_ino == named.st_ino) {
      lockFile = fd;
      lockPath = path;
      return 1;
    }
    close(fd);
  }
  return -1;
}

void ReleaseInstanceLock() {
  if (lockFile >= 0) {
    // Unlinked while still held, so no taker can lock this file and believe it owns the name.
    unlink(lockPath.c_str());
    close(lockFile);
    lockFile = -1;
    lockPath.clear();
  }
}

}  // namespace pf
