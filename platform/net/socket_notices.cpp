// Notices of socket events as window messages. Whenever a thread reads its message queue, the
// sockets whose notices go to that thread's windows are polled without waiting, and each event
// that has happened and is still enabled is posted once; the call that re-enables it (receive,
// accept, a send that could not take everything) lets it be posted again. Also the reset and
// short-send switches.
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/net/net_internal.h"
#include "platform/net/net_testing.h"

namespace pf {
namespace net {
namespace {

struct Notice {
  WindowHandle window;
  std::uint32_t message;
  Socket socket;
  std::int32_t event;
  int error;
};

std::atomic<int> g_sendLimit{0};
thread_local bool t_noticesHeld = false;
int g_resetNextAfter = -1;   // guarded by the table's mutex

// This side resets the connection: the peer gets a reset, and the socket value stays, now over a
// descriptor that goes nowhere, until it is closed.
void ResetNow(SocketRecord* record) {
  linger abort{1, 0};
  setsockopt(record->descriptor, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  const int nowhere = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (nowhere >= 0) {
    ::dup2(nowhere, record->descriptor);
    ::close(nowhere);
  }
  record->state = SocketState::kReset;
  record->resetAfter = -1;
}

void Add(std::vector<Notice>* notices, const SocketRecord& record, Socket socket, std::int32_t event, int error) {
  notices->push_back(Notice{record.window, record.message, socket, event, error});
}

// The peer's end of the stream has been reached (or it reset): FD_CLOSE once.
void NoticeClose(SocketRecord* record, Socket socket, int error, std::vector<Notice>* notices) {
  if (!record->closeNoticed && (record->events & FD_CLOSE) != 0) Add(notices, *record, socket, FD_CLOSE, error);
  record->closeNoticed = true;
  record->armed &= ~(FD_READ | FD_CLOSE);
}

void ExamineConnecting(SocketRecord* record, Socket socket, short revents, std::vector<Notice>* notices) {
  if ((revents & (POLLOUT | POLLERR | POLLHUP)) == 0) return;
  int error = 0;
  socklen_t length = sizeof error;
  getsockopt(record->descriptor, SOL_SOCKET, SO_ERROR, &error, &length);
  if (error == 0) {
    record->state = SocketState::kConnected;
    ArmResetSwitch(record);
  } else {
    record->state = SocketState::kFailed;
  }
  if (record->events & FD_CONNECT) Add(notices, *record, socket, FD_CONNECT, error == 0 ? 0 : ErrorFromErrno(error));
}

void ExamineConnected(SocketRecord* record, Socket socket, short revents, std::vector<Notice>* notices) {
  if ((revents & POLLOUT) != 0 && (record->armed & FD_WRITE) != 0) {
    Add(notices, *record, socket, FD_WRITE, 0);
    record->armed &= ~FD_WRITE;
  }
  if ((revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) == 0) return;
  // Without a sign of the end, readable means data; at the end, data may still be there first.
  int waiting = 1;
  if ((revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) ioctl(record->descriptor, FIONREAD, &waiting);
  if (waiting > 0) {
    if (record->armed & FD_READ) Add(notices, *record, socket, FD_READ, 0);
    record->armed &= ~FD_READ;
    return;
  }
  int error = 0;
  socklen_t length = sizeof error;
  getsockopt(record->descriptor, SOL_SOCKET, SO_ERROR, &error, &length);
  if (error != 0) record->state = SocketState::kReset;   // the error is read once; later calls still see it
  NoticeClose(record, socket, error == 0 ? 0 : ErrorFromErrno(error), notices);
}

// The poll events a socket waits for, or 0; failures already known are noticed at once.
short WantedEvents(SocketRecord* record, Socket socket, std::vector<Notice>* notices) {
  switch (record->state) {
    case SocketState::kConnecting:
      if (record->connectError == 0) return POLLOUT;
      record->state = SocketState::kFailed;
      if (record->events & FD_CONNECT) Add(notices, *record, socket, FD_CONNECT, record->connectError);
      return 0;
    case SocketState::kConnected: {
      short want = 0;
      if (record->armed & (FD_READ | FD_CLOSE)) want |= POLLIN | POLLRDHUP;
      if (record->armed & FD_WRITE) want |= POLLOUT;
      return want;
    }
    case SocketState::kListening: return (record->armed & FD_ACCEPT) != 0 ? POLLIN : 0;
    case SocketState::kReset: NoticeClose(record, socket, WSAECONNRESET, notices); return 0;
    default: return 0;
  }
}

void PostSocketNotices(std::uint32_t threadId) {
  SocketTable& table = Sockets();
  if (t_noticesHeld || table.selectedCount.load(std::memory_order_acquire) == 0) return;
  thread_local std::vector<pollfd> polls;
  thread_local std::vector<Socket> owners;
  thread_local std::vector<Notice> notices;
  polls.clear();
  owners.clear();
  notices.clear();
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    for (auto& [socket, record] : table.sockets) {
      if (record.events == 0 || record.threadId != threadId) continue;
      const short want = WantedEvents(&record, socket, &notices);
      if (want == 0) continue;
      polls.push_back(pollfd{record.descriptor, want, 0});
      owners.push_back(socket);
    }
    if (!polls.empty() && ::poll(polls.data(), polls.size(), 0) > 0) {
      for (std::size_t i = 0; i < polls.size(); ++i) {
        if (polls[i].revents == 0) continue;
        SocketRecord* record = Find(owners[i]);
        if (record->state == SocketState::kConnecting) {
          ExamineConnecting(record, owners[i], polls[i].revents, &notices);
        } else if (record->state == SocketState::kListening) {
          Add(&notices, *record, owners[i], FD_ACCEPT, 0);
          record->armed &= ~FD_ACCEPT;
        } else {
          ExamineConnected(record, owners[i], polls[i].revents, &notices);
        }
      }
    }
  }
  for (const Notice& n : notices) {
    PostMessage(n.window, n.message, n.socket, static_cast<LParam>(n.event | (n.error << 16)));
  }
}

}  // namespace

void EnsureNoticeSource() {
  static std::once_flag once;
  std::call_once(once, [] { AddMessageSource(PostSocketNotices); });
}

void ArmResetSwitch(SocketRecord* record) {
  if (g_resetNextAfter < 0) return;
  record->resetAfter = g_resetNextAfter;
  g_resetNextAfter = -1;
  CountMovedBytes(record, 0);
}

void CountMovedBytes(SocketRecord* record, int bytes) {
  if (record->resetAfter < 0) return;
  record->resetAfter -= bytes;
  if (record->resetAfter <= 0) ResetNow(record);
}

int SendLimit() { return g_sendLimit.load(std::memory_order_relaxed); }

}  // namespace net

bool HoldSocketNotices(bool hold) {
  const bool wasHeld = net::t_noticesHeld;
  net::t_noticesHeld = hold;
  return wasHeld;
}

int WSAAsyncSelect(Socket socket, WindowHandle window, std::uint32_t message, std::int32_t events) {
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  net::SocketRecord* record = net::Find(socket);
  if (net::Sockets().startups == 0 || record == nullptr) {
    net::SetLastError(record == nullptr ? WSAENOTSOCK : WSANOTINITIALISED);
    return kSocketError;
  }
  if (testing::ShouldFail("WSAAsyncSelect") || (events != 0 && !IsWindow(window))) {
    net::SetLastError(WSAEINVAL);
    return kSocketError;
  }
  const int flags = fcntl(record->descriptor, F_GETFL);
  if (flags < 0 || fcntl(record->descriptor, F_SETFL, flags | O_NONBLOCK) != 0) {
    net::SetLastError(net::ErrorFromErrno(errno));
    return kSocketError;
  }
  record->nonBlocking = true;
  if ((record->events == 0) != (events == 0)) {
    net::Sockets().selectedCount.fetch_add(events != 0 ? 1 : -1, std::memory_order_release);
  }
  record->window = window;
  record->threadId = events != 0 ? GetWindowThreadProcessId(window, nullptr) : 0;
  record->message = message;
  record->events = events;
  record->armed = events;
  net::EnsureNoticeSource();
  return 0;
}

namespace testing {

void ResetNextConnectionAfter(int bytes) {
  std::lock_guard<std::mutex> lock(net::Sockets().mutex);
  net::g_resetNextAfter = bytes;
}

void LimitSendSize(int bytes) { net::g_sendLimit.store(bytes > 0 ? bytes : 0, std::memory_order_relaxed); }

}  // namespace testing
}  // namespace pf
