#pragma once
// A started library for the network tests, on the loopback address only. The test holds the
// library lock as the program would; waiting is pumping the message loop until a condition holds,
// bounded in passes and in time. Peers that must misbehave are plain sockets of the test.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "support/library_fixture.h"
#include "media/core/library_lock.h"
#include "media/core/log.h"
#include "media/core/network_layer.h"
#include "platform/testing.h"

namespace zelvo_test {

inline std::uint32_t LoopbackAddress() {
  const unsigned char bytes[4] = {127, 0, 0, 1};
  std::uint32_t value;
  std::memcpy(&value, bytes, 4);
  return value;
}

// Real time in milliseconds (the library's own clock is virtual in tests).
inline long long RealMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

inline std::vector<char> PatternBytes(std::size_t n, unsigned seed) {
  std::vector<char> bytes(n);
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<char>(x >> 24);
  }
  return bytes;
}

// A plain socket of the test: blocking calls with a time limit.
class RawPeer {
 public:
  RawPeer() = default;
  explicit RawPeer(int fd) : fd_(fd) {}
  RawPeer(RawPeer&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  RawPeer& operator=(RawPeer&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  ~RawPeer() { Close(); }

  static RawPeer Connect(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      ::close(fd);
      fd = -1;
    }
    return RawPeer(fd);
  }
  // A listener on an ephemeral loopback port.
  static RawPeer Listen(int* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length) != 0) {
      ::close(fd);
      return RawPeer();
    }
    *port = ntohs(at.sin_port);
    return RawPeer(fd);
  }
  RawPeer Accept(int waitMs = 10000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) != 1) return RawPeer();
    return RawPeer(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
  }

  bool Valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void NoDelay() {
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  bool SendAll(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      ssize_t sent = ::send(fd_, p, n, MSG_NOSIGNAL);
      if (sent <= 0) return false;
      p += sent;
      n -= static_cast<std::size_t>(sent);
    }
    return true;
  }
  bool SendFrame(std::int32_t length, const void* data, std::size_t n) {
    unsigned char prefix[4];
    for (int i = 0; i < 4; ++i) prefix[i] = static_cast<unsigned char>(static_cast<std::uint32_t>(length) >> (8 * i));
    return SendAll(prefix, 4) && SendAll(data, n);
  }
  // Exactly n bytes, or fewer when the peer closed or the time ran out.
  std::string Receive(std::size_t n, int waitMs = 10000) {
    std::string out;
    char buffer[65536];
    const long long deadline = RealMilliseconds() + waitMs;
    while (out.size() < n && RealMilliseconds() < deadline) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 100) != 1) continue;
      ssize_t got = ::recv(fd_, buffer, std::min(sizeof buffer, n - out.size()), 0);
      if (got <= 0) break;
      out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
  }
  // True once the peer has closed (an end of stream or a reset) within the time.
  bool SeesClose(int waitMs = 10000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) != 1) return false;
    char byte;
    return ::recv(fd_, &byte, 1, MSG_DONTWAIT) <= 0;
  }
  void Reset() {
    linger abort{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Close();
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

class NetworkTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
    lock_.emplace();
  }
  void TearDown() override {
    pf::testing::ClearFaults();
    pf::testing::LimitSendSize(0);
    pf::testing::ResetNextConnectionAfter(-1);
    zelvo::SetNetWorkPacketMode(1);
    zelvo::SetNetWorkAutoClose(1);
    lock_.reset();
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }

  // Pumps until the condition holds: at most `passes` passes and 20 s.
  template <class Condition>
  bool PumpUntil(Condition done, int passes = 2000000) {
    const long long deadline = RealMilliseconds() + 20000;
    for (int pass = 0; pass < passes; ++pass) {
      if (done()) return true;
      PumpMessages();
      if ((pass & 63) == 0 && RealMilliseconds() > deadline) break;
    }
    return done();
  }

  int Listen() {
    const int port = zelvo::StartListenNetWork(LoopbackAddress(), 0);
    EXPECT_GT(port, 0);
    return port;
  }
  int NextAccepted() {
    int handle = -1;
    PumpUntil([&] { return (handle = zelvo::GetNewAcceptNetWork()) != -1; });
    return handle;
  }
  // Pumps until `n` bytes of complete packets wait on the connection.
  bool WaitForData(int handle, int n) {
    return PumpUntil([&] { return zelvo::GetNetWorkDataLength(handle) >= n; });
  }

  std::optional<zelvo::LibraryLockGuard> lock_;
};

}  // namespace zelvo_test
