#pragma once
// The WinSock 1.1 calls the library makes, over POSIX TCP sockets: start-up and clean-up, the
// per-thread last error, stream sockets (connect, bind, listen, accept, send, receive, close),
// notices of socket events posted to a window as a message, and host lookup. Results follow the
// platform the library was written for: SOCKET_ERROR with the reason in WSAGetLastError, a
// non-blocking connect that reports would-block and finishes with an FD_CONNECT notice, and each
// notice posted once until the call that re-enables it.
#include <cstdint>

#include "platform/window/window.h"

namespace pf {

using Socket = std::uintptr_t;
inline constexpr Socket kInvalidSocket = ~static_cast<Socket>(0);
inline constexpr int kSocketError = -1;

// Address family, socket type and protocol: only IPv4 TCP streams exist here.
enum : int { kAddressFamilyInet = 2, kSocketStream = 1, kProtocolTcp = 6 };
// Receive flag: leave the data in the socket.
enum : int { kMessagePeek = 2 };

// The IPv4 socket address: port and address in network byte order.
struct SocketAddress {
  std::uint16_t family;
  std::uint16_t port;
  std::uint8_t address[4];
  std::uint8_t zero[8];
};

// Error codes of WSAGetLastError.
enum : int {
  WSAEINTR = 10004, WSAEFAULT = 10014, WSAEINVAL = 10022, WSAEMFILE = 10024, WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036, WSAEALREADY = 10037, WSAENOTSOCK = 10038, WSAEMSGSIZE = 10040,
  WSAEAFNOSUPPORT = 10047, WSAEADDRINUSE = 10048, WSAEADDRNOTAVAIL = 10049, WSAENETUNREACH = 10051,
  WSAECONNABORTED = 10053, WSAECONNRESET = 10054, WSAENOBUFS = 10055, WSAEISCONN = 10056,
  WSAENOTCONN = 10057, WSAESHUTDOWN = 10058, WSAETIMEDOUT = 10060, WSAECONNREFUSED = 10061,
  WSAEHOSTUNREACH = 10065, WSASYSNOTREADY = 10091, WSAVERNOTSUPPORTED = 10092, WSANOTINITIALISED = 10093,
  WSAHOST_NOT_FOUND = 11001, WSANO_DATA = 11004,
};

// Socket events for WSAAsyncSelect. The notice is the message with wParam = the socket and
// lParam = event | error << 16.
enum : std::int32_t { FD_READ = 1, FD_WRITE = 2, FD_OOB = 4, FD_ACCEPT = 8, FD_CONNECT = 16, FD_CLOSE = 32 };
inline std::int32_t SelectEvent(LParam lParam) { return static_cast<std::int32_t>(lParam & 0xFFFF); }
inline std::int32_t SelectError(LParam lParam) { return static_cast<std::int32_t>((lParam >> 16) & 0xFFFF); }

struct WsaData {
  std::uint16_t version;        // the version in use: minor << 8 | major
  std::uint16_t highVersion;    // the highest this layer offers
  char description[257];
  char systemStatus[129];
};
// 0, or the error (WSAVERNOTSUPPORTED below 1.1, WSASYSNOTREADY by the fault switch "WSAStartup").
// Asking for 1.1 or more gets 1.1. Every success needs a WSACleanup.
int WSAStartup(std::uint16_t requestedVersion, WsaData* out);
int WSACleanup();
int WSAGetLastError();

// A blocking stream socket; kInvalidSocket on failure (fault switch "socket"). Socket values are
// never reused while the process lives, so a late notice names no other socket.
Socket CreateSocket(int family, int type, int protocol);
// Blocking until WSAAsyncSelect asks for notices; from then on a connect reports WSAEWOULDBLOCK
// and ends with FD_CONNECT (its error, such as WSAECONNREFUSED, in the notice).
int SocketConnect(Socket socket, const SocketAddress* address, int length);
int SocketBind(Socket socket, const SocketAddress* address, int length);
int SocketListen(Socket socket, int backlog);
// The next waiting connection, with the listening socket's notices; WSAEWOULDBLOCK when none waits
// on a socket that has notices. Re-enables FD_ACCEPT.
Socket SocketAccept(Socket socket, SocketAddress* peer, int* length);
// Bytes sent (possibly fewer than asked), or kSocketError. Sending never raises a signal.
int SocketSend(Socket socket, const char* data, int length);
// Bytes received, 0 once the peer has closed, or kSocketError (WSAECONNRESET after a reset).
// Re-enables FD_READ.
int SocketRecv(Socket socket, char* buffer, int length, int flags);
// SocketSend of two pieces, the first before the second, in one call: a packet's prefix and its
// body go out together.
int SocketSendPair(Socket socket, const char* first, int firstLength, const char* second, int secondLength);
// SocketRecv into two pieces in one call, the first filled before the second (which may be empty):
// a packet's prefix and as much of what follows as there is room for.
int SocketRecvPair(Socket socket, char* first, int firstLength, char* second, int secondLength);
// While held, reading the calling thread's message queue does not poll its sockets for notices: a
// pump that has taken the notices pending when it began dispatches those, and what happens
// meanwhile is noticed when it is let go. Returns whether it was held before.
bool HoldSocketNotices(bool hold);
int CloseSocket(Socket socket);
int GetSocketName(Socket socket, SocketAddress* out, int* length);
// The one option taken: TCP_NODELAY at level kProtocolTcp, a 4-byte boolean.
enum : int { kTcpNoDelay = 1 };
int SetSocketOption(Socket socket, int level, int name, const void* value, int length);
// Makes the socket non-blocking and posts `message` to `window` for the chosen events: FD_CONNECT
// once a connect ends; FD_WRITE once connected and again after a send that could not take all
// its data; FD_READ while data waits (again after each receive); FD_ACCEPT while a connection
// waits (again after each accept); FD_CLOSE once, when the peer closed or reset and every byte
// before that has been read. Events 0 stops the notices. Notices are posted when the window's
// thread reads its queue.
int WSAAsyncSelect(Socket socket, WindowHandle window, std::uint32_t message, std::int32_t events);

// Host lookup. The entry lives until the thread's next lookup; nullptr when nothing is found, with
// WSAHOST_NOT_FOUND or WSANO_DATA (fault switch "gethostbyname").
struct HostEntry {
  const char* name;
  std::int16_t addressType;
  std::int16_t addressLength;
  char** addresses;             // null-terminated list of 4-byte addresses
};
int GetHostName(char* name, int length);
const HostEntry* GetHostByName(const char* name);
const HostEntry* GetHostByAddr(const char* address, int length, int type);
// The 4 bytes of a dotted address ("a.b.c.d") as stored in memory, or kInvalidAddress.
inline constexpr std::uint32_t kInvalidAddress = 0xFFFFFFFFu;
std::uint32_t InetAddr(const char* dotted);

inline std::uint16_t HostToNetwork16(std::uint16_t value) {
  return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}
inline std::uint16_t NetworkToHost16(std::uint16_t value) { return HostToNetwork16(value); }

}  // namespace pf
