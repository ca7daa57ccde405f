// Download slots and the GET, POST and HEAD state machines, one step per pump pass.
#include "media/core/runtime_routines.h"
#include "media/core/http_downloads.h"
#include "media/core/log.h"
#include "media/core/network_layer.h"

namespace zelvo {

DownloadTable g_downloads{};

namespace {

constexpr int kLinePeekSize = 255;
constexpr int kBodyPieceSize = 4096;
// One pass takes at most this many body pieces, so a fast server cannot hold the pump.
constexpr int kBodyPiecesPerPass = 64;

enum : int { kStepRequest = 0, kStepStatus = 1, kStepHeaders = 2, kStepBody = 3 };
enum : int { kLineNone = 0, kLineTaken = 1, kLineTooLong = -1 };

int StartsWith(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (*text != *prefix) return 0;
  }
  return 1;
}

// The number after the line's first space.
int LineValue(const char* line) {
  const char* space = FindChar(line, ' ');
  return space != nullptr ? ParseInt(space + 1) : 0;
}

// Takes the next line (without its line feed) once it has arrived whole.
int ReadLine(DownloadSlot* d, char* line) {
  char peeked[kLinePeekSize];
  const int n = NetWorkRecvToPeek(d->connection, peeked, kLinePeekSize);
  if (n <= 0) return kLineNone;
  for (int i = 0; i < n; ++i) {
    if (peeked[i] != '\n') continue;
    CopyBytes(line, peeked, static_cast<std::size_t>(i));
    line[i] = '\0';
    NetWorkRecv(d->connection, peeked, i + 1);
    return kLineTaken;
  }
  // A line longer than the peek can never be taken: the transfer would stall for good.
  return n == kLinePeekSize ? kLineTooLong : kLineNone;
}

int SendAll(int connection, const char* data, int length) {
  for (int sent = 0; sent < length;) {
    const int n = NetWorkSend(connection, data + sent, length - sent);
    if (n <= 0) return -1;
    sent += n;
  }
  return 0;
}

int SendRequest(int slot) {
  DownloadSlot* d = g_downloads.slots[slot];
  // Room for the longest path and host with the fixed text and the numbers.
  char request[kHttpPathSize + kHttpHostSize + 128];
  if (d->method == kHttpGet) {
    StringPrintf(request, sizeof request, "GET %s HTTP/1.0\r\nHost: %s:%d\r\nConnection: close\r\n\r\n", d->path,
                 d->host, d->port);
  } else if (d->method == kHttpPost) {
    StringPrintf(request, sizeof request, "POST %s HTTP/1.0\nHost: %s:%d\nContent-Length: %d\n\n", d->path, d->host,
                 d->port, d->postLength);
  } else {
    StringPrintf(request, sizeof request, "HEAD %s HTTP/1.0\n\n", d->path);
  }
  int n = 0;
  while (request[n] != '\0') ++n;
  if (SendAll(d->connection, request, n) != 0 ||
      (d->method == kHttpPost && d->postLength > 0 && SendAll(d->connection, d->postData, d->postLength) != 0)) {
    return FinishDownload(slot, kDownloadFailed, kDownloadDetailEnded);
  }
  d->step = kStepStatus;
  return 0;
}

// A line that has not come whole: once the connection is gone it never will.
int WaitForLine(int slot, int lineResult, int connected) {
  if (lineResult == kLineTooLong) return FinishDownload(slot, kDownloadFailed, kDownloadDetailStatus);
  if (connected == 0) return FinishDownload(slot, kDownloadFailed, kDownloadDetailEnded);
  return 0;
}

int ReadStatus(int slot, int connected) {
  DownloadSlot* d = g_downloads.slots[slot];
  char line[kLinePeekSize + 1];
  const int got = ReadLine(d, line);
  if (got != kLineTaken) return WaitForLine(slot, got, connected);
  const int status = LineValue(line);
  if (status != 200) {
    if (d->method == kHttpGet) WriteLogFormat("接続に失敗しました (戻り値:%d)", status);
    return FinishDownload(slot, kDownloadFailed, status == 404 ? kDownloadDetailNotFound : kDownloadDetailStatus);
  }
  d->step = kStepHeaders;
  return 0;
}

// Makes room for `bytes` more body bytes in memory; false when the body would pass its limit.
bool GrowBody(DownloadSlot* d, int bytes) {
  const long long wanted = static_cast<long long>(d->received) + bytes;
  if (wanted <= d->bodyCapacity) return true;
  if (wanted > kMaxHttpMemoryBody) return false;
  long long capacity = 2LL * d->bodyCapacity;
  if (capacity < wanted) capacity = wanted;
  if (capacity > kMaxHttpMemoryBody) capacity = kMaxHttpMemoryBody;
  auto* grown = static_cast<char*>(ZELVO_ALLOC(static_cast<std::size_t>(capacity)));
  if (grown == nullptr) return false;
  if (d->body != nullptr) {
    CopyBytes(grown, d->body, static_cast<std::size_t>(d->received));
    TrackedFree(d->body);
  }
  d->body = grown;
  d->bodyCapacity = static_cast<int>(capacity);
  if (d->bodyOut != nullptr) *d->bodyOut = grown;
  return true;
}

int ReadHeader(int slot, int connected) {
  DownloadSlot* d = g_downloads.slots[slot];
  char line[kLinePeekSize + 1];
  const int got = ReadLine(d, line);
  if (got != kLineTaken) return WaitForLine(slot, got, connected);
  if (StartsWith(line, "Content-Length:") != 0) {
    const int length = LineValue(line);
    d->contentLength = length >= 0 ? length : -1;   // a negative length counts as none
    if (d->method == kHttpHead) return FinishDownload(slot, kDownloadDone, kDownloadDetailUnset);
    if (d->target == kDownloadToMemory && d->contentLength >= 0 && !GrowBody(d, d->contentLength > 0 ? d->contentLength : 1)) {
      return FinishDownload(slot, kDownloadFailed, kDownloadDetailNoMemory);
    }
  } else if (FindChar(line, ':') == nullptr && d->method != kHttpHead) {
    d->step = kStepBody;
  }
  return 0;
}

int StoreBody(DownloadSlot* d, const char* data, int n) {
  if (d->target == kDownloadToFile) {
    std::uint32_t written = 0;
    return pf::WriteFile(d->file, data, static_cast<std::uint32_t>(n), &written) && written == static_cast<std::uint32_t>(n)
               ? 0
               : -1;
  }
  if (!GrowBody(d, n)) return -1;
  CopyBytes(d->body + d->received, data, static_cast<std::size_t>(n));
  return 0;
}

int ReadBody(int slot, int connected) {
  DownloadSlot* d = g_downloads.slots[slot];
  char piece[kBodyPieceSize];
  for (int pieces = 0; pieces < kBodyPiecesPerPass; ++pieces) {
    int wanted = kBodyPieceSize;
    // Never past the content length: what follows it is not the body.
    if (d->contentLength >= 0 && d->contentLength - d->received < wanted) wanted = d->contentLength - d->received;
    if (wanted == 0) break;
    const int n = NetWorkRecv(d->connection, piece, wanted);
    if (n <= 0) break;
    if (StoreBody(d, piece, n) != 0) {
      const int detail = d->target == kDownloadToMemory ? kDownloadDetailNoMemory : kDownloadDetailStatus;
      return FinishDownload(slot, kDownloadFailed, detail);
    }
    d->received += n;
  }
  const int complete = d->contentLength >= 0 ? d->received >= d->contentLength
                                             : connected == 0 && GetNetWorkDataLength(d->connection) <= 0;
  if (complete != 0) return FinishDownload(slot, kDownloadDone, kDownloadDetailUnset);
  return 0;
}

}  // namespace

