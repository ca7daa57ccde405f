// The network layer: start and end with WinSock and the hidden window that receives the socket
// notices, the notices themselves, the pump, host lookup, the handle check and the table of
// connection records.
#include "media/core/network_layer.h"

#include "media/core/core_state.h"
#include "media/core/log.h"
#include "media/core/window_mode.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

NetWorkSettings g_netWorkSettings{1, 1, 0};
NetWorkState g_network{};

namespace {

constexpr char kHiddenWindowClass[] = "WinSockProc";
constexpr std::uint16_t kWinSockVersion = 0x0101;
// A hidden window that does not go away when asked (a thread that never reads its queue) is
// destroyed directly after this long.
constexpr std::uint32_t kHiddenWindowCloseWaitMs = 1000;

pf::LResult HiddenWindowProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  switch (message) {
    case kSocketNoticeMessage: HandleSocketNotice(wParam, lParam); return 0;
    case pf::WM_CLOSE: pf::DestroyWindow(window); return 0;
    case pf::WM_DESTROY: g_network.hiddenDestroyed = 1; return 0;
    default: return pf::DefWindowProc(window, message, wParam, lParam);
  }
}

void RecordLocalAddress() {
  char name[256];
  FillBytes(g_network.localAddress, 0, sizeof g_network.localAddress);
  if (pf::GetHostName(name, sizeof name) != 0) return;
  const pf::HostEntry* entry = pf::GetHostByName(name);
  if (entry != nullptr && entry->addressLength == 4 && entry->addresses[0] != nullptr) {
    CopyBytes(g_network.localAddress, entry->addresses[0], 4);
  }
}

void ClearConnectionTable() {
  for (NetWorkRecord*& record : g_network.table) record = nullptr;
  g_network.liveCount = 0;
  ListInit(&g_network.head, &g_network.tail);
}

int CreateHiddenWindow() {
  pf::WindowClass windowClass{};
  windowClass.procedure = HiddenWindowProc;
  windowClass.className = kHiddenWindowClass;
  if (pf::RegisterClass(&windowClass) == 0) {
    WriteLogText("ネットワーク処理用の子ウインドウクラスの登録に失敗しました\n");
    return -1;
  }
  g_network.hiddenDestroyed = 0;
  g_network.hiddenWindow = pf::CreateWindowEx(pf::WS_EX_TRANSPARENT, kHiddenWindowClass, kHiddenWindowClass,
                                              pf::WS_CHILD, 0, 0, 0, 0, g_network.parentWindow, nullptr, nullptr);
  if (g_network.hiddenWindow == nullptr) {
    pf::UnregisterClass(kHiddenWindowClass, nullptr);
    WriteLogText("ネットワーク処理用の子ウインドウの作成に失敗しました\n");
    return -1;
  }
  return 0;
}

void DestroyHiddenWindow() {
  pf::PostMessage(g_network.hiddenWindow, pf::WM_CLOSE, 0, 0);
  const std::uint32_t start = pf::timeGetTime();
  while (g_network.hiddenDestroyed == 0 && pf::IsWindow(g_network.hiddenWindow) &&
         pf::timeGetTime() - start < kHiddenWindowCloseWaitMs) {
    pf::Message message{};
    while (pf::PeekMessage(&message, g_network.hiddenWindow, 0, 0, pf::PM_REMOVE)) pf::DispatchMessage(&message);
  }
  if (pf::IsWindow(g_network.hiddenWindow)) pf::DestroyWindow(g_network.hiddenWindow);
  g_network.hiddenWindow = nullptr;
  // The class goes with its window, so that the layer can start again.
  pf::UnregisterClass(kHiddenWindowClass, nullptr);
}

}  // namespace

int WriteNetWorkErrorLog(const char* what) {
  return WriteLogFormat("ネットワークログ。%s[%d]", what, pf::WSAGetLastError());
}

