// Files are opened only when they are regular files. Opening a FIFO waits for a writer and a
// device may wait for its line; either would hang a caller that holds the library lock.
#include "platform/kernel/host_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::host_paths {

int OpenRegularFile(const std::string& hostPath, int flags) {
  const int fd = open(hostPath.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat info {};
  const int status = fcntl(fd, F_GETFL);
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || status < 0 ||
      fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace pf::host_paths
