#pragma once
// HTTP 1.0 transfers over raw network connections: GET into a file or into memory, POST, and HEAD
// for the content length. Each transfer lives in a download slot and takes one step per pass of the
// message pump.
#include "platform/kernel/kernel.h"

namespace zelvo {

constexpr int kMaxDownloads = 100;
// Output buffers of the URL helpers, NUL included: a part that does not fit fails the split.
constexpr int kHttpHostSize = 256;
constexpr int kHttpPathSize = 2048;
constexpr int kHttpFileNameSize = 260;
constexpr int kDefaultHttpPort = 80;
// The longest body a transfer into memory keeps; a longer one fails as memory that cannot be had.
constexpr int kMaxHttpMemoryBody = 64 * 1024 * 1024;
// The longest line of a reply (line feed included) and the most bytes its status line, header
// lines and trailer lines may take together; a reply past either fails.
constexpr int kMaxHttpLine = 8192;
constexpr int kMaxHttpHeaderBlock = 64 * 1024;

enum : int { kHttpGet = 0, kHttpPost = 1, kHttpHead = 2 };
enum : int { kDownloadToFile = 0, kDownloadToMemory = 1 };
// Results and failure details.
enum : int { kDownloadRunning = -1, kDownloadDone = 0, kDownloadFailed = 2 };
enum : int {
  kDownloadDetailUnset = -1, kDownloadDetailStatus = 0, kDownloadDetailNotFound = 1, kDownloadDetailNoMemory = 2,
  kDownloadDetailEnded = 3,
};

struct DownloadSlot {
  int method;
  int step;
  int chunkStep;           // the part of a chunked body being read
  int chunked;             // 1 when the body comes in chunks
  int chunkLeft;           // bytes of the current chunk still to come
  int result;
  int detail;
  int connection;          // network handle, -1 when none
  int target;
  pf::Handle file;         // file target
  void** bodyOut;          // memory target: where the pointer to the body is stored
  char* body;
  int bodyCapacity;
  int contentLength;       // -1 when not given
  int received;
  int headerBytes;         // bytes of status, header and trailer lines taken so far
  int lineLength;          // bytes of the line being gathered
  char line[kMaxHttpLine];
  char host[kHttpHostSize];
  char path[kHttpPathSize];
  char* postData;          // owned
  int postLength;
  int port;
};

struct DownloadTable {
  DownloadSlot* slots[kMaxDownloads];
  int count;
};
extern DownloadTable g_downloads;

// The proxy the requests go through when asked; empty unless set.
struct HttpSettings {
  char proxyHost[kHttpHostSize];
  int proxyPort;
};
extern HttpSettings g_httpSettings;

// The connection operations a transfer runs on: the raw network connections, unless a harness
// feeds replies from elsewhere.
struct HttpTransport {
  int (*connected)(int connection);
  int (*dataLength)(int connection);
  int (*recv)(int connection, void* buffer, int size);
  int (*peek)(int connection, void* buffer, int size);
  int (*send)(int connection, const void* data, int length);
  int (*close)(int connection);
};
extern HttpTransport g_httpTransport;

// URL helpers. Outputs are buffers of the sizes above; port -1 when the URL names none.
int SplitUrl(const char* url, char* host, char* path, char* fileName, int* port);
// Encodes the text in place in its buffer of `size` bytes and returns the encoded length; with
// measureOnly the text stays and only the length is counted. -1 when the result does not fit.
int UrlEncode(char* text, int size, int mode, int measureOnly);
int PrepareHttpUrl(const char* url, int useProxy, char* host, char* path, char* fileName, int* port);
int OpenHttpConnection(const char* url, int useProxy, unsigned char* address, char* host, char* path, char* fileName,
                       int* port);

// Slots: the slot index, or -1.
int AllocDownloadSlot();
int FreeDownloadSlot(int slot);
int FinishDownload(int slot, int result, int detail);
int StepDownload(int slot);
int PumpDownloads();
int CloseDownload(int slot);
int CloseAllDownloads();
int ClearDownloads();

}  // namespace zelvo
