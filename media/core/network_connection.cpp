// Opening, accepting, listening for and closing connections, and their connected state.
#include "media/core/core_state.h"
#include "media/core/log.h"
#include "media/core/network_layer.h"
#include "platform/kernel/kernel.h"

namespace zelvo {
namespace {

constexpr std::int32_t kConnectionEvents = pf::FD_READ | pf::FD_WRITE | pf::FD_CONNECT | pf::FD_CLOSE;
constexpr std::int32_t kAcceptedEvents = pf::FD_READ | pf::FD_WRITE | pf::FD_CLOSE;
constexpr int kListenBacklog = 0x7FFFFFFF;   // as many as the system allows
constexpr std::uint32_t kFinalTransferMs = 1000;

int StartLayerForUse() {
  if (g_network.started != 0) return 0;
  if (g_runState.ending != 0) return -1;
  return StartNetWorkLayer(nullptr);
}

pf::SocketAddress InetSocketAddress(std::uint32_t address, int port) {
  pf::SocketAddress target{};
  target.family = pf::kAddressFamilyInet;
  target.port = pf::HostToNetwork16(static_cast<std::uint16_t>(port));
  CopyBytes(target.address, &address, 4);
  return target;
}

// A packet whose send the socket takes in parts goes out as several segments; without this the last
// one could wait for the acknowledgement of the one before it.
void SendWithoutDelay(const NetWorkRecord* record) {
  const int on = 1;
  if (record->packetMode != 0) pf::SetSocketOption(record->socket, pf::kProtocolTcp, pf::kTcpNoDelay, &on, sizeof on);
}

int FindOpenConnectionTo(const unsigned char* address, int port) {
  const std::uint16_t wirePort = pf::HostToNetwork16(static_cast<std::uint16_t>(port));
  for (ListNode* node = g_network.head.next; node != &g_network.tail; node = node->next) {
    const NetWorkRecord* record = g_network.table[node->value];
    if (record->connected != 0 && record->initiatedHere != 0 && record->peerPort == wirePort &&
        BytesDiffer(record->peerAddress, address, 4) == 0) {
      return node->value;
    }
  }
  return -1;
}

// Starts the connect in a new record; 0, or -1 with the record removed.
int StartConnect(int slot, const unsigned char* address, int port) {
  NetWorkRecord* record = g_network.table[slot];
  record->initiatedHere = 1;
  CopyBytes(record->peerAddress, address, 4);
  record->peerPort = pf::HostToNetwork16(static_cast<std::uint16_t>(port));
  record->socket = pf::CreateSocket(pf::kAddressFamilyInet, pf::kSocketStream, pf::kProtocolTcp);
  if (record->socket == pf::kInvalidSocket) {
    WriteNetWorkErrorLog("WINSOCK.DLLが動作していません、ソケットの作成に失敗しました");
    RemoveNetWorkRecord(slot);
    return -1;
  }
  if (pf::WSAAsyncSelect(record->socket, g_network.hiddenWindow, kSocketNoticeMessage, kConnectionEvents) != 0) {
    WriteNetWorkErrorLog("WSAAsyncSelectでエラーが発生しました");
    RemoveNetWorkRecord(slot);
    return -1;
  }
  SendWithoutDelay(record);
  std::uint32_t value = 0;
  CopyBytes(&value, address, 4);
  const pf::SocketAddress target = InetSocketAddress(value, port);
  if (pf::SocketConnect(record->socket, &target, sizeof target) != 0 && pf::WSAGetLastError() != pf::WSAEWOULDBLOCK) {
    record->connectFailed = 1;
  }
  return 0;
}

// A connection that cannot be taken is accepted and closed at once, so its peer is told instead
// of waiting in the backlog for good.
void RefusePendingConnection() {
  pf::Socket refused = pf::SocketAccept(g_network.listenSocket, nullptr, nullptr);
  if (refused != pf::kInvalidSocket) pf::CloseSocket(refused);
}

}  // namespace

int OpenNetWorkConnection(std::uint32_t address, int port) {
  if (StartLayerForUse() != 0) return -1;
  PumpNetWorkWindow(0);
  if (port == -1) port = kDefaultNetWorkPort;
  unsigned char bytes[4];
  CopyBytes(bytes, &address, 4);
  if (port < 0 || port > 0xFFFF) {
    WriteLogFormat("%d.%d.%d.%d への接続に失敗しました。", bytes[0], bytes[1], bytes[2], bytes[3]);
    return -1;
  }
  const int existing = FindOpenConnectionTo(bytes, port);
  if (existing >= 0) return NetWorkHandleOf(existing);
  const int slot = FindFreeNetWorkSlot();
  if (slot < 0) {
    WriteLogText("ソケットに空きがありません\n");
    return -1;
  }
  NetWorkRecord* record = AddNetWorkRecord(slot);
  if (record == nullptr || StartConnect(slot, bytes, port) != 0) return -1;
  const int timeout = g_netWorkSettings.connectTimeoutMs != 0 ? g_netWorkSettings.connectTimeoutMs : kDefaultConnectTimeoutMs;
  // A connect that the peer refused is over at once; there is nothing to wait for.
  const std::uint32_t start = pf::timeGetTime();
  while (record->connected == 0 && record->connectFailed == 0 &&
         pf::timeGetTime() - start < static_cast<std::uint32_t>(timeout)) {
    PumpNetWorkWindow(0);
  }
  if (record->connected != 0) return IssueNetWorkHandle(slot);
  WriteLogFormat("%d.%d.%d.%d への接続に失敗しました。", bytes[0], bytes[1], bytes[2], bytes[3]);
  RemoveNetWorkRecord(slot);
  return -1;
}

int CloseNetWorkConnection(int handle) {
  if (CheckNetWorkHandle(handle, "CloseNetWorkConnection", nullptr) == nullptr) return -1;
  PumpNetWorkWindow(0);
  CloseNetWorkSlot(handle & 0xFFFF);
  return 0;
}

void CloseNetWorkSlot(int slot) {
  NetWorkRecord* record = g_network.table[slot];
  if (record->packetMode != 0) {
    // The packet on its way in, then what is queued to go out, each for a limited time and only
    // while the connection stands.
    std::uint32_t start = pf::timeGetTime();
    while ((record->receiveMissing > 0 || record->receivePrefixBytes > 0) && record->connected != 0 && record->errorFlag == 0 &&
           pf::timeGetTime() - start < kFinalTransferMs) {
      RecvSocket(record);
    }
    start = pf::timeGetTime();
    while ((record->sendRing.dataLength > 0 || record->sendRemaining > 0) && record->connected != 0 &&
           pf::timeGetTime() - start < kFinalTransferMs) {
      SendSocket(record);
      PumpNetWorkWindow(0);
    }
  }
  RemoveNetWorkRecord(slot);
}

int AcceptNetWork() {
  if (g_network.listenSocket == pf::kInvalidSocket) return -1;
  const int slot = FindFreeNetWorkSlot();
  if (slot < 0) {
    WriteLogText("空きソケットデータがなかったので accept を拒否しました \n");
    RefusePendingConnection();
    return -1;
  }
  NetWorkRecord* record = AddNetWorkRecord(slot);
  if (record == nullptr) {
    RefusePendingConnection();
    return -1;
  }
  record->accepted = 1;
  record->connected = 1;
  pf::SocketAddress peer{};
  int length = sizeof peer;
  record->socket = pf::SocketAccept(g_network.listenSocket, &peer, &length);
  if (record->socket == pf::kInvalidSocket) {
    WriteNetWorkErrorLog("acceptに失敗しました");
    RemoveNetWorkRecord(slot);
    return -1;
  }
  CopyBytes(record->peerAddress, peer.address, 4);
  record->peerPort = peer.port;
  SendWithoutDelay(record);
  if (pf::WSAAsyncSelect(record->socket, g_network.hiddenWindow, kSocketNoticeMessage, kAcceptedEvents) != 0) {
    WriteNetWorkErrorLog("WSAAsyncSelectのエラー in AcceptNetWork");
    RemoveNetWorkRecord(slot);
    return -1;
  }
  IssueNetWorkHandle(slot);
  return 1;
}

int GetNetWorkAcceptState(int handle) {
  NetWorkRecord* record = CheckNetWorkHandle(handle, "GetNetWorkAcceptState", "GetNetWorkAcceptStateh");
  if (record == nullptr) return -1;
  PumpNetWorkWindow(0);
  if (record->connected == 0) record->lostObserved = 1;
  return record->connected;
}

int StartListenNetWork(std::uint32_t address, int port) {
  if (StartLayerForUse() != 0) return -1;
  if (port == -1) port = kDefaultNetWorkPort;
  if (port < 0 || port > 0xFFFF) return -1;
  StopListenNetWork();
  const pf::Socket socket = pf::CreateSocket(pf::kAddressFamilyInet, pf::kSocketStream, pf::kProtocolTcp);
  if (socket == pf::kInvalidSocket) {
    WriteNetWorkErrorLog("WINSOCK.DLLが動作していません、ソケットの作成に失敗しました");
    return -1;
  }
  const pf::SocketAddress local = InetSocketAddress(address, port);
  pf::SocketAddress bound{};
  int length = sizeof bound;
  if (pf::SocketBind(socket, &local, sizeof local) != 0 || pf::SocketListen(socket, kListenBacklog) != 0 ||
      pf::WSAAsyncSelect(socket, g_network.hiddenWindow, kSocketNoticeMessage, pf::FD_ACCEPT) != 0 ||
      pf::GetSocketName(socket, &bound, &length) != 0) {
    WriteNetWorkErrorLog("接続の待ち受けを開始できませんでした");
    pf::CloseSocket(socket);
    return -1;
  }
  g_network.listenSocket = socket;
  return pf::NetworkToHost16(bound.port);
}

int StopListenNetWork() {
  if (g_network.listenSocket == pf::kInvalidSocket) return 0;
  pf::WSAAsyncSelect(g_network.listenSocket, g_network.hiddenWindow, 0, 0);
  pf::CloseSocket(g_network.listenSocket);
  g_network.listenSocket = pf::kInvalidSocket;
  return 0;
}

int GetNewAcceptNetWork() {
  if (g_network.started == 0) return -1;
  for (ListNode* node = g_network.head.next; node != &g_network.tail; node = node->next) {
    NetWorkRecord* record = g_network.table[node->value];
    if (record->accepted != 0 && record->handedOut == 0) {
      record->handedOut = 1;
      return NetWorkHandleOf(node->value);
    }
  }
  return -1;
}

}  // namespace zelvo
