// Download slots and the GET, POST and HEAD state machines, one step per pump pass.
#include <climits>

#include "media/core/runtime_routines.h"
#include "media/core/http_downloads.h"
#include "media/core/log.h"
#include "media/core/network_layer.h"

namespace zelvo {

DownloadTable g_downloads{};
HttpTransport g_httpTransport = {GetNetWorkAcceptState, GetNetWorkDataLength, NetWorkRecv,
                                 NetWorkRecvToPeek,     NetWorkSend,          CloseNetWorkConnection};

namespace {

constexpr int kBodyPieceSize = 4096;
// One pass takes at most this many body pieces, so a fast server cannot hold the pump.
constexpr int kBodyPiecesPerPass = 64;

enum : int { kStepRequest = 0, kStepStatus = 1, kStepHeaders = 2, kStepBody = 3 };
enum : int { kChunkSize = 0, kChunkData = 1, kChunkEnd = 2, kChunkTrailer = 3 };
enum : int { kLineNone = 0, kLineTaken = 1, kLineRefused = -1 };
// Whether the bytes of a line count towards the header block.
enum : int { kBodyLine = 0, kHeadLine = 1 };

int StartsWith(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (*text != *prefix) return 0;
  }
  return 1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char LowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Header names and the chunked coding's name compare without regard to case.
bool SameWord(const char* text, int length, const char* lowerWord) {
  int i = 0;
  for (; i < length && lowerWord[i] != '\0'; ++i) {
    if (LowerCase(text[i]) != lowerWord[i]) return false;
  }
  return i == length && lowerWord[i] == '\0';
}

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  const char lower = LowerCase(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A whole decimal number that fits an int: "12" gives 12; "", "-1", "5x" and 2^31 give -1.
int DecimalValue(const char* text) {
  if (*text == '\0') return -1;
  long long value = 0;
  for (; *text != '\0'; ++text) {
    if (!IsDigit(*text)) return -1;
    value = value * 10 + (*text - '0');
    if (value > INT_MAX) return -1;
  }
  return static_cast<int>(value);
}

// The status of a line "HTTP/x.y nnn reason", or 0 when the line is no status line.
int StatusOf(const char* line) {
  if (StartsWith(line, "HTTP/") == 0) return 0;
  const char* space = FindChar(line, ' ');
  if (space == nullptr) return 0;
  int status = 0;
  for (int i = 1; i <= 3; ++i) {
    if (!IsDigit(space[i])) return 0;
    status = status * 10 + (space[i] - '0');
  }
  return space[4] == '\0' || space[4] == ' ' ? status : 0;
}

// The size of a chunk line "1a3" or "1a3;name=value", or -1 when it is none or does not fit.
int ChunkSizeOf(const char* line) {
  if (HexDigitValue(*line) < 0) return -1;
  long long size = 0;
  for (; HexDigitValue(*line) >= 0; ++line) {
    size = size * 16 + HexDigitValue(*line);
    if (size > INT_MAX) return -1;
  }
  while (IsBlank(*line)) ++line;
  return *line == '\0' || *line == ';' ? static_cast<int>(size) : -1;
}

// Gathers the next line in the slot and hands it over, without its line feed and carriage return,
// once it has come whole. Only the bytes up to the line feed are taken from the connection, so the
// body stays there; and since nothing is left unread, a server that closes partway through a line
// is seen to close. A line longer than the slot holds, a line with a NUL byte and a header block
// past its limit are refused.
int ReadLine(DownloadSlot* d, char* line, int countsAs) {
  const int room = kMaxHttpLine - d->lineLength;
  char* gathered = d->line + d->lineLength;
  const int peeked = g_httpTransport.peek(d->connection, gathered, room);
  if (peeked <= 0) return kLineNone;
  int wanted = peeked;
  for (int i = 0; i < peeked; ++i) {
    if (gathered[i] == '\n') {
      wanted = i + 1;
      break;
    }
  }
  const int got = g_httpTransport.recv(d->connection, gathered, wanted);
  if (got <= 0) return kLineNone;
  d->lineLength += got;
  if (countsAs == kHeadLine) {
    d->headerBytes += got;
    if (d->headerBytes > kMaxHttpHeaderBlock) return kLineRefused;
  }
  if (gathered[got - 1] != '\n') return d->lineLength >= kMaxHttpLine ? kLineRefused : kLineNone;
  int length = d->lineLength - 1;
  if (length > 0 && d->line[length - 1] == '\r') --length;
  d->lineLength = 0;
  for (int i = 0; i < length; ++i) {
    if (d->line[i] == '\0') return kLineRefused;
  }
  CopyBytes(line, d->line, static_cast<std::size_t>(length));
  line[length] = '\0';
  return kLineTaken;
}

int SendAll(int connection, const char* data, int length) {
  for (int sent = 0; sent < length;) {
    const int n = g_httpTransport.send(connection, data + sent, length - sent);
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
  if (lineResult == kLineRefused) return FinishDownload(slot, kDownloadFailed, kDownloadDetailStatus);
  if (connected == 0) return FinishDownload(slot, kDownloadFailed, kDownloadDetailEnded);
  return 0;
}

// A reply that cannot be read as HTTP: no part of it is kept.
int RefuseReply(int slot) { return FinishDownload(slot, kDownloadFailed, kDownloadDetailStatus); }

int ReadStatus(int slot, int connected) {
  DownloadSlot* d = g_downloads.slots[slot];
  char line[kMaxHttpLine];
  const int got = ReadLine(d, line, kHeadLine);
  if (got != kLineTaken) return WaitForLine(slot, got, connected);
  const int status = StatusOf(line);
  if (status != 200) {
    if (d->method == kHttpGet) WriteLogFormat("接続に失敗しました (戻り値:%d)", status);
    return FinishDownload(slot, kDownloadFailed, status == 404 ? kDownloadDetailNotFound : kDownloadDetailStatus);
  }
  d->step = kStepHeaders;
  return 0;
}

// Makes room for `bytes` more body bytes in memory, growing with what arrives but never past the
// announced length; false when the body would pass its limit.
bool GrowBody(DownloadSlot* d, int bytes) {
  const long long wanted = static_cast<long long>(d->received) + bytes;
  if (wanted <= d->bodyCapacity) return true;
  if (wanted > kMaxHttpMemoryBody) return false;
  const long long limit = d->contentLength >= 0 ? d->contentLength : kMaxHttpMemoryBody;
  long long capacity = 2LL * d->bodyCapacity;
  if (capacity < kBodyPieceSize) capacity = kBodyPieceSize;
  if (capacity > limit) capacity = limit;
  if (capacity < wanted) capacity = wanted;
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

// A finished transfer into memory always hands over a body, an empty one included.
int FinishBody(int slot) {
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->target == kDownloadToMemory && d->body == nullptr && !GrowBody(d, 1)) {
    return FinishDownload(slot, kDownloadFailed, kDownloadDetailNoMemory);
  }
  return FinishDownload(slot, kDownloadDone, kDownloadDetailUnset);
}

int TakeContentLength(int slot, const char* value) {
  DownloadSlot* d = g_downloads.slots[slot];
  const int length = DecimalValue(value);
  // A length that is not a number, does not fit, or disagrees with one given before.
  if (length < 0 || (d->contentLength >= 0 && d->contentLength != length)) return RefuseReply(slot);
  d->contentLength = length;
  if (d->method == kHttpHead) return FinishDownload(slot, kDownloadDone, kDownloadDetailUnset);
  if (d->target == kDownloadToMemory && length > kMaxHttpMemoryBody) {
    return FinishDownload(slot, kDownloadFailed, kDownloadDetailNoMemory);
  }
  return 0;
}

// Chunks are the one coding taken apart here; any other would hand over a body still coded.
int TakeTransferEncoding(int slot, const char* value) {
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->method == kHttpHead) return 0;
  int length = 0;
  while (value[length] != '\0') ++length;
  if (!SameWord(value, length, "chunked")) return RefuseReply(slot);
  d->chunked = 1;
  return 0;
}

int EndHeaders(int slot) {
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->method == kHttpHead) return FinishDownload(slot, kDownloadDone, kDownloadDetailUnset);
  // A chunked body's length is the sum of its chunks, whatever a length line said.
  if (d->chunked != 0) d->contentLength = -1;
  d->chunkStep = kChunkSize;
  d->step = kStepBody;
  return 0;
}

int ReadHeader(int slot, int connected) {
  DownloadSlot* d = g_downloads.slots[slot];
  char line[kMaxHttpLine];
  const int got = ReadLine(d, line, kHeadLine);
  if (got != kLineTaken) return WaitForLine(slot, got, connected);
  if (line[0] == '\0') return EndHeaders(slot);
  // A line folded onto the one before it carries nothing read here.
  if (IsBlank(line[0])) return 0;
  char* colon = const_cast<char*>(FindChar(line, ':'));
  if (colon == nullptr) return RefuseReply(slot);
  const int nameLength = static_cast<int>(colon - line);
  char* value = colon + 1;
  while (IsBlank(*value)) ++value;
  char* end = value;
  while (*end != '\0') ++end;
  while (end > value && IsBlank(end[-1])) --end;
  *end = '\0';
  if (SameWord(line, nameLength, "content-length")) return TakeContentLength(slot, value);
  if (SameWord(line, nameLength, "transfer-encoding")) return TakeTransferEncoding(slot, value);
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

int StoreFailure(int slot) {
  const int detail = g_downloads.slots[slot]->target == kDownloadToMemory ? kDownloadDetailNoMemory : kDownloadDetailStatus;
  return FinishDownload(slot, kDownloadFailed, detail);
}

// Receives up to `wanted` body bytes and stores them: the count, 0 when none waited, -1 on failure.
int ReceiveBodyPiece(int slot, int wanted) {
  DownloadSlot* d = g_downloads.slots[slot];
  char piece[kBodyPieceSize];
  if (wanted > kBodyPieceSize) wanted = kBodyPieceSize;
  const int n = g_httpTransport.recv(d->connection, piece, wanted);
  if (n <= 0) return 0;
  if (StoreBody(d, piece, n) != 0) {
    StoreFailure(slot);
    return -1;
  }
  d->received += n;
  return n;
}

int ReadBody(int slot, int connected) {
  DownloadSlot* d = g_downloads.slots[slot];
  for (int pieces = 0; pieces < kBodyPiecesPerPass; ++pieces) {
    int wanted = kBodyPieceSize;
    // Never past the content length: what follows it is not the body.
    if (d->contentLength >= 0 && d->contentLength - d->received < wanted) wanted = d->contentLength - d->received;
    // A body without a length still ends within the count of its bytes.
    if (d->contentLength < 0 && d->received > INT_MAX - kBodyPieceSize) return StoreFailure(slot);
    if (wanted == 0) break;
    const int n = ReceiveBodyPiece(slot, wanted);
    if (n < 0) return 0;
    if (n == 0) break;
  }
  const int complete = d->contentLength >= 0 ? d->received >= d->contentLength
                                             : connected == 0 && g_httpTransport.dataLength(d->connection) <= 0;
  return complete != 0 ? FinishBody(slot) : 0;
}

// The line of a chunked body the slot waits for: a chunk's size, the end of its data, or a trailer.
int TakeChunkLine(int slot, const char* line) {
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->chunkStep == kChunkEnd) {
    if (line[0] != '\0') return RefuseReply(slot);
    d->chunkStep = kChunkSize;
    return 0;
  }
  if (d->chunkStep == kChunkTrailer) return line[0] == '\0' ? FinishBody(slot) : 0;
  const int size = ChunkSizeOf(line);
  if (size < 0 || size > INT_MAX - d->received) return RefuseReply(slot);
  if (d->target == kDownloadToMemory && d->received + size > kMaxHttpMemoryBody) {
    return FinishDownload(slot, kDownloadFailed, kDownloadDetailNoMemory);
  }
  d->chunkLeft = size;
  d->chunkStep = size == 0 ? kChunkTrailer : kChunkData;
  return 0;
}

// One part of a chunked body: 1 when it moved on, 0 when it waits for bytes or has finished.
int ReadChunkPart(int slot) {
  DownloadSlot* d = g_downloads.slots[slot];
  if (d->chunkStep == kChunkData) {
    const int n = ReceiveBodyPiece(slot, d->chunkLeft);
    if (n <= 0) return 0;
    d->chunkLeft -= n;
    if (d->chunkLeft == 0) d->chunkStep = kChunkEnd;
    return 1;
  }
  char line[kMaxHttpLine];
  const int got = ReadLine(d, line, d->chunkStep == kChunkTrailer ? kHeadLine : kBodyLine);
  if (got == kLineNone) return 0;
  if (got == kLineRefused) return RefuseReply(slot);
  TakeChunkLine(slot, line);
  return d->result == kDownloadRunning ? 1 : 0;
}

int ReadChunkedBody(int slot) {
  for (int parts = 0; parts < kBodyPiecesPerPass; ++parts) {
    if (ReadChunkPart(slot) <= 0) break;
  }
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
  if (d->connection != -1) g_httpTransport.close(d->connection);
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
  const int connected = g_httpTransport.connected(d->connection) == 1 ? 1 : 0;
  const int waiting = g_httpTransport.dataLength(d->connection) > 0 ? 1 : 0;
  // A body without a length ends with the connection, so its end is not a failure.
  const int bodyToClose = d->step == kStepBody && d->contentLength < 0 && d->chunked == 0;
  if (connected == 0 && waiting == 0 && bodyToClose == 0) {
    return FinishDownload(slot, kDownloadFailed, kDownloadDetailEnded);
  }
  switch (d->step) {
    case kStepRequest: return SendRequest(slot);
    case kStepStatus: return ReadStatus(slot, connected);
    case kStepHeaders: return ReadHeader(slot, connected);
    case kStepBody: return d->chunked != 0 ? ReadChunkedBody(slot) : ReadBody(slot, connected);
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
