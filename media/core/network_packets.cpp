// Data over a connection: in packet mode the length-prefixed packets are received into and sent
// from the connection's rings; in raw mode the operations are the socket's own.
#include "media/core/log.h"
#include "media/core/network_layer.h"
#include "media/core/window_state.h"

namespace zelvo {
namespace {

// One receive makes at most this many socket reads, so a peer that never stops cannot hold the pump.
constexpr int kMaxReadsPerReceive = 256;
// After a packet this long the next is read with its prefix straight into the ring; shorter ones
// come through the stage, many to a read.
constexpr int kDirectReadPacket = 16 * 1024;

int ReadPacketLength(const unsigned char* prefix) {
  const std::uint32_t value = static_cast<std::uint32_t>(prefix[0]) | static_cast<std::uint32_t>(prefix[1]) << 8 |
                              static_cast<std::uint32_t>(prefix[2]) << 16 | static_cast<std::uint32_t>(prefix[3]) << 24;
  return static_cast<int>(value);
}

void WritePacketLength(int length, unsigned char* prefix) {
  const auto value = static_cast<std::uint32_t>(length);
  for (int i = 0; i < 4; ++i) prefix[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

// Places bytes taken off the socket: the prefix being gathered, then the body of its packet, packet
// after packet. -1 when a prefix announces a length the connection cannot take (error flag set).
int PlaceReceivedBytes(NetWorkRecord* record, const char* bytes, int n) {
  while (n > 0) {
    if (record->receiveMissing == 0) {
      const int wanted = 4 - record->receivePrefixBytes;
      const int take = n < wanted ? n : wanted;
      CopyBytes(record->receivePrefix + record->receivePrefixBytes, bytes, static_cast<std::size_t>(take));
      record->receivePrefixBytes += take;
      bytes += take;
      n -= take;
      if (record->receivePrefixBytes < 4) return 0;
      record->receivePrefixBytes = 0;
      const int length = ReadPacketLength(record->receivePrefix);
      // A negative or oversized length from the peer is refused before anything is allocated for it.
      if (length < 0 || length > kMaxNetWorkPacket || ReserveRing(&record->receiveRing, length) != 0) {
        WriteLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", length);
        record->errorFlag = 1;
        return -1;
      }
      record->receivePacketLength = length;
      record->receiveMissing = length;
      if (length == 0) continue;
    }
    const int take = n < record->receiveMissing ? n : record->receiveMissing;
    AppendRing(&record->receiveRing, bytes, take);   // room was reserved for the whole packet
    bytes += take;
    n -= take;
    record->receiveMissing -= take;
    if (record->receiveMissing == 0) record->receiveCompleteBytes += record->receivePacketLength;
  }
  return 0;
}

namespace {

// Bytes read past the end of a packet into the ring's free span: placed from the stage, or from a
// block of their own when they do not fit it.
int PlaceBytesReadPastPacket(NetWorkRecord* record, const char* bytes, int n) {
  char* copy = n <= kNetWorkStageSize ? g_network.stage : static_cast<char*>(ZELVO_ALLOC(static_cast<std::size_t>(n)));
  if (copy == nullptr) {
    WriteLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", n);
    record->errorFlag = 1;
    return -1;
  }
  CopyBytes(copy, bytes, static_cast<std::size_t>(n));
  const int placed = PlaceReceivedBytes(record, copy, n);
  if (copy != g_network.stage) TrackedFree(copy);
  return placed;
}

// After a packet of some length the next is likely as long. Its prefix and what follows are read in
// one call, the prefix into its place and the rest straight into the ring's free span, up to the
// last packet's length and a stage beyond: a loopback transfer of a long body read in two calls
// takes several times as long, and a body read through the stage is copied once more. What was read
// past the packet is placed as a read ahead of short packets is. Nonzero when the receive should
// stop.
int ReceivePrefixWithBody(NetWorkRecord* record) {
  char* at = nullptr;
  const int span = RingWritableSpan(&record->receiveRing, &at);
  const int ahead = record->receivePacketLength + kNetWorkStageSize;
  const int room = span < ahead ? span : ahead;
  const int prefixWanted = 4 - record->receivePrefixBytes;
  char prefix[4];
  const int got = pf::SocketRecvPair(record->socket, prefix, prefixWanted, at, room);
  if (got <= 0) return -1;
  if (got <= prefixWanted) return PlaceReceivedBytes(record, prefix, got) != 0 || got < prefixWanted;
  CopyBytes(record->receivePrefix + record->receivePrefixBytes, prefix, static_cast<std::size_t>(prefixWanted));
  record->receivePrefixBytes = 0;
  const int length = ReadPacketLength(record->receivePrefix);
  const int read = got - prefixWanted;
  if (length < 0 || length > kMaxNetWorkPacket) {
    WriteLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", length);
    record->errorFlag = 1;
    return -1;
  }
  // The packet's bytes are already where the ring writes next: they are taken as written before the
  // ring grows for the rest, so that growing moves them along.
  const int inPacket = read < length ? read : length;
  CommitRingWrite(&record->receiveRing, inPacket);
  record->receivePacketLength = length;
  record->receiveMissing = length - inPacket;
  if (ReserveRing(&record->receiveRing, record->receiveMissing) != 0) {
    WriteLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", length);
    record->errorFlag = 1;
    return -1;
  }
  if (record->receiveMissing == 0) record->receiveCompleteBytes += length;
  // Read past a shorter packet: the rest follows it in the ring's free span, which the ring has not
  // grown over (a packet shorter than what was read needs no more room).
  if (read > length && PlaceBytesReadPastPacket(record, at + length, read - length) != 0) return 1;
  // Short of what was asked: the socket has no more for now.
  return got < prefixWanted + room;
}

int PendingSendBytes(const NetWorkRecord* record) {
  return record->sendRing.dataLength + record->sendPrefixRemaining;
}

// Sends what is left of the current packet's prefix and up to `length` bytes of its body in one
// call, straight from where the body is. The body bytes sent, or -1 while the prefix is unfinished.
int SendPrefixedBody(NetWorkRecord* record, const char* body, int length) {
  unsigned char prefix[4];
  WritePacketLength(record->sendRemaining, prefix);
  const int prefixLeft = record->sendPrefixRemaining;
  const char* prefixRest = reinterpret_cast<const char*>(prefix) + 4 - prefixLeft;
  const int sent = pf::SocketSendPair(record->socket, prefixRest, prefixLeft, body, length);
  if (sent <= 0) return -1;
  const int prefixSent = sent < prefixLeft ? sent : prefixLeft;
  record->sendPrefixRemaining -= prefixSent;
  return record->sendPrefixRemaining > 0 ? -1 : sent - prefixSent;
}

}  // namespace

void RecvSocket(NetWorkRecord* record) {
  if (record->packetMode == 0 || record->receiving != 0) return;
  record->receiving = 1;
  PumpNetWorkWindow(0);
  for (int reads = 0; reads < kMaxReadsPerReceive && WindowClosed() == 0 && record->errorFlag == 0; ++reads) {
    // Enough complete packets wait: the rest stays with the socket until the program reads.
    if (record->receiveCompleteBytes >= kMaxNetWorkPacket) break;
    if (record->receiveMissing > kNetWorkStageSize) {
      // A long body goes straight into its ring.
      char* at = nullptr;
      const int span = RingWritableSpan(&record->receiveRing, &at);
      const int wanted = span < record->receiveMissing ? span : record->receiveMissing;
      const int got = pf::SocketRecv(record->socket, at, wanted, 0);
      if (got <= 0) break;
      CommitRingWrite(&record->receiveRing, got);
      record->receiveMissing -= got;
      // A whole long packet is in: what follows it, if anything, is noticed and read on the next
      // pump, which saves a read that would mostly find nothing.
      if (record->receiveMissing == 0) {
        record->receiveCompleteBytes += record->receivePacketLength;
        break;
      }
      if (got < wanted) break;
    } else if (record->receiveMissing == 0 && record->receivePacketLength >= kDirectReadPacket) {
      if (ReceivePrefixWithBody(record) != 0) break;
    } else {
      // Prefixes and short packets are read ahead in one call and placed from there.
      const int got = pf::SocketRecv(record->socket, g_network.stage, kNetWorkStageSize, 0);
      if (got <= 0 || PlaceReceivedBytes(record, g_network.stage, got) != 0 || got < kNetWorkStageSize) break;
    }
  }
  record->receiving = 0;
}

void SendSocket(NetWorkRecord* record) {
  if (record->packetMode == 0 || record->sending != 0 || PendingSendBytes(record) == 0) return;
  record->sending = 1;
  while (WindowClosed() == 0) {
    if (record->sendRemaining == 0) {
      if (record->sendRing.dataLength == 0) break;
      // What is queued goes out as one packet, up to the longest a peer takes.
      record->sendRemaining =
          record->sendRing.dataLength < kMaxNetWorkPacket ? record->sendRing.dataLength : kMaxNetWorkPacket;
      record->sendPrefixRemaining = 4;
    }
    const char* at = nullptr;
    const int span = RingReadableSpan(&record->sendRing, &at);
    const int wanted = span < record->sendRemaining ? span : record->sendRemaining;
    const int sent = record->sendPrefixRemaining > 0 ? SendPrefixedBody(record, at, wanted)
                                                     : pf::SocketSend(record->socket, at, wanted);
    if (sent < 0) break;
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
  // The queue is bounded, so a peer that stops reading cannot make it grow without end; the room is
  // made before anything goes out, so a packet once announced is always queued whole.
  if (static_cast<long long>(record->sendRing.dataLength) + length > kMaxNetWorkSendQueue ||
      ReserveRing(&record->sendRing, length) != 0) {
    WriteLogFormat("送信データ %d byte の追加に失敗しました in NewWorkSend", length);
    return -1;
  }
  const char* bytes = static_cast<const char*>(data);
  if (PendingSendBytes(record) == 0 && length > 0) {
    // Nothing waits before it: the packet leaves from the caller's data and only what the socket
    // does not take is queued, as if it had gone through the ring.
    record->sendRemaining = length < kMaxNetWorkPacket ? length : kMaxNetWorkPacket;
    record->sendPrefixRemaining = 4;
    const int sent = SendPrefixedBody(record, bytes, record->sendRemaining);
    if (sent > 0) {
      record->sendRemaining -= sent;
      bytes += sent;
      length -= sent;
    }
  }
  AppendRing(&record->sendRing, bytes, length);
  SendSocket(record);
  return 0;
}

}  // namespace zelvo
