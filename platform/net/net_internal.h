#pragma once
// What the socket stand-in's files share: the record behind each socket value, the table that
// holds them, and the last error of each thread.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

#include "platform/net/winsock.h"

namespace pf::net {

enum class SocketState { kFresh, kConnecting, kConnected, kListening, kFailed, kReset };

struct SocketRecord {
  int descriptor = -1;
  SocketState state = SocketState::kFresh;
  bool nonBlocking = false;
  // Notices: the window, its thread, the message, the events asked for and those not yet posted
  // since their re-enabling call.
  WindowHandle window = nullptr;
  std::uint32_t threadId = 0;
  std::uint32_t message = 0;
  std::int32_t events = 0;
  std::int32_t armed = 0;
  int connectError = 0;          // a connect that failed at once, told by its notice
  bool closeNoticed = false;
  // The reset switch: bytes still to move before this side resets (-1: never).
  std::int64_t resetAfter = -1;
};

struct SocketTable {
  std::mutex mutex;
  std::map<Socket, SocketRecord> sockets;
  Socket nextSocket = 0x100;
  int startups = 0;
  std::atomic<int> selectedCount{0};   // sockets with events asked for
};
SocketTable& Sockets();

// The record of a socket value, or nullptr. Call with the table's mutex held.
SocketRecord* Find(Socket socket);
void SetLastError(int error);
// WSA error code of an errno value.
int ErrorFromErrno(int error);
// Resets the socket from this side when the switch's byte count has run out. Mutex held.
void CountMovedBytes(SocketRecord* record, int bytes);
// Arms the reset switch on a socket that has just become connected. Mutex held.
void ArmResetSwitch(SocketRecord* record);
int SendLimit();
// Registers the notice source with the window system (once).
void EnsureNoticeSource();

}  // namespace pf::net