int AllocDownloadSlot() {
  if (g_downloads.count >= kMaxDownloads) {
    WriteLogText("同時にダウンロードしているファイルが限界に達していたためダウンロードを開始できませんでした\n");
    return -1;
  }
  int slot = 0;
  while (g_downloads.slots[slot] != nullptr) ++slot;
  auto* d = static_cast<DownloadSlot*>(ZELVO_ALLOC_ZEROED(sizeof(DownloadSlot)));
  if (d == nullptr) {
    WriteLogText("ダウンロード処理用データ領域の確保に失敗しました\n");
    return -1;
  }
  d->result = kDownloadRunning;
  d->detail = kDownloadDetailUnset;
  d->connection = -1;
  d->file = pf::kInvalidHandle;
  d->contentLength = -1;
  g_downloads.slots[slot] = d;
  ++g_downloads.count;
  return slot;
}

int FreeDownloadSlot(int slot) {
  if (slot < 0 || slot >= kMaxDownloads || g_downloads.slots[slot] == nullptr) return -1;
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->postData != nullptr) TrackedFree(d->postData);
  TrackedFree(d);
  g_downloads.slots[slot] = nullptr;
  --g_downloads.count;
  return 0;
}

int FinishDownload(int slot, int result, int detail) {
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->connection != -1) CloseNetWorkConnection(d->connection);
  d->connection = -1;
  if (d->postData != nullptr) TrackedFree(d->postData);
  d->postData = nullptr;
  if (d->file != pf::kInvalidHandle) pf::CloseHandle(d->file);
  d->file = pf::kInvalidHandle;
  if (d->result == kDownloadRunning) d->result = result;
  if (d->detail == kDownloadDetailUnset) d->detail = detail;
  if (d->result != kDownloadDone && d->target == kDownloadToMemory) {
    if (d->body != nullptr) TrackedFree(d->body);
    d->body = nullptr;
    d->bodyCapacity = 0;
    if (d->bodyOut != nullptr) *d->bodyOut = nullptr;
  }
  return 0;
}

