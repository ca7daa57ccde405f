// Arbitrary bytes as the reply to a GET, POST or HEAD, handed to the transfer a few bytes per pump
// pass over a connection of memory, then closed: whatever the reply, the transfer ends within a
// bounded number of passes, as done with a body no longer than the reply (and as long as its
// announced length) or as failed with no body kept, and its connection is closed.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "media/core/http_downloads.h"
#include "media/core/log.h"
#include "media/core/runtime_routines.h"

namespace {

constexpr int kConnection = 7;

// The server's side: `delivered` bytes of the reply have reached the connection, `taken` of them
// have been read; once all of it is read the close is seen, as on a socket.
struct MemoryPeer {
  const std::uint8_t* reply;
  int size;
  int delivered;
  int taken;
  int open;   // the transfer has not closed the connection
};
MemoryPeer g_peer;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

int PeerConnected(int connection) {
  Require(connection == kConnection && g_peer.open != 0);
  return g_peer.taken < g_peer.size ? 1 : 0;
}

int PeerDataLength(int connection) {
  Require(connection == kConnection && g_peer.open != 0);
  return g_peer.taken < g_peer.delivered ? 1 : 0;
}

int PeerRead(void* buffer, int size, bool remove) {
  Require(g_peer.open != 0 && size >= 0);
  int n = g_peer.delivered - g_peer.taken;
  if (n > size) n = size;
  if (n <= 0) return -1;   // would block
  std::memcpy(buffer, g_peer.reply + g_peer.taken, static_cast<std::size_t>(n));
  if (remove) g_peer.taken += n;
  return n;
}

int PeerRecv(int, void* buffer, int size) { return PeerRead(buffer, size, true); }
int PeerPeek(int, void* buffer, int size) { return PeerRead(buffer, size, false); }
int PeerSend(int, const void*, int length) { return length; }

int PeerClose(int connection) {
  Require(connection == kConnection && g_peer.open != 0);
  g_peer.open = 0;
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zelvo::SetLogOff(1);
  zelvo::g_httpTransport = {PeerConnected, PeerDataLength, PeerRecv, PeerPeek, PeerSend, PeerClose};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > (1u << 20)) return 0;
  // The first byte: the method, and how many bytes arrive per pass (1 to 64, or all at once).
  const int method = data[0] % 3;
  const int perPass = (data[0] >> 2) == 63 ? static_cast<int>(size) : (data[0] >> 2) + 1;
  g_peer = MemoryPeer{data + 1, static_cast<int>(size - 1), 0, 0, 1};

  const int slot = zelvo::AllocDownloadSlot();
  Require(slot >= 0);
  zelvo::DownloadSlot* d = zelvo::g_downloads.slots[slot];
  void* body = nullptr;
  d->method = method;
  d->target = zelvo::kDownloadToMemory;
  d->bodyOut = &body;
  d->connection = kConnection;
  d->port = 80;
  std::strcpy(d->host, "fuzz");
  std::strcpy(d->path, "/");

  // Every pass either takes a byte, a line or a piece, or sees the end.
  const int passLimit = 4 * g_peer.size + 64;
  int passes = 0;
  while (d->result == zelvo::kDownloadRunning) {
    Require(++passes <= passLimit);
    g_peer.delivered += perPass;
    if (g_peer.delivered > g_peer.size) g_peer.delivered = g_peer.size;
    zelvo::StepDownload(slot);
  }
  Require(g_peer.open == 0 && d->connection == -1);
  if (d->result == zelvo::kDownloadDone) {
    Require(d->received >= 0 && d->received <= g_peer.size);
    if (method != zelvo::kHttpHead) {
      Require(body != nullptr && body == d->body);
      if (d->contentLength >= 0) Require(d->received == d->contentLength);
    }
    if (body != nullptr) zelvo::TrackedFree(body);
  } else {
    Require(d->result == zelvo::kDownloadFailed && d->detail >= 0 && d->detail <= zelvo::kDownloadDetailEnded);
    Require(body == nullptr && d->body == nullptr);
  }
  zelvo::FreeDownloadSlot(slot);
  return 0;
}
