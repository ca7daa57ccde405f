// URLs of HTTP requests: splitting into host, path, file name and port, encoding the path, the
// proxy form, and opening the connection to the host.
#include "media/core/runtime_routines.h"
#include "media/core/http_downloads.h"
#include "media/core/log.h"
#include "media/core/network_layer.h"

namespace zelvo {

HttpSettings g_httpSettings{};

namespace {

// Copies `length` bytes and a NUL into a buffer of `size`; false when they do not fit.
bool CopyPart(char* out, int size, const char* from, int length) {
  if (length < 0 || length >= size) return false;
  CopyBytes(out, from, static_cast<std::size_t>(length));
  out[length] = '\0';
  return true;
}

int Length(const char* text) {
  int n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

bool StaysAsIs(unsigned char c, int mode) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  if (c == '*' || c == '-' || c == '.' || c == '_') return true;
  return mode == 0 && (c == '%' || c == '/' || c == ':');
}

void PutTriple(unsigned char c, char* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out[0] = '%';
  out[1] = kHex[c >> 4];
  out[2] = kHex[c & 15];
}

}  // namespace

int SplitUrl(const char* url, char* host, char* path, char* fileName, int* port) {
  if (url == nullptr) return -1;
  const char* slashes = FindSubstring(url, "//");
  if (slashes == nullptr) return -1;
  const char* hostStart = slashes + 2;
  const char* pathStart = FindChar(hostStart, '/');
  const int hostLength = pathStart != nullptr ? static_cast<int>(pathStart - hostStart) : Length(hostStart);
  char hostPart[kHttpHostSize];
  if (!CopyPart(hostPart, sizeof hostPart, hostStart, hostLength)) return -1;
  *port = -1;
  char* colon = const_cast<char*>(FindChar(hostPart, ':'));
  if (colon != nullptr) {
    *colon = '\0';
    const int value = colon[1] != '\0' ? ParseInt(colon + 1) : -1;
    if (value > 0xFFFF) return -1;
    if (value >= 1) *port = value;
  }
  if (!CopyPart(host, kHttpHostSize, hostPart, Length(hostPart))) return -1;
  if (pathStart == nullptr) pathStart = "/";
  if (!CopyPart(path, kHttpPathSize, pathStart, Length(pathStart))) return -1;
  const char* name = FindLastChar(path, '/') + 1;
  if (*name == '\0') name = "index.htm";
  return CopyPart(fileName, kHttpFileNameSize, name, Length(name)) ? 0 : -1;
}

int UrlEncode(char* text, int size, int mode, int measureOnly) {
  int length = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != '\0'; ++p) {
    if (*p == ' ' || StaysAsIs(*p, mode)) {
      length += 1;
    } else if (mode == 0 && IsShiftJisLead(*p) && p[1] != '\0') {
      length += 6;
      ++p;
    } else {
      length += 3;
    }
  }
  if (measureOnly != 0) return length;
  if (length >= size) return -1;
  // Written from the end backwards: the encoded text is never shorter, so no byte is overwritten
  // before it is read. The lead bytes are found going forwards first.
  const int sourceLength = Length(text);
  auto* pairs = static_cast<unsigned char*>(ZELVO_ALLOC_ZEROED(static_cast<std::size_t>(sourceLength) + 1));
  if (pairs == nullptr) return -1;
  for (int i = 0; i < sourceLength; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (mode == 0 && !StaysAsIs(c, mode) && c != ' ' && IsShiftJisLead(c) && i + 1 < sourceLength) {
      pairs[i] = 1;
      pairs[++i] = 2;
    }
  }
  int out = length;
  text[out] = '\0';
  for (int i = sourceLength - 1; i >= 0; --i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (pairs[i] == 0 && c == ' ') {
      text[--out] = '+';
    } else if (pairs[i] == 0 && StaysAsIs(c, mode)) {
      text[--out] = static_cast<char>(c);
    } else {
      out -= 3;
      PutTriple(c, text + out);
    }
  }
  TrackedFree(pairs);
  return length;
}

int PrepareHttpUrl(const char* url, int useProxy, char* host, char* path, char* fileName, int* port) {
  if (SplitUrl(url, host, path, fileName, port) != 0) return -1;
  if (useProxy != 0 && g_httpSettings.proxyHost[0] != '\0') {
    char encoded[kHttpPathSize];
    if (!CopyPart(encoded, sizeof encoded, path, Length(path)) || UrlEncode(encoded, sizeof encoded, 0, 0) < 0) return -1;
    char portText[16] = "";
    if (*port != -1) StringPrintf(portText, sizeof portText, ":%d", *port);
    const int n = 7 + Length(host) + Length(portText) + Length(encoded);
    if (n >= kHttpPathSize) return -1;
    char whole[kHttpPathSize];
    StringPrintf(whole, sizeof whole, "http://%s%s%s", host, portText, encoded);
    CopyPart(path, kHttpPathSize, whole, n);
    CopyPart(host, kHttpHostSize, g_httpSettings.proxyHost, Length(g_httpSettings.proxyHost));
    *port = g_httpSettings.proxyPort;
    return 0;
  }
  if (*port == -1) *port = kDefaultHttpPort;
  return UrlEncode(path, kHttpPathSize, 0, 0) < 0 ? -1 : 0;
}

int OpenHttpConnection(const char* url, int useProxy, unsigned char* address, char* host, char* path, char* fileName,
                       int* port) {
  if (PrepareHttpUrl(url, useProxy, host, path, fileName, port) != 0) {
    WriteLogFormat("ＵＲＬ %s の解析に失敗しました", url != nullptr ? url : "");
    return -1;
  }
  if (ResolveHostAddress(host, address) != 0) {
    WriteLogFormat("ダウンロード先ホスト %s が見つかりませんでした", host);
    return -1;
  }
  // The connection is raw and stays open until the transfer closes it.
  const int packetMode = GetNetWorkPacketMode(), autoClose = GetNetWorkAutoClose();
  SetNetWorkPacketMode(0);
  SetNetWorkAutoClose(0);
  std::uint32_t value = 0;
  CopyBytes(&value, address, 4);
  const int connection = OpenNetWorkConnection(value, *port);
  SetNetWorkPacketMode(packetMode);
  SetNetWorkAutoClose(autoClose);
  if (connection == -1) WriteLogFormat("ダウンロード先ホスト %s への接続に失敗しました", host);
  return connection;
}

}  // namespace zelvo
