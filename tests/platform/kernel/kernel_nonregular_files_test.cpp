// Paths that are not regular files (a FIFO, a device, a socket, a folder) are refused by every
// open, at once: an open of a FIFO must never wait for a writer.
#include "platform/kernel/kernel.h"
#include "support/test_paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

// Should an open wait on the FIFO after all, this opens its other end after a while, so the test
// fails on its time instead of hanging.
class FifoRescue {
 public:
  explicit FifoRescue(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}
  ~FifoRescue() {
    done_ = true;
    thread_.join();
  }

 private:
  void Run() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done_ && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    while (!done_) {
      const int fd = open(path_.c_str(), O_RDWR | O_NONBLOCK);
      if (fd >= 0) close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  std::string path_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

class KernelSpecialFiles : public zelvo_test::ScratchFolderTest {};

TEST_F(KernelSpecialFiles, OnlyRegularFilesOpen) {
  ASSERT_EQ(mkfifo((root_ + "/pipe").c_str(), 0666), 0);
  ASSERT_EQ(mkdir((root_ + "/folder").c_str(), 0777), 0);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = root_ + "/socket";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string device = pf::HostPathToWindows("/dev/zero");

  const std::uint32_t accesses[] = {pf::kGenericRead, pf::kGenericWrite, pf::kGenericRead | pf::kGenericWrite};
  const std::uint32_t dispositions[] = {pf::kOpenExisting, pf::kOpenAlways, pf::kTruncateExisting};
  FifoRescue rescue(root_ + "/pipe");
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : {std::string("pipe"), std::string("folder"), std::string("socket"), device}) {
    SCOPED_TRACE(path);
    for (std::uint32_t disposition : dispositions) {
      for (std::uint32_t access : accesses) {
        EXPECT_EQ(pf::CreateFile(path.c_str(), access, pf::kShareRead, disposition), pf::kInvalidHandle)
            << disposition << " " << access;
      }
    }
    for (const char* mode : {"r", "rb", "r+", "a", "ab+", "w", "wb"}) {
      pf::TextFile* file = pf::TextFileOpen(path.c_str(), mode);
      EXPECT_EQ(file, nullptr) << mode;
      if (file != nullptr) pf::TextFileClose(file);
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  close(listener);
  // The FIFO is still a FIFO: nothing replaced it with a file.
  struct stat info {};
  ASSERT_EQ(stat((root_ + "/pipe").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

}  // namespace
