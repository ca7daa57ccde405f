// The single-instance lock: an advisory lock on a file in the system temporary folder whose name is
// the hex of the CP932 name, so any name maps to a valid file name. The kernel drops the lock when
// the process ends, however it ends.
#include "platform/kernel/kernel_testing.h"
#include "platform/window/window.h"
#include "platform/window/window_testing.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace pf {
namespace {

int lockFile = -1;

std::string LockPathFor(const char* name) {
  static const char kHex[] = "0123456789abcdef";
  std::string path = "/tmp/zelvo-instance-";
  for (const char* p = name; *p != '\0' && path.size() < 200; ++p) {
    auto byte = static_cast<unsigned char>(*p);
    path += kHex[byte >> 4];
    path += kHex[byte & 15];
  }
  return path + ".lock";
}

}  // namespace

namespace testing {

std::string InstanceLockPath(const char* name) { return LockPathFor(name); }

}  // namespace testing

int AcquireInstanceLock(const char* name) {
  if (name == nullptr || testing::ShouldFail("AcquireInstanceLock")) return -1;
  ReleaseInstanceLock();
  int fd = open(LockPathFor(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? 0 : -1;
  }
  lockFile = fd;
  return 1;
}

void ReleaseInstanceLock() {
  if (lockFile >= 0) {
    close(lockFile);
    lockFile = -1;
  }
}

}  // namespace pf
