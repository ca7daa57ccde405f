// The socket stand-in on the loopback address: notices as window messages with their re-enabling
// rules, connect results, the reset and short-send switches, and host lookup.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/net/winsock.h"
#include "platform/testing.h"
#include "platform/window/window.h"

namespace {

constexpr std::uint32_t kNotice = 0x505;

struct SeenNotice {
  pf::Socket socket;
  std::int32_t event;
  std::int32_t error;
};
std::vector<SeenNotice> g_notices;

pf::LResult NoticeProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (message == kNotice) {
    g_notices.push_back(SeenNotice{wParam, pf::SelectEvent(lParam), pf::SelectError(lParam)});
    return 0;
  }
  return pf::DefWindowProc(window, message, wParam, lParam);
}

pf::SocketAddress Loopback(int port) {
  pf::SocketAddress address{};
  address.family = pf::kAddressFamilyInet;
  address.port = pf::HostToNetwork16(static_cast<std::uint16_t>(port));
  const std::uint8_t bytes[4] = {127, 0, 0, 1};
  std::memcpy(address.address, bytes, 4);
  return address;
}

class Sockets : public ::testing::Test {
 protected:
  void SetUp() override {
    g_notices.clear();
    pf::WindowClass windowClass{0, NoticeProc, nullptr, 0, 0, 0, nullptr, "net-test"};
    ASSERT_NE(pf::RegisterClass(&windowClass), 0);
    window_ = pf::CreateWindowEx(0, "net-test", "net", pf::WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    pf::WsaData data{};
    ASSERT_EQ(pf::WSAStartup(0x0101, &data), 0);
  }
  void TearDown() override {
    for (pf::Socket s : opened_) pf::CloseSocket(s);
    EXPECT_EQ(pf::testing::OpenSocketCount(), 0);
    pf::WSACleanup();
    pf::testing::ClearFaults();
    pf::testing::LimitSendSize(0);
    pf::testing::ResetNextConnectionAfter(-1);
    pf::DestroyWindow(window_);
    pf::UnregisterClass("net-test", nullptr);
  }

  pf::Socket Open() {
    pf::Socket s = pf::CreateSocket(pf::kAddressFamilyInet, pf::kSocketStream, pf::kProtocolTcp);
    EXPECT_NE(s, pf::kInvalidSocket);
    opened_.push_back(s);
    return s;
  }
  // A listening socket on an ephemeral loopback port with accept notices.
  pf::Socket Listen(int* port) {
    pf::Socket s = Open();
    pf::SocketAddress any = Loopback(0);
    EXPECT_EQ(pf::SocketBind(s, &any, sizeof any), 0);
    EXPECT_EQ(pf::SocketListen(s, 16), 0);
    EXPECT_EQ(pf::WSAAsyncSelect(s, window_, kNotice, pf::FD_ACCEPT), 0);
    pf::SocketAddress bound{};
    int length = sizeof bound;
    EXPECT_EQ(pf::GetSocketName(s, &bound, &length), 0);
    *port = pf::NetworkToHost16(bound.port);
    return s;
  }
  pf::Socket Connect(int port) {
    pf::Socket s = Open();
    EXPECT_EQ(pf::WSAAsyncSelect(s, window_, kNotice, pf::FD_READ | pf::FD_WRITE | pf::FD_CONNECT | pf::FD_CLOSE), 0);
    pf::SocketAddress target = Loopback(port);
    EXPECT_EQ(pf::SocketConnect(s, &target, sizeof target), pf::kSocketError);
    EXPECT_EQ(pf::WSAGetLastError(), pf::WSAEWOULDBLOCK);
    return s;
  }
  // Dispatches messages until a notice of `event` for `socket` has come (bounded in passes and time).
  bool WaitFor(pf::Socket socket, std::int32_t event, std::int32_t* error = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int pass = 0; pass < 1000000 && std::chrono::steady_clock::now() < deadline; ++pass) {
      for (std::size_t i = 0; i < g_notices.size(); ++i) {
        if (g_notices[i].socket != socket || g_notices[i].event != event) continue;
        if (error != nullptr) *error = g_notices[i].error;
        g_notices.erase(g_notices.begin() + static_cast<long>(i));
        return true;
      }
      pf::Message message{};
      while (pf::PeekMessage(&message, window_, 0, 0, pf::PM_REMOVE)) pf::DispatchMessage(&message);
    }
    return false;
  }
  int Count(pf::Socket socket, std::int32_t event) {
    pf::Message message{};
    while (pf::PeekMessage(&message, window_, 0, 0, pf::PM_REMOVE)) pf::DispatchMessage(&message);
    int n = 0;
    for (const SeenNotice& seen : g_notices) n += seen.socket == socket && seen.event == event ? 1 : 0;
    return n;
  }
  // A connected pair: the connecting socket and the accepted one.
  void Pair(pf::Socket* client, pf::Socket* server) {
    int port = 0;
    pf::Socket listener = Listen(&port);
    *client = Connect(port);
    std::int32_t error = -1;
    ASSERT_TRUE(WaitFor(*client, pf::FD_CONNECT, &error));
    ASSERT_EQ(error, 0);
    ASSERT_TRUE(WaitFor(listener, pf::FD_ACCEPT));
    *server = pf::SocketAccept(listener, nullptr, nullptr);
    ASSERT_NE(*server, pf::kInvalidSocket);
    opened_.push_back(*server);
    ASSERT_EQ(pf::WSAAsyncSelect(*server, window_, kNotice, pf::FD_READ | pf::FD_WRITE | pf::FD_CLOSE), 0);
  }