int StartNetWorkLayer(pf::WindowHandle parent) {
  if (g_network.started != 0) return 0;
  WriteLogText("ネットワーク関連を初期化します\n");
  PushLogIndent();
  pf::WsaData data{};
  if (pf::WSAStartup(kWinSockVersion, &data) != 0) {
    WriteLogText("WinSock.DLLが導入されていません\n");
    PopLogIndent();
    return -1;
  }
  if (data.version != kWinSockVersion) {
    pf::WSACleanup();
    WriteLogText("Winsock.DLLのバージョンが違います\n");
    PopLogIndent();
    return -1;
  }
  g_network.stage = static_cast<char*>(ZELVO_ALLOC(kNetWorkStageSize));
  if (g_network.stage == nullptr) {
    pf::WSACleanup();
    PopLogIndent();
    return -1;
  }
  RecordLocalAddress();
  ClearConnectionTable();
  g_network.listenSocket = pf::kInvalidSocket;
  g_network.parentWindow = parent != nullptr ? parent : QueryMainWindow();
  if (CreateHiddenWindow() != 0) {
    TrackedFree(g_network.stage);
    g_network.stage = nullptr;
    pf::WSACleanup();
    PopLogIndent();
    return -1;
  }
  g_network.started = 1;
  PopLogIndent();
  WriteLogText("初期化を完了しました \n");
  return 0;
}

int EndNetWorkLayer() {
  if (g_network.started == 0) return 0;
  WriteLogText("ネットワーク関連の終了処理を行います \n");
  StopListenNetWork();
  for (int slot = 0; slot < kMaxNetWorkConnections; ++slot) {
    if (g_network.table[slot] != nullptr) CloseNetWorkSlot(slot);
  }
  DestroyHiddenWindow();
  ClearConnectionTable();
  TrackedFree(g_network.stage);
  g_network.stage = nullptr;
  pf::WSACleanup();
  g_network.started = 0;
  WriteLogText("ネットワーク関連の終了処理は完了しました\n");
  return 0;
}

void HandleSocketNotice(pf::WParam wParam, pf::LParam lParam) {
  const pf::Socket socket = static_cast<pf::Socket>(wParam);
  const std::int32_t event = pf::SelectEvent(lParam);
  if (event == pf::FD_ACCEPT && socket == g_network.listenSocket) {
    AcceptNetWork();
    return;
  }
  NetWorkRecord* record = FindNetWorkRecordBySocket(socket);
  if (record == nullptr) {
    WriteLogText("通信エラー No.1\n");
    return;
  }
  switch (event) {
    case pf::FD_READ: RecvSocket(record); break;
    case pf::FD_WRITE: SendSocket(record); break;
    case pf::FD_ACCEPT: AcceptNetWork(); break;
    case pf::FD_CONNECT:
      if (pf::SelectError(lParam) == 0) {
        record->connected = 1;
      } else {
        record->connectFailed = 1;
      }
      break;
    case pf::FD_CLOSE:
      record->connected = 0;
      record->lostObserved = 0;
      break;
    default: break;
  }
}

int PumpNetWorkWindow(int closeLost) {
  if (g_network.started == 0) return 0;
  if (closeLost == 1) {
    for (int slot = 0; slot < kMaxNetWorkConnections; ++slot) {
      NetWorkRecord* record = g_network.table[slot];
      if (record == nullptr || record->inUse == 0 || record->autoClose == 0) continue;
      if (record->errorFlag != 0 || (record->connected == 0 && record->lostObserved != 0)) CloseNetWorkSlot(slot);
    }
  }
  // The notices pending when the pump begins are the ones dispatched: the sockets are polled by the
  // first read of the queue only, and what their handling brings about is noticed by the next pump.
  // The budget still bounds the messages handled in one call.
  int budget = 2 * g_network.liveCount + 64;
  pf::Message message{};
  bool pending = budget-- > 0 && pf::PeekMessage(&message, g_network.hiddenWindow, 0, 0, pf::PM_REMOVE);
  const bool wasHeld = pf::HoldSocketNotices(true);
  while (pending) {
    pf::DispatchMessage(&message);
    pending = budget-- > 0 && pf::PeekMessage(&message, g_network.hiddenWindow, 0, 0, pf::PM_REMOVE);
  }
  pf::HoldSocketNotices(wasHeld);
  return 0;
}

