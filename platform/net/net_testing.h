#pragma once
// Test controls of the socket stand-in. Plain call failures go through pf::testing::FailNextCalls:
// "WSAStartup" (WSASYSNOTREADY), "socket", "WSAAsyncSelect", "accept", "gethostbyname", and
// "connect", which makes the connect refused as a peer without a listener would (the FD_CONNECT
// notice carries WSAECONNREFUSED; a blocking connect fails with it).
#include <cstdint>

#include "platform/net/winsock.h"

namespace pf::testing {

// The next socket to become connected (by connect or accept) is reset by this side once `bytes`
// bytes have crossed it in either direction: the peer sees a reset, and the socket's own calls fail
// with WSAECONNRESET after an FD_CLOSE notice carrying it. A negative count switches it off.
void ResetNextConnectionAfter(int bytes);
// Every send takes at most `bytes` bytes, as a send into a nearly full buffer does (0: no limit).
void LimitSendSize(int bytes);
// Sockets created and not yet closed.
int OpenSocketCount();
// The underlying descriptor, for tests that set options on it.
int SocketDescriptor(Socket socket);

}  // namespace pf::testing