  pf::WindowHandle window_ = nullptr;
  std::vector<pf::Socket> opened_;
};

TEST_F(Sockets, StartupOffersVersionOneOneOnly) {
  pf::WsaData data{};
  EXPECT_EQ(pf::WSAStartup(0x0001, &data), pf::WSAVERNOTSUPPORTED);
  EXPECT_EQ(pf::WSAStartup(0x0202, &data), 0);
  EXPECT_EQ(data.version, 0x0101);
  EXPECT_EQ(pf::WSACleanup(), 0);
  pf::testing::FailNextCalls("WSAStartup", 1);
  EXPECT_EQ(pf::WSAStartup(0x0101, &data), pf::WSASYSNOTREADY);
}

TEST_F(Sockets, ConnectEndsWithConnectThenWriteAndAcceptIsNoticed) {
  pf::Socket client = 0, server = 0;
  Pair(&client, &server);
  EXPECT_TRUE(WaitFor(client, pf::FD_WRITE));
  EXPECT_TRUE(WaitFor(server, pf::FD_WRITE));
  EXPECT_NE(client, server);
}

TEST_F(Sockets, ReadIsNoticedOnceUntilReceiveReenablesIt) {
  pf::Socket client = 0, server = 0;
  Pair(&client, &server);
  ASSERT_EQ(pf::SocketSend(client, "abcdef", 6), 6);
  ASSERT_TRUE(WaitFor(server, pf::FD_READ));
  EXPECT_EQ(Count(server, pf::FD_READ), 0);   // not again while nobody received
  char buffer[8];
  ASSERT_EQ(pf::SocketRecv(server, buffer, 2, pf::kMessagePeek), 2);
  EXPECT_TRUE(WaitFor(server, pf::FD_READ));  // a peek re-enables it too, and data still waits
  ASSERT_EQ(pf::SocketRecv(server, buffer, 8, 0), 6);
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
  EXPECT_EQ(Count(server, pf::FD_READ), 0);
  EXPECT_EQ(pf::SocketRecv(server, buffer, 8, 0), pf::kSocketError);
  EXPECT_EQ(pf::WSAGetLastError(), pf::WSAEWOULDBLOCK);
}

TEST_F(Sockets, CloseIsNoticedOnceAfterTheLastByteWasRead) {
  pf::Socket client = 0, server = 0;
  Pair(&client, &server);
  ASSERT_EQ(pf::SocketSend(client, "xy", 2), 2);
  ASSERT_EQ(pf::CloseSocket(client), 0);
  opened_.erase(opened_.begin() + 1);
  ASSERT_TRUE(WaitFor(server, pf::FD_READ));
  EXPECT_EQ(Count(server, pf::FD_CLOSE), 0);   // data first
  char buffer[4];
  EXPECT_EQ(pf::SocketRecv(server, buffer, 4, 0), 2);
  std::int32_t error = -1;
  ASSERT_TRUE(WaitFor(server, pf::FD_CLOSE, &error));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(pf::SocketRecv(server, buffer, 4, 0), 0);
  EXPECT_EQ(Count(server, pf::FD_CLOSE), 0);
}

TEST_F(Sockets, RefusedConnectsComeWithTheirError) {
  int port = 0;
  pf::Socket listener = Listen(&port);
  pf::CloseSocket(listener);   // nobody listens on the port any more
  opened_.erase(opened_.begin());
  pf::Socket s = Connect(port);
  std::int32_t error = 0;
  ASSERT_TRUE(WaitFor(s, pf::FD_CONNECT, &error));
  EXPECT_EQ(error, pf::WSAECONNREFUSED);

  // The switch refuses a connect that would have worked.
  Listen(&port);
  pf::testing::FailNextCalls("connect", 1);
  pf::Socket refused = Connect(port);
  ASSERT_TRUE(WaitFor(refused, pf::FD_CONNECT, &error));
  EXPECT_EQ(error, pf::WSAECONNREFUSED);
  EXPECT_EQ(pf::SocketSend(refused, "x", 1), pf::kSocketError);
  EXPECT_EQ(pf::WSAGetLastError(), pf::WSAENOTCONN);
}