int StepDownload(int slot) {
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->result != kDownloadRunning) return 0;
  const int connected = GetNetWorkAcceptState(d->connection) == 1 ? 1 : 0;
  const int waiting = GetNetWorkDataLength(d->connection) > 0 ? 1 : 0;
  // A body without a length ends with the connection, so its end is not a failure.
  const int bodyToClose = d->step == kStepBody && d->contentLength < 0;
  if (connected == 0 && waiting == 0 && bodyToClose == 0) {
    return FinishDownload(slot, kDownloadFailed, kDownloadDetailEnded);
  }
  switch (d->step) {
    case kStepRequest: return SendRequest(slot);
    case kStepStatus: return ReadStatus(slot, connected);
    case kStepHeaders: return ReadHeader(slot, connected);
    case kStepBody: return ReadBody(slot, connected);
    default: return FinishDownload(slot, kDownloadDone, kDownloadDetailUnset);
  }
}

int PumpDownloads() {
  if (g_downloads.count == 0) return 0;
  for (int slot = 0; slot < kMaxDownloads; ++slot) {
    if (g_downloads.slots[slot] != nullptr) StepDownload(slot);
  }
  return 0;
}

int CloseDownload(int slot) {
  if (slot < 0 || slot >= kMaxDownloads || g_downloads.slots[slot] == nullptr) return -1;
  FinishDownload(slot, kDownloadDone, kDownloadDetailUnset);
  return FreeDownloadSlot(slot);
}

int CloseAllDownloads() {
  for (int slot = 0; slot < kMaxDownloads; ++slot) {
    if (g_downloads.slots[slot] != nullptr) CloseDownload(slot);
  }
  return 0;
}

int ClearDownloads() {
  for (DownloadSlot*& slot : g_downloads.slots) slot = nullptr;
  g_downloads.count = 0;
  return 0;
}

}  // namespace zelvo