int ResolveHostAddress(const char* name, unsigned char* address) {
  if (name == nullptr || address == nullptr) return -1;
  if (g_network.started == 0 && (g_runState.ending != 0 || StartNetWorkLayer(nullptr) != 0)) return -1;
  // A dotted address is its own answer: asking the resolver for its name could only fail.
  const std::uint32_t dotted = pf::InetAddr(name);
  if (dotted != pf::kInvalidAddress) {
    CopyBytes(address, &dotted, 4);
    return 0;
  }
  const pf::HostEntry* entry = pf::GetHostByName(name);
  if (entry == nullptr || entry->addresses[0] == nullptr) return -1;
  if (entry->addressType != pf::kAddressFamilyInet || entry->addressLength != 4) return -2;
  CopyBytes(address, entry->addresses[0], 4);
  return 0;
}

NetWorkRecord* CheckNetWorkHandle(int handle, const char* operation, const char* errorName) {
  if (handle < 0 || ((handle >> 27) & 0xF) != kNetWorkHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kMaxNetWorkConnections) return nullptr;
  NetWorkRecord* record = g_network.table[slot];
  if (record == nullptr || (record->checkNumber << 16) != (handle & 0x07FF0000)) return nullptr;
  if (record->inUse == 0) {
    WriteLogFormat("有効なネットワークハンドルではありません in %s", operation);
    return nullptr;
  }
  if (record->errorFlag != 0 && errorName != nullptr) {
    WriteLogFormat("このネットワークハンドルにはエラーが発生しています in %s", errorName);
    return nullptr;
  }
  return record;
}

int NetWorkHandleOf(int slot) {
  return slot | (g_network.table[slot]->checkNumber << 16) | (kNetWorkHandleType << 27);
}

NetWorkRecord* FindNetWorkRecordBySocket(pf::Socket socket) {
  for (ListNode* node = g_network.head.next; node != &g_network.tail; node = node->next) {
    NetWorkRecord* record = g_network.table[node->value];
    if (record->socket == socket) return record;
  }
  return nullptr;
}

int FindFreeNetWorkSlot() {
  for (int slot = 0; slot < kMaxNetWorkConnections; ++slot) {
    if (g_network.table[slot] == nullptr) return slot;
  }
  return -1;
}

NetWorkRecord* AddNetWorkRecord(int slot) {
  auto* record = static_cast<NetWorkRecord*>(ZELVO_ALLOC_ZEROED(sizeof(NetWorkRecord)));
  if (record == nullptr) {
    WriteLogText("ソケット用のメモリの確保に失敗しました\n");
    return nullptr;
  }
  record->inUse = 1;
  record->packetMode = g_netWorkSettings.packetMode;
  record->autoClose = g_netWorkSettings.autoClose;
  record->socket = pf::kInvalidSocket;
  g_network.table[slot] = record;
  ++g_network.liveCount;
  ListInsertAfter(g_network.tail.previous, &record->node, slot, 0);
  return record;
}

void RemoveNetWorkRecord(int slot) {
  NetWorkRecord* record = g_network.table[slot];
  if (record->socket != pf::kInvalidSocket) {
    pf::WSAAsyncSelect(record->socket, g_network.hiddenWindow, 0, 0);
    pf::CloseSocket(record->socket);
  }
  FreeRing(&record->receiveRing);
  FreeRing(&record->sendRing);
  ListRemove(&record->node);
  TrackedFree(record);
  g_network.table[slot] = nullptr;
  --g_network.liveCount;
}

int IssueNetWorkHandle(int slot) {
  g_network.table[slot]->checkNumber = g_network.checkCounter;
  g_network.checkCounter = (g_network.checkCounter + 1) & 0x7FF;
  return NetWorkHandleOf(slot);
}

int SetNetWorkPacketMode(int on) {
  g_netWorkSettings.packetMode = on != 0 ? 1 : 0;
  return 0;
}
int GetNetWorkPacketMode() { return g_netWorkSettings.packetMode; }
int SetNetWorkAutoClose(int on) {
  g_netWorkSettings.autoClose = on != 0 ? 1 : 0;
  return 0;
}
int GetNetWorkAutoClose() { return g_netWorkSettings.autoClose; }

}  // namespace zelvo