TEST_F(Sockets, ResetSwitchResetsBothEndsAfterItsBytes) {
  pf::testing::ResetNextConnectionAfter(4);
  pf::Socket client = 0, server = 0;
  Pair(&client, &server);   // the connecting socket is the first to be connected
  EXPECT_EQ(pf::SocketSend(client, "0123456789", 10), 4);
  EXPECT_EQ(pf::SocketSend(client, "x", 1), pf::kSocketError);
  EXPECT_EQ(pf::WSAGetLastError(), pf::WSAECONNRESET);
  std::int32_t error = 0;
  ASSERT_TRUE(WaitFor(client, pf::FD_CLOSE, &error));
  EXPECT_EQ(error, pf::WSAECONNRESET);
  // The peer reads what arrived before the reset, then learns of it.
  char buffer[16];
  ASSERT_TRUE(WaitFor(server, pf::FD_READ));
  int got = pf::SocketRecv(server, buffer, sizeof buffer, 0);
  EXPECT_TRUE(got == 4 || (got == pf::kSocketError && pf::WSAGetLastError() == pf::WSAECONNRESET));
  ASSERT_TRUE(WaitFor(server, pf::FD_CLOSE, &error));
  EXPECT_EQ(error, pf::WSAECONNRESET);
  EXPECT_EQ(pf::SocketRecv(server, buffer, sizeof buffer, 0), pf::kSocketError);
  EXPECT_EQ(pf::WSAGetLastError(), pf::WSAECONNRESET);
}

TEST_F(Sockets, ShortSendsTakeAtMostTheLimitAndAskForTheNextWrite) {
  pf::Socket client = 0, server = 0;
  Pair(&client, &server);
  ASSERT_TRUE(WaitFor(client, pf::FD_WRITE));
  pf::testing::LimitSendSize(3);
  EXPECT_EQ(pf::SocketSend(client, "abcdefgh", 8), 3);
  EXPECT_TRUE(WaitFor(client, pf::FD_WRITE));
}

TEST_F(Sockets, PairSendsPutTheFirstPieceBeforeTheSecondAndKeepTheLimit) {
  pf::Socket client = 0, server = 0;
  Pair(&client, &server);
  ASSERT_TRUE(WaitFor(client, pf::FD_WRITE));
  // Cut inside the first piece, at its end, inside the second, and not at all.
  const struct {
    int limit, sent;
  } cases[] = {{3, 3}, {4, 4}, {6, 6}, {0, 9}};
  std::string expected;
  for (const auto& c : cases) {
    pf::testing::LimitSendSize(c.limit);
    EXPECT_EQ(pf::SocketSendPair(client, "abcd", 4, "efghi", 5), c.sent) << c.limit;
    expected += std::string("abcdefghi").substr(0, static_cast<std::size_t>(c.sent));
  }
  pf::testing::LimitSendSize(0);
  EXPECT_EQ(pf::SocketSendPair(client, "", 0, "xy", 2), 2);
  EXPECT_EQ(pf::SocketSendPair(client, nullptr, 1, "xy", 2), pf::kSocketError);
  EXPECT_EQ(pf::WSAGetLastError(), pf::WSAEFAULT);
  expected += "xy";
  std::string got;
  char buffer[64];
  while (got.size() < expected.size() && WaitFor(server, pf::FD_READ)) {
    const int n = pf::SocketRecv(server, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(got, expected);
}

TEST_F(Sockets, HostLookupAnswersLoopbackNamesAndFailsWhenToldTo) {
  const pf::HostEntry* entry = pf::GetHostByName("localhost");
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(entry->addresses[0], nullptr);
  EXPECT_EQ(static_cast<unsigned char>(entry->addresses[0][0]), 127);
  entry = pf::GetHostByName("127.0.0.1");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(std::memcmp(entry->addresses[0], "\x7f\x00\x00\x01", 4), 0);
  pf::testing::FailNextCalls("gethostbyname", 1);
  EXPECT_EQ(pf::GetHostByName("localhost"), nullptr);
  EXPECT_EQ(pf::WSAGetLastError(), pf::WSAHOST_NOT_FOUND);
  std::uint32_t value = pf::InetAddr("10.1.2.3");
  EXPECT_EQ(std::memcmp(&value, "\x0a\x01\x02\x03", 4), 0);
  EXPECT_EQ(pf::InetAddr("10.1.2"), pf::kInvalidAddress);
  char name[256];
  EXPECT_EQ(pf::GetHostName(name, sizeof name), 0);
}

}  // namespace
