#pragma once
// TCP connections named by network handles (type 9), driven by socket notices that arrive at a
// hidden child window. In packet mode every connection frames its data with a 4-byte
// little-endian length and keeps a receive and a send ring; in raw mode the operations pass
// straight to the socket.
#include <cstdint>

#include "media/core/runtime_routines.h"
#include "media/core/network_ring.h"
#include "platform/net/winsock.h"
#include "platform/window/window.h"

namespace zelvo {

constexpr int kNetWorkHandleType = 9;
constexpr int kMaxNetWorkConnections = 4096;
constexpr std::uint32_t kSocketNoticeMessage = 0x505;
constexpr int kDefaultNetWorkPort = 10001;
constexpr int kDefaultConnectTimeoutMs = 2000;
// The longest packet a peer may announce and the most complete packets kept unread: a peer cannot
// make the library hold more than about twice this for one connection.
constexpr int kMaxNetWorkPacket = 16 * 1024 * 1024;
// The most data one connection keeps queued for sending.
constexpr int kMaxNetWorkSendQueue = 4 * kMaxNetWorkPacket;
// The layer's stage: socket reads of short packets and their prefixes.
constexpr int kNetWorkStageSize = 256 * 1024;

struct NetWorkSettings {
  int packetMode;          // 1: length-prefixed packets
  int autoClose;           // 1: lost connections are closed by the pump
  int connectTimeoutMs;    // 0 means kDefaultConnectTimeoutMs
};
extern NetWorkSettings g_netWorkSettings;

struct NetWorkRecord {
  int checkNumber;
  int inUse;
  int errorFlag;
  int connected;           // set by the connect notice, cleared by the close notice
  int lostObserved;        // GetNetWorkAcceptState has seen it not connected
  int initiatedHere;
  int accepted;
  int packetMode;
  int autoClose;
  int connectFailed;       // the connect notice carried an error
  int handedOut;           // an accepted connection already given out by GetNewAcceptNetWork
  int receiving;           // re-entry guards of the packet receive and send
  int sending;
  pf::Socket socket;
  // Receive side: the prefix bytes gathered so far, the bytes still missing of the packet being
  // received, its length, and the bytes of complete packets waiting in the ring.
  unsigned char receivePrefix[4];
  int receivePrefixBytes;
  int receiveMissing;
  ByteRing receiveRing;
  int receivePacketLength;
  int receiveCompleteBytes;
  // Send side: bytes of the current packet still to send and its length-prefix bytes still to send.
  ByteRing sendRing;
  int sendRemaining;
  int sendPrefixRemaining;
  unsigned char peerAddress[4];
  std::uint16_t peerPort;  // network byte order
  ListNode node;           // value: the slot
};

struct NetWorkState {
  int started;
  unsigned char localAddress[4];
  pf::WindowHandle parentWindow;
  pf::WindowHandle hiddenWindow;
  int hiddenDestroyed;
  ListNode head;
  ListNode tail;
  NetWorkRecord* table[kMaxNetWorkConnections + 1];
  int liveCount;
  int checkCounter;
  pf::Socket listenSocket;  // pf::kInvalidSocket when not listening
  char* stage;              // kNetWorkStageSize bytes while started
};
extern NetWorkState g_network;

// Layer.
int StartNetWorkLayer(pf::WindowHandle parent);
int EndNetWorkLayer();
int PumpNetWorkWindow(int closeLost);
int ResolveHostAddress(const char* name, unsigned char* address);   // 0; -1 not found; -2 not IPv4
// What the socket notice message does, from the hidden window or the main window.
void HandleSocketNotice(pf::WParam wParam, pf::LParam lParam);

// Connections. An address is the four bytes of the IPv4 address as stored in memory.
int OpenNetWorkConnection(std::uint32_t address, int port);
int CloseNetWorkConnection(int handle);
int AcceptNetWork();
int GetNetWorkAcceptState(int handle);
// Listening: the port listened on (an ephemeral one for 0, kDefaultNetWorkPort for -1), or -1.
// Accepted connections are then taken one by one, oldest first; -1 when none is new.
int StartListenNetWork(std::uint32_t address, int port);
int StopListenNetWork();
int GetNewAcceptNetWork();

// Data.
int GetNetWorkDataLength(int handle);
int NetWorkRecv(int handle, void* buffer, int size);
int NetWorkRecvToPeek(int handle, void* buffer, int size);
int NetWorkSend(int handle, const void* data, int length);
int SetNetWorkPacketMode(int on);
int GetNetWorkPacketMode();
int SetNetWorkAutoClose(int on);
int GetNetWorkAutoClose();

// Shared by the network files.
// The record of a valid handle, or nullptr, with the log line naming `operation` for a record not
// in use, and the one naming `errorName` for a record in error (nullptr: such a record passes).
NetWorkRecord* CheckNetWorkHandle(int handle, const char* operation, const char* errorName);
int NetWorkHandleOf(int slot);
NetWorkRecord* FindNetWorkRecordBySocket(pf::Socket socket);
// The packet receive and send of one connection (nothing in raw mode).
void RecvSocket(NetWorkRecord* record);
// Places bytes taken off the socket into the record's packets; -1 (error flag set) for a length the
// connection cannot take.
int PlaceReceivedBytes(NetWorkRecord* record, const char* bytes, int n);
void SendSocket(NetWorkRecord* record);
// The log line for a failure the platform reports an error for.
int WriteNetWorkErrorLog(const char* what);
// The first free slot, or -1.
int FindFreeNetWorkSlot();
// A new record in the slot, in use and linked into the list, with the modes from the settings; or
// nullptr after the log line for a failed allocation.
NetWorkRecord* AddNetWorkRecord(int slot);
// Stops the socket's notices, closes it, and unlinks and frees the record.
void RemoveNetWorkRecord(int slot);
// What closing a connection does after the handle check: the last receive and send, then removal.
void CloseNetWorkSlot(int slot);

// Gives the record its check number; its handle.
int IssueNetWorkHandle(int slot);

}  // namespace zelvo
