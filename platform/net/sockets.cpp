// Stream sockets over POSIX TCP: start-up, the last error, creation, connect, bind, listen,
// accept, send, receive and close.
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include "platform/kernel/kernel_testing.h"
#include "platform/net/net_internal.h"
#include "platform/net/net_testing.h"

namespace pf {
namespace net {

namespace {
thread_local int t_lastError = 0;
}  // namespace

SocketTable& Sockets() {
  static SocketTable* table = new SocketTable;
  return *table;
}

SocketRecord* Find(Socket socket) {
  auto& sockets = Sockets().sockets;
  auto it = sockets.find(socket);
  return it == sockets.end() ? nullptr : &it->second;
}

void SetLastError(int error) { t_lastError = error; }

int ErrorFromErrno(int error) {
  switch (error) {
    case EINTR: return WSAEINTR;
    case EFAULT: return WSAEFAULT;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EAGAIN:
    case EINPROGRESS: return WSAEWOULDBLOCK;
    case EALREADY: return WSAEALREADY;
    case EBADF:
    case ENOTSOCK: return WSAENOTSOCK;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETUNREACH: return WSAENETUNREACH;
    case ECONNABORTED: return WSAECONNABORTED;
    case EPIPE:
    case ECONNRESET: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
  }
}

}  // namespace net

using net::Find;
using net::SetLastError;
using net::SocketRecord;
using net::SocketState;

namespace {

// The table's mutex and the record of a usable socket, or the error set and nullptr.
struct Locked {
  std::unique_lock<std::mutex> lock{net::Sockets().mutex};
  SocketRecord* record = nullptr;
  explicit Locked(Socket socket) {
    if (net::Sockets().startups == 0) {
      SetLastError(WSANOTINITIALISED);
      return;
    }
    record = Find(socket);
    if (record == nullptr) SetLastError(WSAENOTSOCK);
  }
};

int FailWithErrno() {
  SetLastError(net::ErrorFromErrno(errno));
  return kSocketError;
}

bool ValidAddress(const SocketAddress* address, int length) {
  if (address == nullptr || length < static_cast<int>(sizeof(SocketAddress))) {
    SetLastError(WSAEFAULT);
    return false;
  }
  if (address->family != kAddressFamilyInet) {
    SetLastError(WSAEAFNOSUPPORT);
    return false;
  }
  return true;
}

sockaddr_in ToPosix(const SocketAddress& address) {
  sockaddr_in out{};
  out.sin_family = AF_INET;
  out.sin_port = address.port;
  std::memcpy(&out.sin_addr, address.address, 4);
  return out;
}

void FromPosix(const sockaddr_in& in, SocketAddress* out) {
  std::memset(out, 0, sizeof *out);
  out->family = kAddressFamilyInet;
  out->port = in.sin_port;
  std::memcpy(out->address, &in.sin_addr, 4);
}

Socket AddRecord(const SocketRecord& record) {
  net::SocketTable& table = net::Sockets();
  Socket socket = table.nextSocket;
  table.nextSocket += 4;
  table.sockets.emplace(socket, record);
  return socket;
}

}  // namespace

int WSAStartup(std::uint16_t requestedVersion, WsaData* out) {
  if (out == nullptr) return WSAEFAULT;
  if (testing::ShouldFail("WSAStartup")) return WSASYSNOTREADY;
  const int major = requestedVersion & 0xFF, minor = requestedVersion >> 8;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  std::memset(out, 0, sizeof *out);
  out->version = 0x0101;
  out->highVersion = 0x0101;
  std::strcpy(out->description, "WinSock 1.1 over POSIX sockets");
  std::strcpy(out->systemStatus, "Running");
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  ++net::Sockets().startups;
  return 0;
}

int WSACleanup() {
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  if (net::Sockets().startups == 0) {
    SetLastError(WSANOTINITIALISED);
    return kSocketError;
  }
  --net::Sockets().startups;
  return 0;
}

int WSAGetLastError() { return net::t_lastError; }

Socket CreateSocket(int family, int type, int protocol) {
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  if (net::Sockets().startups == 0) {
    SetLastError(WSANOTINITIALISED);
    return kInvalidSocket;
  }
  if (family != kAddressFamilyInet || type != kSocketStream || (protocol != 0 && protocol != kProtocolTcp)) {
    SetLastError(family != kAddressFamilyInet ? WSAEAFNOSUPPORT : WSAEINVAL);
    return kInvalidSocket;
  }
  if (testing::ShouldFail("socket")) {
    SetLastError(WSAENOBUFS);
    return kInvalidSocket;
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    FailWithErrno();
    return kInvalidSocket;
  }
  SocketRecord record;
  record.descriptor = fd;
  return AddRecord(record);
}

int SocketConnect(Socket socket, const SocketAddress* address, int length) {
  Locked locked(socket);
  SocketRecord* record = locked.record;
  if (record == nullptr || !ValidAddress(address, length)) return kSocketError;
  if (record->state != SocketState::kFresh) {
    SetLastError(record->state == SocketState::kConnecting ? WSAEALREADY : WSAEISCONN);
    return kSocketError;
  }
  int error = 0;
  if (testing::ShouldFail("connect")) {
    error = WSAECONNREFUSED;
  } else {
    const sockaddr_in target = ToPosix(*address);
    if (::connect(record->descriptor, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
      error = net::ErrorFromErrno(errno);
    }
  }
  if (!record->nonBlocking) {
    if (error != 0) {
      record->state = SocketState::kFailed;
      SetLastError(error);
      return kSocketError;
    }
    record->state = SocketState::kConnected;
    net::ArmResetSwitch(record);
    return 0;
  }
  // Without blocking the connect always goes on in the background; how it ended comes with the
  // FD_CONNECT notice, even when the answer was known at once.
  record->state = SocketState::kConnecting;
  record->connectError = error == WSAEWOULDBLOCK ? 0 : error;
  SetLastError(WSAEWOULDBLOCK);
  return kSocketError;
}

int SocketBind(Socket socket, const SocketAddress* address, int length) {
  Locked locked(socket);
  if (locked.record == nullptr || !ValidAddress(address, length)) return kSocketError;
  const int on = 1;
  setsockopt(locked.record->descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in target = ToPosix(*address);
  if (::bind(locked.record->descriptor, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
    return FailWithErrno();
  }
  return 0;
}

int SocketListen(Socket socket, int backlog) {
  Locked locked(socket);
  if (locked.record == nullptr) return kSocketError;
  if (::listen(locked.record->descriptor, backlog > 0 ? backlog : 1) != 0) return FailWithErrno();
  locked.record->state = SocketState::kListening;
  return 0;
}

Socket SocketAccept(Socket socket, SocketAddress* peer, int* length) {
  Locked locked(socket);
  SocketRecord* record = locked.record;
  if (record == nullptr) return kInvalidSocket;
  if (record->state != SocketState::kListening) {
    SetLastError(WSAEINVAL);
    return kInvalidSocket;
  }
  record->armed |= record->events & FD_ACCEPT;
  if (testing::ShouldFail("accept")) {
    SetLastError(WSAENOBUFS);
    return kInvalidSocket;
  }
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  const int flags = SOCK_CLOEXEC | (record->nonBlocking ? SOCK_NONBLOCK : 0);
  const int fd = ::accept4(record->descriptor, reinterpret_cast<sockaddr*>(&from), &fromLength, flags);
  if (fd < 0) {
    FailWithErrno();
    return kInvalidSocket;
  }
  if (peer != nullptr && length != nullptr && *length >= static_cast<int>(sizeof(SocketAddress))) {
    FromPosix(from, peer);
    *length = sizeof(SocketAddress);
  }
  // The new socket takes the listening socket's notices, as the platform's accept does.
  SocketRecord accepted;
  accepted.descriptor = fd;
  accepted.state = SocketState::kConnected;
  accepted.nonBlocking = record->nonBlocking;
  accepted.window = record->window;
  accepted.threadId = record->threadId;
  accepted.message = record->message;
  accepted.events = record->events;
  accepted.armed = record->events;
  net::ArmResetSwitch(&accepted);
  if (accepted.events != 0) net::Sockets().selectedCount.fetch_add(1, std::memory_order_release);
  return AddRecord(accepted);
}

namespace {

// Send and receive need a buffer and a connection that is up; false sets the error to say which.
bool ReadyToTransfer(const SocketRecord* record, const char* bytes, int length) {
  if (bytes == nullptr || length < 0) {
    SetLastError(WSAEFAULT);
    return false;
  }
  if (record->state == SocketState::kReset) {
    SetLastError(WSAECONNRESET);
    return false;
  }
  if (record->state != SocketState::kConnected) {
    SetLastError(WSAENOTCONN);
    return false;
  }
  return true;
}

}  // namespace

int SocketSend(Socket socket, const char* data, int length) {
  Locked locked(socket);
  SocketRecord* record = locked.record;
  if (record == nullptr || !ReadyToTransfer(record, data, length)) return kSocketError;
  int asked = length;
  if (net::SendLimit() > 0 && asked > net::SendLimit()) asked = net::SendLimit();
  if (record->resetAfter >= 0 && asked > record->resetAfter) asked = static_cast<int>(record->resetAfter);
  const ssize_t sent = ::send(record->descriptor, data, static_cast<std::size_t>(asked), MSG_NOSIGNAL);
  if (sent < 0) {
    record->armed |= record->events & FD_WRITE;
    return FailWithErrno();
  }
  // A send that could not take everything asks for the next FD_WRITE.
  if (sent < length) record->armed |= record->events & FD_WRITE;
  net::CountMovedBytes(record, static_cast<int>(sent));
  return static_cast<int>(sent);
}

int SocketRecv(Socket socket, char* buffer, int length, int flags) {
  Locked locked(socket);
  SocketRecord* record = locked.record;
  if (record == nullptr || !ReadyToTransfer(record, buffer, length)) return kSocketError;
  record->armed |= record->events & FD_READ;
  const bool peek = (flags & kMessagePeek) != 0;
  int asked = length;
  if (!peek && record->resetAfter >= 0 && asked > record->resetAfter) asked = static_cast<int>(record->resetAfter);
  const ssize_t got = ::recv(record->descriptor, buffer, static_cast<std::size_t>(asked), peek ? MSG_PEEK : 0);
  if (got < 0) return FailWithErrno();
  if (!peek) net::CountMovedBytes(record, static_cast<int>(got));
  return static_cast<int>(got);
}

namespace {

// Two pieces cut to `total` bytes (at most both lengths), the first piece first.
int PairVector(iovec* pieces, const char* first, int firstLength, const char* second, int total) {
  const int firstTaken = firstLength < total ? firstLength : total;
  pieces[0] = iovec{const_cast<char*>(first), static_cast<std::size_t>(firstTaken)};
  pieces[1] = iovec{const_cast<char*>(second), static_cast<std::size_t>(total - firstTaken)};
  return total - firstTaken > 0 ? 2 : 1;
}

}  // namespace

int SocketRecvPair(Socket socket, char* first, int firstLength, char* second, int secondLength) {
  Locked locked(socket);
  SocketRecord* record = locked.record;
  if (record == nullptr || !ReadyToTransfer(record, first, firstLength) ||
      (secondLength > 0 && !ReadyToTransfer(record, second, secondLength))) {
    return kSocketError;
  }
  record->armed |= record->events & FD_READ;
  const long long both = static_cast<long long>(firstLength) + (secondLength > 0 ? secondLength : 0);
  int asked = both > INT_MAX ? INT_MAX : static_cast<int>(both);
  if (record->resetAfter >= 0 && asked > record->resetAfter) asked = static_cast<int>(record->resetAfter);
  iovec pieces[2];
  msghdr message{};
  message.msg_iov = pieces;
  message.msg_iovlen = static_cast<std::size_t>(PairVector(pieces, first, firstLength, second, asked));
  const ssize_t got = ::recvmsg(record->descriptor, &message, 0);
  if (got < 0) return FailWithErrno();
  net::CountMovedBytes(record, static_cast<int>(got));
  return static_cast<int>(got);
}

int SocketSendPair(Socket socket, const char* first, int firstLength, const char* second, int secondLength) {
  Locked locked(socket);
  SocketRecord* record = locked.record;
  if (record == nullptr || !ReadyToTransfer(record, first, firstLength) ||
      !ReadyToTransfer(record, second, secondLength)) {
    return kSocketError;
  }
  const long long both = static_cast<long long>(firstLength) + secondLength;
  int length = both > INT_MAX ? INT_MAX : static_cast<int>(both);
  int asked = length;
  if (net::SendLimit() > 0 && asked > net::SendLimit()) asked = net::SendLimit();
  if (record->resetAfter >= 0 && asked > record->resetAfter) asked = static_cast<int>(record->resetAfter);
  iovec pieces[2];
  msghdr message{};
  message.msg_iov = pieces;
  message.msg_iovlen = static_cast<std::size_t>(PairVector(pieces, first, firstLength, second, asked));
  const ssize_t sent = ::sendmsg(record->descriptor, &message, MSG_NOSIGNAL);
  if (sent < 0) {
    record->armed |= record->events & FD_WRITE;
    return FailWithErrno();
  }
  if (sent < length) record->armed |= record->events & FD_WRITE;
  net::CountMovedBytes(record, static_cast<int>(sent));
  return static_cast<int>(sent);
}

int CloseSocket(Socket socket) {
  Locked locked(socket);
  if (locked.record == nullptr) return kSocketError;
  if (locked.record->events != 0) net::Sockets().selectedCount.fetch_sub(1, std::memory_order_release);
  ::close(locked.record->descriptor);
  net::Sockets().sockets.erase(socket);
  return 0;
}

int GetSocketName(Socket socket, SocketAddress* out, int* length) {
  Locked locked(socket);
  if (locked.record == nullptr) return kSocketError;
  if (out == nullptr || length == nullptr || *length < static_cast<int>(sizeof(SocketAddress))) {
    SetLastError(WSAEFAULT);
    return kSocketError;
  }
  sockaddr_in name{};
  socklen_t nameLength = sizeof name;
  if (::getsockname(locked.record->descriptor, reinterpret_cast<sockaddr*>(&name), &nameLength) != 0) {
    return FailWithErrno();
  }
  FromPosix(name, out);
  *length = sizeof(SocketAddress);
  return 0;
}

int SetSocketOption(Socket socket, int level, int name, const void* value, int length) {
  Locked locked(socket);
  if (locked.record == nullptr) return kSocketError;
  if (value == nullptr || length < 4) {
    SetLastError(WSAEFAULT);
    return kSocketError;
  }
  if (level != kProtocolTcp || name != kTcpNoDelay) {
    SetLastError(WSAEINVAL);
    return kSocketError;
  }
  int on = 0;
  std::memcpy(&on, value, 4);
  on = on != 0 ? 1 : 0;
  if (setsockopt(locked.record->descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) return FailWithErrno();
  return 0;
}

namespace testing {

int OpenSocketCount() {
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  return static_cast<int>(net::Sockets().sockets.size());
}

int SocketDescriptor(Socket socket) {
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  SocketRecord* record = Find(socket);
  return record != nullptr ? record->descriptor : -1;
}

}  // namespace testing
}  // namespace pf
