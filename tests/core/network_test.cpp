// Network connections on the loopback address: framed messages between two connections of one
// process, a listener filled to the last slot, handles, raw mode, and peers that misbehave.
#include <sys/resource.h>

#include <climits>
#include <random>

#include "network_fixture.h"

namespace zelvo_test {
namespace {

using zelvo::g_network;
using zelvo::kMaxNetWorkPacket;

class Network : public NetworkTest {
 protected:
  zelvo::NetWorkRecord* Record(int handle) { return g_network.table[handle & 0xFFFF]; }
  bool Closed(int handle) { return g_network.table[handle & 0xFFFF] == nullptr; }
};

TEST_F(Network, ConnectionsOfOneProcessExchangeFramedMessages) {
  const int port = Listen();
  const int client = zelvo::OpenNetWorkConnection(LoopbackAddress(), port);
  ASSERT_NE(client, -1);
  EXPECT_EQ(client & 0x7800FFFF, 0x48000000 | (client & 0xFFFF));
  const int server = NextAccepted();
  ASSERT_NE(server, -1);
  EXPECT_EQ(zelvo::GetNetWorkAcceptState(client), 1);
  EXPECT_EQ(zelvo::GetNetWorkAcceptState(server), 1);
  EXPECT_EQ(zelvo::GetNewAcceptNetWork(), -1);   // each accepted connection is given out once

  // An empty message puts nothing on the wire: the next one arrives alone.
  EXPECT_EQ(zelvo::NetWorkSend(client, "", 0), 0);
  struct Case { int from, to, size; };
  const Case cases[] = {{client, server, 1}, {client, server, 64 * 1024}, {server, client, 64 * 1024},
                        {client, server, kMaxNetWorkPacket}};
  unsigned seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::vector<char> sent = PatternBytes(static_cast<std::size_t>(c.size), seed++);
    ASSERT_EQ(zelvo::NetWorkSend(c.from, sent.data(), c.size), 0);
    ASSERT_TRUE(WaitForData(c.to, c.size));
    EXPECT_EQ(zelvo::GetNetWorkDataLength(c.to), c.size);
    std::vector<char> got(sent.size());
    ASSERT_EQ(zelvo::NetWorkRecv(c.to, got.data(), c.size), 0);
    EXPECT_TRUE(got == sent);
    EXPECT_EQ(zelvo::GetNetWorkDataLength(c.to), 0);
  }
  EXPECT_EQ(zelvo::CloseNetWorkConnection(client), 0);
  EXPECT_EQ(zelvo::CloseNetWorkConnection(client), -1);
  EXPECT_TRUE(PumpUntil([&] { return zelvo::GetNetWorkAcceptState(server) == 0; }));
}

TEST_F(Network, OnlyCompletePacketsCountAndAreRead) {
  const int port = Listen();
  RawPeer peer = RawPeer::Connect(port);
  ASSERT_TRUE(peer.Valid());
  peer.NoDelay();
  const int server = NextAccepted();
  ASSERT_NE(server, -1);
  ASSERT_TRUE(peer.SendFrame(10, "0123", 4));
  ASSERT_TRUE(PumpUntil([&] { return zelvo::GetNetWorkDataLength(server) == 0 && Record(server)->receiveMissing == 6; }));
  char buffer[16] = {};
  EXPECT_EQ(zelvo::NetWorkRecv(server, buffer, 1), -1);
  // The rest, and a second packet whose prefix comes a byte at a time.
  ASSERT_TRUE(peer.SendAll("456789", 6));
  for (char byte : std::string("\x03\x00\x00\x00" "abc", 7)) {
    ASSERT_TRUE(peer.SendAll(&byte, 1));
    PumpMessages();
  }
  ASSERT_TRUE(WaitForData(server, 13));
  EXPECT_EQ(zelvo::NetWorkRecvToPeek(server, buffer, 13), 0);
  EXPECT_EQ(std::string(buffer, 13), "0123456789abc");
  EXPECT_EQ(zelvo::NetWorkRecv(server, buffer, 10), 0);
  EXPECT_EQ(zelvo::GetNetWorkDataLength(server), 3);
  EXPECT_EQ(zelvo::NetWorkRecv(server, buffer, 3), 0);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST_F(Network, SendsQueuedWhileAPacketIsOnItsWayGoOutAsOnePacket) {
  int port = 0;
  RawPeer listener = RawPeer::Listen(&port);
  const int client = zelvo::OpenNetWorkConnection(LoopbackAddress(), port);
  ASSERT_NE(client, -1);
  RawPeer peer = listener.Accept();
  ASSERT_TRUE(peer.Valid());
  pf::testing::LimitSendSize(8);
  const std::vector<char> first = PatternBytes(100, 7);
  ASSERT_EQ(zelvo::NetWorkSend(client, first.data(), 100), 0);
  ASSERT_EQ(zelvo::NetWorkSend(client, "0123456789", 10), 0);
  ASSERT_EQ(zelvo::NetWorkSend(client, "abcdefghijklmnopqrst", 20), 0);
  pf::testing::LimitSendSize(0);
  ASSERT_TRUE(PumpUntil([&] { return Record(client)->sendRing.dataLength == 0 && Record(client)->sendRemaining == 0; }));
  const std::string wire = peer.Receive(4 + 100 + 4 + 30);
  ASSERT_EQ(wire.size(), 138u);
  EXPECT_EQ(wire.substr(0, 4), std::string("\x64\0\0\0", 4));
  EXPECT_EQ(wire.substr(4, 100), std::string(first.begin(), first.end()));
  EXPECT_EQ(wire.substr(104, 4), std::string("\x1e\0\0\0", 4));
  EXPECT_EQ(wire.substr(108), "0123456789abcdefghijklmnopqrst");
}

TEST_F(Network, AnnouncedLengthBeyondTheMaximumPutsTheConnectionInError) {
  const int port = Listen();
  zelvo::SetNetWorkAutoClose(0);
  for (std::int32_t length : {kMaxNetWorkPacket + 1, -1, INT_MAX}) {
    SCOPED_TRACE(length);
    RawPeer peer = RawPeer::Connect(port);
    const int server = NextAccepted();
    ASSERT_NE(server, -1);
    const std::size_t before = zelvo::TrackedAllocatorTotals().liveBytes;
    ASSERT_TRUE(peer.SendFrame(length, "xyz", 3));
    ASSERT_TRUE(PumpUntil([&] { return Record(server)->errorFlag != 0; }));
    EXPECT_LT(zelvo::TrackedAllocatorTotals().liveBytes, before + 65536);
    EXPECT_EQ(zelvo::NetWorkRecv(server, nullptr, 0), -1);
    EXPECT_EQ(zelvo::GetNetWorkAcceptState(server), -1);
    EXPECT_EQ(zelvo::CloseNetWorkConnection(server), 0);   // a connection in error can still be closed
    EXPECT_TRUE(peer.SeesClose());
  }
  EXPECT_TRUE(InOrder(ReadLog(), {"受信データを保存するリングバッファのリサイズに失敗しました(データサイズ 16777217 byte)",
                                  "このネットワークハンドルにはエラーが発生しています in NetWorkRecv",
                                  "このネットワークハンドルにはエラーが発生しています in GetNetWorkAcceptStateh",
                                  "(データサイズ -1 byte)", "(データサイズ 2147483647 byte)"}));
  // With automatic closing the pump closes a connection in error.
  zelvo::SetNetWorkAutoClose(1);
  RawPeer peer = RawPeer::Connect(port);
  const int server = NextAccepted();
  ASSERT_TRUE(peer.SendFrame(-5, "", 0));
  EXPECT_TRUE(PumpUntil([&] { return Closed(server); }));
  EXPECT_TRUE(peer.SeesClose());
}

TEST_F(Network, PeerClosingMidPacketIsLostOnceObservedAndThenClosed) {
  const int port = Listen();
  for (int autoClose : {1, 0}) {
    SCOPED_TRACE(autoClose);
    zelvo::SetNetWorkAutoClose(autoClose);
    RawPeer peer = RawPeer::Connect(port);
    const int server = NextAccepted();
    ASSERT_NE(server, -1);
    ASSERT_TRUE(peer.SendFrame(1000, "0123456789", 10));
    peer.Close();
    ASSERT_TRUE(PumpUntil([&] { return Record(server)->connected == 0; }));
    for (int i = 0; i < 3; ++i) PumpMessages();
    ASSERT_FALSE(Closed(server));   // nobody has seen it lost yet
    EXPECT_EQ(zelvo::GetNetWorkDataLength(server), 0);
    EXPECT_EQ(zelvo::GetNetWorkAcceptState(server), 0);
    PumpMessages();
    EXPECT_EQ(Closed(server), autoClose == 1);
    if (autoClose == 0) {
      EXPECT_EQ(zelvo::CloseNetWorkConnection(server), 0);
    }
  }
}

TEST_F(Network, FloodOfOneByteSendsArrivesWhole) {
  const int port = Listen();
  RawPeer peer = RawPeer::Connect(port);
  peer.NoDelay();
  const int server = NextAccepted();
  ASSERT_NE(server, -1);
  std::string expected;
  for (int i = 0; i < 400; ++i) {
    const char frame[5] = {1, 0, 0, 0, static_cast<char>('a' + i % 26)};
    for (char byte : frame) ASSERT_TRUE(peer.SendAll(&byte, 1));
    expected += frame[4];
    if (i % 16 == 0) PumpMessages();
  }
  ASSERT_TRUE(WaitForData(server, 400));
  std::string got(400, '\0');
  ASSERT_EQ(zelvo::NetWorkRecv(server, got.data(), 400), 0);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(Record(server)->errorFlag, 0);
}

TEST_F(Network, PeerThatNeverStopsSendingIsHeldToABoundedBacklog) {
  const int port = Listen();
  RawPeer peer = RawPeer::Connect(port);
  const int server = NextAccepted();
  ASSERT_NE(server, -1);
  fcntl(peer.fd(), F_SETFL, fcntl(peer.fd(), F_GETFL) | O_NONBLOCK);
  constexpr int kFrame = 1 << 20;
  std::vector<char> frame = PatternBytes(kFrame + 4, 3);
  std::memcpy(frame.data(), "\x00\x00\x10\x00", 4);
  std::size_t offset = 0;
  long long sentTotal = 0;
  bool blocked = false;
  auto feed = [&] {
    blocked = false;
    for (;;) {
      const ssize_t n = ::send(peer.fd(), frame.data() + offset, frame.size() - offset, MSG_NOSIGNAL);
      if (n <= 0) {
        blocked = true;
        return;
      }
      sentTotal += n;
      offset = (offset + static_cast<std::size_t>(n)) % frame.size();
    }
  };
  ASSERT_TRUE(PumpUntil([&] {
    feed();
    return blocked && Record(server)->receiveCompleteBytes >= kMaxNetWorkPacket;
  }));
  for (int i = 0; i < 200; ++i) {
    feed();
    PumpMessages();
  }
  EXPECT_TRUE(blocked);
  EXPECT_GT(sentTotal, kMaxNetWorkPacket);
  EXPECT_LE(Record(server)->receiveCompleteBytes, kMaxNetWorkPacket + kFrame);
  EXPECT_LE(Record(server)->receiveRing.capacity, 2 * kMaxNetWorkPacket + kFrame + 1004);
  // Reading makes room, and the held-back packets come in.
  std::vector<char> sink(static_cast<std::size_t>(kMaxNetWorkPacket + kFrame));
  const int waiting = zelvo::GetNetWorkDataLength(server);
  ASSERT_LE(waiting, kMaxNetWorkPacket + kFrame);
  ASSERT_EQ(zelvo::NetWorkRecv(server, sink.data(), waiting), 0);
  EXPECT_TRUE(PumpUntil([&] { return zelvo::GetNetWorkDataLength(server) >= kFrame; }));
  EXPECT_EQ(std::memcmp(sink.data(), frame.data() + 4, kFrame), 0);
}

// Packets of every length class, the wire fed in pieces of random size while the program reads each
// packet as soon as it is whole: the reads straight into the ring (after a packet of 16 KiB or more,
// reading past it into following packets, past a shorter one by more than a stage, and growing the
// ring for a packet found there) must give what a plain byte-by-byte framing of the wire gives.
TEST_F(Network, RandomPacketsFedInRandomPiecesArriveAsSent) {
  const int port = Listen();
  RawPeer peer = RawPeer::Connect(port);
  const int server = NextAccepted();
  ASSERT_NE(server, -1);
  fcntl(peer.fd(), F_SETFL, fcntl(peer.fd(), F_GETFL) | O_NONBLOCK);
  std::mt19937 random(43);
  std::vector<int> lengths = {500000, 10, 2000000, 20000, 20000, 3};
  const int classes[][2] = {{0, 0}, {1, 100}, {1000, 20000}, {16384, 70000}, {200000, 600000}};
  for (int i = 0; i < 60; ++i) {
    const auto& range = classes[random() % 5];
    lengths.push_back(range[0] + static_cast<int>(random() % static_cast<unsigned>(range[1] - range[0] + 1)));
  }
  std::string wire;
  std::vector<std::string> bodies;
  for (int length : lengths) {
    const std::vector<char> body = PatternBytes(static_cast<std::size_t>(length), static_cast<unsigned>(bodies.size() + 9));
    for (int i = 0; i < 4; ++i) wire += static_cast<char>(static_cast<std::uint32_t>(length) >> (8 * i));
    wire.append(body.begin(), body.end());
    bodies.emplace_back(body.begin(), body.end());
  }
  // The first packet alone and read out, so that the next two arrive at an empty ring.
  std::size_t sent = 0, piece = 4 + 500000;
  std::size_t next = 0;
  std::vector<char> got;
  auto feed = [&] {
    const std::size_t until = std::min(wire.size(), sent + piece);
    while (sent < until) {
      const ssize_t n = ::send(peer.fd(), wire.data() + sent, until - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
    piece = sent == 4 + 500000 ? 4 + 10 + 4 + 2000000 : 1 + random() % 700000;
  };
  ASSERT_TRUE(PumpUntil([&] {
    if (sent < wire.size() && (next > 0 || sent < 4 + 500000)) feed();
    while (next < bodies.size() && zelvo::GetNetWorkDataLength(server) >= static_cast<int>(bodies[next].size())) {
      got.assign(bodies[next].size(), '\0');
      if (zelvo::NetWorkRecv(server, got.data(), static_cast<int>(got.size())) != 0 ||
          std::string(got.begin(), got.end()) != bodies[next]) {
        ADD_FAILURE() << "packet " << next << " of " << bodies[next].size() << " bytes differs";
        return true;
      }
      ++next;
    }
    return next == bodies.size();
  }));
  EXPECT_EQ(next, bodies.size());
  EXPECT_EQ(zelvo::GetNetWorkDataLength(server), 0);
  EXPECT_EQ(Record(server)->errorFlag, 0);
}

TEST_F(Network, ResetMidPacketLeavesNothingHalfReadAndTheConnectionLost) {
  const int port = Listen();
  pf::testing::ResetNextConnectionAfter(4 + 1000);
  const int client = zelvo::OpenNetWorkConnection(LoopbackAddress(), port);
  ASSERT_NE(client, -1);
  const int server = NextAccepted();
  ASSERT_NE(server, -1);
  const std::vector<char> message = PatternBytes(65536, 5);
  EXPECT_EQ(zelvo::NetWorkSend(client, message.data(), 65536), 0);
  ASSERT_TRUE(PumpUntil([&] { return zelvo::GetNetWorkAcceptState(server) == 0; }));
  EXPECT_EQ(zelvo::GetNetWorkDataLength(server), 0);
  EXPECT_TRUE(PumpUntil([&] { return zelvo::GetNetWorkAcceptState(client) == 0; }));
  PumpMessages();
  EXPECT_TRUE(Closed(server));
  EXPECT_TRUE(Closed(client));
}

TEST_F(Network, ListenerTakesTheMaximumAndRefusesTheNext) {
  // The accepted ends stay in the table; the test's own ends are closed once accepted.
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 16384);
  setrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_cur < 4096 + 256) GTEST_SKIP() << "descriptor limit " << limit.rlim_cur;
  const int port = Listen();
  for (int batch = 0; batch < zelvo::kMaxNetWorkConnections / 64; ++batch) {
    std::vector<RawPeer> peers;
    for (int i = 0; i < 64; ++i) peers.push_back(RawPeer::Connect(port));
    const int target = (batch + 1) * 64;
    ASSERT_TRUE(PumpUntil([&] { return g_network.liveCount == target; })) << g_network.liveCount;
  }
  EXPECT_EQ(zelvo::OpenNetWorkConnection(LoopbackAddress(), port), -1);
  RawPeer refused = RawPeer::Connect(port);
  ASSERT_TRUE(refused.Valid());
  ASSERT_TRUE(PumpUntil([&] {
    pollfd p{refused.fd(), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
  }));
  EXPECT_TRUE(refused.SeesClose(0));
  EXPECT_EQ(g_network.liveCount, zelvo::kMaxNetWorkConnections);
  // A freed slot takes the next connection.
  const int first = zelvo::GetNewAcceptNetWork();
  ASSERT_EQ(first & 0xFFFF, 0);
  EXPECT_EQ(zelvo::CloseNetWorkConnection(first), 0);
  RawPeer next = RawPeer::Connect(port);
  EXPECT_TRUE(PumpUntil([&] { return g_network.liveCount == zelvo::kMaxNetWorkConnections; }));
  EXPECT_TRUE(InOrder(ReadLog(), {"ソケットに空きがありません", "空きソケットデータがなかったので accept を拒否しました "}));
}

TEST_F(Network, ConnectingAgainReturnsTheOpenConnectionAndRefusalsFail) {
  const int port = Listen();
  const int client = zelvo::OpenNetWorkConnection(LoopbackAddress(), port);
  ASSERT_NE(client, -1);
  EXPECT_EQ(zelvo::OpenNetWorkConnection(LoopbackAddress(), port), client);
  int closedPort = 0;
  { RawPeer gone = RawPeer::Listen(&closedPort); }   // nobody listens there any more
  EXPECT_EQ(zelvo::OpenNetWorkConnection(LoopbackAddress(), closedPort), -1);
  int livePort = 0;
  RawPeer live = RawPeer::Listen(&livePort);
  pf::testing::FailNextCalls("connect", 1);
  EXPECT_EQ(zelvo::OpenNetWorkConnection(LoopbackAddress(), livePort), -1);
  EXPECT_EQ(g_network.liveCount, 2);   // the client and its accepted end
  EXPECT_TRUE(InOrder(ReadLog(), {"127.0.0.1 への接続に失敗しました。", "127.0.0.1 への接続に失敗しました。"}));
}

TEST_F(Network, HandlesOfTheWrongShapeOrAClosedConnectionFail) {
  const int port = Listen();
  const int client = zelvo::OpenNetWorkConnection(LoopbackAddress(), port);
  ASSERT_NE(client, -1);
  const int slot = client & 0xFFFF;
  const int wrong[] = {-1, 0, (client & 0x07FFFFFF) | (8 << 27), client + (1 << 16), 0x48000000 | 4096};
  for (int handle : wrong) {
    SCOPED_TRACE(handle);
    EXPECT_EQ(zelvo::NetWorkSend(handle, "x", 1), -1);
    EXPECT_EQ(zelvo::GetNetWorkDataLength(handle), -1);
    EXPECT_EQ(zelvo::CloseNetWorkConnection(handle), -1);
  }
  EXPECT_EQ(zelvo::CloseNetWorkConnection(client), 0);
  EXPECT_EQ(zelvo::GetNetWorkAcceptState(client), -1);
  EXPECT_EQ(g_network.table[slot], nullptr);
}

TEST_F(Network, RawModePassesStraightToTheSocket) {
  int port = 0;
  RawPeer listener = RawPeer::Listen(&port);
  zelvo::SetNetWorkPacketMode(0);
  const int client = zelvo::OpenNetWorkConnection(LoopbackAddress(), port);
  zelvo::SetNetWorkPacketMode(1);
  ASSERT_NE(client, -1);
  RawPeer peer = listener.Accept();
  EXPECT_EQ(zelvo::NetWorkSend(client, "hello", 5), 5);
  EXPECT_EQ(peer.Receive(5), "hello");
  EXPECT_EQ(zelvo::GetNetWorkDataLength(client), 0);
  ASSERT_TRUE(peer.SendAll("abc", 3));
  ASSERT_TRUE(PumpUntil([&] { return zelvo::GetNetWorkDataLength(client) == 1; }));
  char buffer[8];
  EXPECT_EQ(zelvo::NetWorkRecvToPeek(client, buffer, 8), 3);
  EXPECT_EQ(zelvo::NetWorkRecv(client, buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST_F(Network, HostNamesResolveOnTheMachineItself) {
  unsigned char address[4] = {};
  EXPECT_EQ(zelvo::ResolveHostAddress("127.0.0.1", address), 0);
  EXPECT_EQ(std::memcmp(address, "\x7f\x00\x00\x01", 4), 0);
  EXPECT_EQ(zelvo::ResolveHostAddress("localhost", address), 0);
  EXPECT_EQ(address[0], 127);
  pf::testing::FailNextCalls("gethostbyname", 1);
  EXPECT_EQ(zelvo::ResolveHostAddress("localhost", address), -1);
}

TEST_F(Network, LayerStartsOnFirstUseAndEndsCleanly) {
  EXPECT_EQ(g_network.started, 0);
  unsigned char address[4];
  ASSERT_EQ(zelvo::ResolveHostAddress("127.0.0.1", address), 0);
  EXPECT_EQ(g_network.started, 1);
  const int port = Listen();
  ASSERT_NE(zelvo::OpenNetWorkConnection(LoopbackAddress(), port), -1);
  EXPECT_EQ(zelvo::EndNetWorkLayer(), 0);
  EXPECT_EQ(pf::testing::OpenSocketCount(), 0);
  EXPECT_EQ(g_network.liveCount, 0);
  EXPECT_EQ(zelvo::StartNetWorkLayer(nullptr), 0);   // and starts again
  EXPECT_TRUE(InOrder(ReadLog(), {"ネットワーク関連を初期化します", "初期化を完了しました ",
                                  "ネットワーク関連の終了処理を行います ", "ネットワーク関連の終了処理は完了しました",
                                  "ネットワーク関連を初期化します"}));
}

}  // namespace
}  // namespace zelvo_test
