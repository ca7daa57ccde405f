// Data over a connection: in packet mode the length-prefixed packets are received into and sent
// from the connection's rings; in raw mode the operations are the socket's own.
#include "media/core/log.h"
#include "media/core/network_layer.h"
#include "media/core/window_state.h"

namespace zelvo {
namespace {

// One receive takes at most this many packets, so a flood of tiny packets cannot hold the pump.
constexpr int kMaxPacketsPerReceive = 4096;

int ReadPacketLength(const unsigned char* prefix) {
  const std::uint32_t value = static_cast<std::uint32_t>(prefix[0]) | static_cast<std::uint32_t>(prefix[1]) << 8 |
                              static_cast<std::uint32_t>(prefix[2]) << 16 | static_cast<std::uint32_t>(prefix[3]) << 24;
  return static_cast<int>(value);
}

void WritePacketLength(int length, unsigned char* prefix) {
  const auto value = static_cast<std::uint32_t>(length);
  for (int i = 0; i < 4; ++i) prefix[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Takes the next packet's prefix off the socket; 1 started, 0 not yet (prefix incomplete, or
// complete packets enough waiting), -1 a length the connection cannot take (error flag set).
int StartReceivePacket(NetWorkRecord* record) {
  if (record->receiveCompleteBytes >= kMaxNetWorkPacket) return 0;
  unsigned char prefix[4];
  if (pf::SocketRecv(record->socket, reinterpret_cast<char*>(prefix), 4, pf::kMessagePeek) < 4) return 0;
  const int length = ReadPacketLength(prefix);
  // A negative or oversized length from the peer is refused before anything is allocated for it.
  if (length < 0 || length > kMaxNetWorkPacket || ReserveRing(&record->receiveRing, length) != 0) {
    WriteLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", length);
    record->errorFlag = 1;
    return -1;
  }
  pf::SocketRecv(record->socket, reinterpret_cast<char*>(prefix), 4, 0);
  record->receivePacketLength = length;
  record->receiveMissing = length;
  return 1;
}

int PendingSendBytes(const NetWorkRecord* record) { return record->sendRing.dataLength + record->sendRemaining; }

}  // namespace

void RecvSocket(NetWorkRecord* record) {
  if (record->packetMode == 0 || record->receiving != 0) return;
  record->receiving = 1;
  PumpNetWorkWindow(0);
  for (int packets = 0; packets < kMaxPacketsPerReceive && g_window.closed == 0 && record->errorFlag == 0;) {
    if (record->receiveMissing == 0 && StartReceivePacket(record) <= 0) break;
    if (record->receiveMissing > 0) {
      char* at = nullptr;
      const int span = RingWritableSpan(&record->receiveRing, &at);
      const int wanted = span < record->receiveMissing ? span : record->receiveMissing;
      const int got = pf::SocketRecv(record->socket, at, wanted, 0);
      if (got <= 0) break;
      CommitRingWrite(&record->receiveRing, got);
      record->receiveMissing -= got;
      if (record->receiveMissing > 0) {
        if (got < wanted) break;
        continue;   // the rest wraps to the start of the ring
      }
    }
    record->receiveCompleteBytes += record->receivePacketLength;
    ++packets;
  }
  record->receiving = 0;
}

void SendSocket(NetWorkRecord* record) {
  if (record->packetMode == 0 || record->sending != 0 || PendingSendBytes(record) == 0) return;
  record->sending = 1;
  while (g_window.closed == 0) {
    if (record->sendRemaining == 0) {
      if (record->sendRing.dataLength == 0) break;
      // What is queued goes out as one packet, up to the longest a peer takes.
      record->sendRemaining =
          record->sendRing.dataLength < kMaxNetWorkPacket ? record->sendRing.dataLength : kMaxNetWorkPacket;
      record->sendPrefixRemaining = 4;
    }
    if (record->sendPrefixRemaining > 0) {
      unsigned char prefix[4];
      WritePacketLength(record->sendRemaining, prefix);
      const int sent = pf::SocketSend(record->socket, reinterpret_cast<char*>(prefix) + 4 - record->sendPrefixRemaining,
                                      record->sendPrefixRemaining);
      if (sent <= 0) break;
      record->sendPrefixRemaining -= sent;
      if (record->sendPrefixRemaining > 0) break;
    }
    const char* at = nullptr;
    const int span = RingReadableSpan(&record->sendRing, &at);
    const int wanted = span < record->sendRemaining ? span : record->sendRemaining;
    const int sent = pf::SocketSend(record->socket, at, wanted);
    if (sent <= 0) break;
    DropRingBytes(&record->sendRing, sent);
    record->sendRemaining -= sent;
    if (sent < wanted) break;
  }
  record->sending = 0;
}

int GetNetWorkDataLength(int handle) {
  NetWorkRecord* record = CheckNetWorkHandle(handle, "GetNetWorkDataLength", "GetNetWorkDataLength");
  if (record == nullptr) return -1;
  RecvSocket(record);
  SendSocket(record);
  if (record->packetMode != 0) return record->receiveCompleteBytes;
  char byte;
  return pf::SocketRecv(record->socket, &byte, 1, pf::kMessagePeek) > 0 ? 1 : 0;
}

namespace {

int ReceiveData(int handle, void* buffer, int size, int peek, const char* operation) {
  NetWorkRecord* record = CheckNetWorkHandle(handle, operation, operation);
  if (record == nullptr) return -1;
  if (record->packetMode == 0) {
    return pf::SocketRecv(record->socket, static_cast<char*>(buffer), size, peek != 0 ? pf::kMessagePeek : 0);
  }
  if (size < 0 || size > record->receiveCompleteBytes || (buffer == nullptr && size > 0)) return -1;
  const int wasHeldBack = record->receiveCompleteBytes >= kMaxNetWorkPacket;
  ReadRing(&record->receiveRing, buffer, size, peek);
  if (peek != 0) return 0;
  record->receiveCompleteBytes -= size;
  // Reading made room again: take in what the full ring held back.
  if (wasHeldBack != 0 && record->receiveCompleteBytes < kMaxNetWorkPacket) RecvSocket(record);
  return 0;
}

}  // namespace

int NetWorkRecv(int handle, void* buffer, int size) { return ReceiveData(handle, buffer, size, 0, "NetWorkRecv"); }

int NetWorkRecvToPeek(int handle, void* buffer, int size) {
  return ReceiveData(handle, buffer, size, 1, "NetWorkRecvToPeek");
}

int NetWorkSend(int handle, const void* data, int length) {
  NetWorkRecord* record = CheckNetWorkHandle(handle, "NetWorkSend", "NetWorkSend");
  if (record == nullptr || record->connected == 0) return -1;
  if (record->packetMode == 0) return pf::SocketSend(record->socket, static_cast<const char*>(data), length);
  if (length < 0 || (data == nullptr && length > 0)) return -1;
  SendSocket(record);
  // The queue is bounded, so a peer that stops reading cannot make it grow without end.
  if (static_cast<long long>(PendingSendBytes(record)) + length > kMaxNetWorkSendQueue ||
      AppendRing(&record->sendRing, data, length) != 0) {
    WriteLogFormat("送信データ %d byte の追加に失敗しました in NewWorkSend", length);
    return -1;
  }
  SendSocket(record);
  return 0;
}

}  // namespace zelvo
