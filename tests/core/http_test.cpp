// HTTP 1.0 transfers against a small server of the test on the loopback address: bodies with and
// without a length, in chunks, failures by status, by a cut-off reply, by a line or a header block
// too long and by a reply that cannot be read, a server that drips its reply, POST and HEAD, and
// the URL helpers.
#include <fstream>
#include <sstream>
#include <thread>

#include "media/core/http_downloads.h"
#include "network_fixture.h"

namespace zelvo_test {
namespace {

using zelvo::g_downloads;

// Answers each connection, in turn, with the next reply and closes it; keeps the requests.
class HttpServer {
 public:
  explicit HttpServer(std::vector<std::string> replies)
      : listener_(RawPeer::Listen(&port_)), replies_(std::move(replies)), thread_([this] { Run(); }) {}
  ~HttpServer() {
    if (thread_.joinable()) thread_.join();
  }
  int port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::vector<std::string> Requests() {
    thread_.join();
    return requests_;
  }

 private:
  static std::string ReadRequest(RawPeer& connection) {
    std::string request;
    std::size_t end = std::string::npos;
    while (end == std::string::npos) {
      std::string more = connection.Receive(1, 5000);
      if (more.empty()) return request;
      request += more;
      end = request.find("\r\n\r\n");
      if (end != std::string::npos) {
        end += 4;
      } else if ((end = request.find("\n\n")) != std::string::npos) {
        end += 2;
      }
    }
    const std::size_t length = request.find("Content-Length: ");
    if (length != std::string::npos && length < end) {
      const std::size_t body = std::stoul(request.substr(length + 16));
      request += connection.Receive(body - (request.size() - end), 5000);
    }
    return request;
  }
  void Run() {
    for (const std::string& reply : replies_) {
      RawPeer connection = listener_.Accept(20000);
      if (!connection.Valid()) return;
      requests_.push_back(ReadRequest(connection));
      connection.SendAll(reply.data(), reply.size());
    }
  }

  int port_ = 0;
  RawPeer listener_;
  std::vector<std::string> replies_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

class Http : public NetworkTest {
 protected:
  void TearDown() override {
    zelvo::CloseAllDownloads();
    NetworkTest::TearDown();
  }
  // Opens a transfer the way a caller of the slots would fill one.
  int Start(int method, const std::string& url, int target, void** body = nullptr, const std::string& post = "") {
    const int slot = zelvo::AllocDownloadSlot();
    EXPECT_GE(slot, 0);
    zelvo::DownloadSlot* d = g_downloads.slots[slot];
    unsigned char address[4];
    char fileName[zelvo::kHttpFileNameSize];
    d->connection = zelvo::OpenHttpConnection(url.c_str(), 0, address, d->host, d->path, fileName, &d->port);
    EXPECT_NE(d->connection, -1);
    d->method = method;
    d->target = target;
    d->bodyOut = body;
    if (target == zelvo::kDownloadToFile) d->file = pf::CreateFile(fileName, pf::kGenericWrite, 0, pf::kCreateAlways);
    if (!post.empty()) {
      d->postData = static_cast<char*>(ZELVO_ALLOC(post.size()));
      std::memcpy(d->postData, post.data(), post.size());
      d->postLength = static_cast<int>(post.size());
    }
    return slot;
  }
  zelvo::DownloadSlot* Run(int slot) {
    EXPECT_TRUE(PumpUntil([&] { return g_downloads.slots[slot]->result != zelvo::kDownloadRunning; }));
    return g_downloads.slots[slot];
  }
  std::string FileText(const char* name) const {
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
};

TEST_F(Http, GetIntoMemoryTakesTheBodyUpToItsLength) {
  HttpServer server({"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 11\r\n\r\nhello worldEXTRA"});
  void* body = nullptr;
  const int slot = Start(zelvo::kHttpGet, server.Url("/dir/a b.txt"), zelvo::kDownloadToMemory, &body);
  zelvo::DownloadSlot* d = Run(slot);
  EXPECT_EQ(d->result, zelvo::kDownloadDone);
  EXPECT_EQ(d->detail, zelvo::kDownloadDetailUnset);
  EXPECT_EQ(d->contentLength, 11);
  ASSERT_EQ(d->received, 11);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(body), 11), "hello world");
  EXPECT_EQ(d->connection, -1);
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0], "GET /dir/a+b.txt HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                             "\r\nConnection: close\r\n\r\n");
  zelvo::TrackedFree(body);
}

TEST_F(Http, FailedTransfersTellWhyAndKeepNoBody) {
  const std::string longLine(zelvo::kMaxHttpLine, 'a');
  const std::string replies[] = {
      "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found",
      "HTTP/1.0 500 Server Error\r\n\r\n",
      "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'x'),   // cut off
      "HTTP/1.0 200 OK\r\nX-Long: " + longLine + "\r\n\r\nbody",
      "",                                                                          // closed at once
  };
  const int details[] = {zelvo::kDownloadDetailNotFound, zelvo::kDownloadDetailStatus, zelvo::kDownloadDetailEnded,
                         zelvo::kDownloadDetailStatus, zelvo::kDownloadDetailEnded};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    HttpServer server({replies[i]});
    void* body = reinterpret_cast<void*>(1);
    zelvo::DownloadSlot* d = Run(Start(zelvo::kHttpGet, server.Url("/f"), zelvo::kDownloadToMemory, &body));
    EXPECT_EQ(d->result, zelvo::kDownloadFailed);
    EXPECT_EQ(d->detail, details[i]);
    EXPECT_EQ(d->body, nullptr);
    EXPECT_EQ(body, nullptr);   // a body allocated for the length is gone with its pointer
  }
  EXPECT_TRUE(InOrder(ReadLog(), {"接続に失敗しました (戻り値:404)", "接続に失敗しました (戻り値:500)"}));
}

// Each reply ends either with its body, whole and alone, or with a failure that keeps nothing.
TEST_F(Http, RepliesEndWithTheirBodyOrAFailure) {
  struct Case {
    const char* name;
    std::string reply;
    int detail;         // kDownloadDetailUnset: the transfer is done
    std::string body;
  };
  const std::string ok = "HTTP/1.0 200 OK\r\n";
  const std::string chunked = ok + "Transfer-Encoding: chunked\r\n";
  const Case cases[] = {
      {"length without a space", ok + "Content-Length:5\r\n\r\nhelloEXTRA", zelvo::kDownloadDetailUnset, "hello"},
      {"length after a tab", ok + "Content-Length:\t5 \r\n\r\nhelloEXTRA", zelvo::kDownloadDetailUnset, "hello"},
      {"lower-case name", ok + "content-length: 5\r\n\r\nhelloEXTRA", zelvo::kDownloadDetailUnset, "hello"},
      {"line feeds alone", "HTTP/1.1 200 OK\nCONTENT-LENGTH: 5\n\nhelloEXTRA", zelvo::kDownloadDetailUnset, "hello"},
      {"empty body", ok + "Content-Length: 0\r\n\r\nEXTRA", zelvo::kDownloadDetailUnset, ""},
      {"a long header line", ok + "X-Long: " + std::string(3000, 'a') + "\r\nContent-Length: 2\r\n\r\nok",
       zelvo::kDownloadDetailUnset, "ok"},
      {"chunks", chunked + "Content-Length: 3\r\n\r\n5\r\nhello\r\n6;x=1\r\n world\r\n0\r\nX-Trailer: 1\r\n\r\n",
       zelvo::kDownloadDetailUnset, "hello world"},
      {"upper-case chunk sizes", ok + "transfer-encoding: Chunked\r\n\r\nA\r\n0123456789\r\n0\r\n\r\n",
       zelvo::kDownloadDetailUnset, "0123456789"},
      {"length past 2^32", ok + "Content-Length: 4294967301\r\n\r\nhello", zelvo::kDownloadDetailStatus, ""},
      {"length past 2^31", ok + "Content-Length: 2147483648\r\n\r\nhello", zelvo::kDownloadDetailStatus, ""},
      {"length not a number", ok + "Content-Length: 5x\r\n\r\nhello", zelvo::kDownloadDetailStatus, ""},
      {"negative length", ok + "Content-Length: -1\r\n\r\nhello", zelvo::kDownloadDetailStatus, ""},
      {"two lengths", ok + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nhello!", zelvo::kDownloadDetailStatus, ""},
      {"length past memory", ok + "Content-Length: 67108865\r\n\r\nhello", zelvo::kDownloadDetailNoMemory, ""},
      {"header without a colon", ok + "Bogus header\r\nContent-Length: 5\r\n\r\nhello", zelvo::kDownloadDetailStatus, ""},
      {"header with a NUL", ok + std::string("Content-Length: 5\0 7\r\n\r\nhello", 29), zelvo::kDownloadDetailStatus, ""},
      {"status past three digits", "HTTP/1.0 2000 OK\r\n\r\n", zelvo::kDownloadDetailStatus, ""},
      {"no status line", "200 OK\r\n\r\nhello", zelvo::kDownloadDetailStatus, ""},
      {"other coding", ok + "Transfer-Encoding: gzip, chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", zelvo::kDownloadDetailStatus, ""},
      {"bad chunk size", chunked + "\r\nzz\r\nhello\r\n0\r\n\r\n", zelvo::kDownloadDetailStatus, ""},
      {"chunk size past 2^31", chunked + "\r\n80000000\r\nhello\r\n", zelvo::kDownloadDetailStatus, ""},
      {"chunk without its end", chunked + "\r\n5\r\nhelloX\r\n0\r\n\r\n", zelvo::kDownloadDetailStatus, ""},
      {"cut-off status line", "HTTP/1.0 20", zelvo::kDownloadDetailEnded, ""},
      {"cut-off header line", ok + "Content-Len", zelvo::kDownloadDetailEnded, ""},
      {"cut-off chunks", chunked + "\r\n5\r\nhello\r\n", zelvo::kDownloadDetailEnded, ""},
      {"cut-off chunk line", chunked + "\r\n5", zelvo::kDownloadDetailEnded, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpServer server({c.reply});
    void* body = reinterpret_cast<void*>(1);
    zelvo::DownloadSlot* d = Run(Start(zelvo::kHttpGet, server.Url("/f"), zelvo::kDownloadToMemory, &body));
    if (c.detail != zelvo::kDownloadDetailUnset) {
      EXPECT_EQ(d->result, zelvo::kDownloadFailed);
      EXPECT_EQ(d->detail, c.detail);
      EXPECT_EQ(body, nullptr);
      continue;
    }
    EXPECT_EQ(d->result, zelvo::kDownloadDone);
    ASSERT_EQ(d->received, static_cast<int>(c.body.size()));
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(body), c.body.size()), c.body);
    zelvo::TrackedFree(body);
  }
}

// The server side of a transfer driven from the test's own thread, one step at a time.
class HeldPeer {
 public:
  HeldPeer() : listener_(RawPeer::Listen(&port_)) {}
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/f"; }
  // Takes the connection and its GET request, which the first pump passes send.
  bool TakeRequest() {
    connection_ = listener_.Accept(5000);
    const std::string request = "GET /f HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                                "\r\nConnection: close\r\n\r\n";
    for (int pass = 0; pass < 10; ++pass) PumpMessages();
    return connection_.Receive(request.size(), 5000) == request;
  }
  RawPeer& connection() { return connection_; }

 private:
  int port_ = 0;
  RawPeer listener_;
  RawPeer connection_;
};

TEST_F(Http, AReplyDrippingOneBytePerPassArrivesWhole) {
  const std::string reply = "HTTP/1.0 200 OK\r\nServer: drip\r\nTransfer-Encoding: chunked\r\n\r\n"
                            "3\r\nabc\r\n4\r\ndefg\r\n0\r\n\r\n";
  HeldPeer peer;
  void* body = nullptr;
  const int slot = Start(zelvo::kHttpGet, peer.Url(), zelvo::kDownloadToMemory, &body);
  ASSERT_TRUE(peer.TakeRequest());
  for (char byte : reply) {
    ASSERT_EQ(g_downloads.slots[slot]->result, zelvo::kDownloadRunning);
    ASSERT_TRUE(peer.connection().SendAll(&byte, 1));
    PumpMessages();
  }
  zelvo::DownloadSlot* d = Run(slot);
  EXPECT_EQ(d->result, zelvo::kDownloadDone);
  ASSERT_EQ(d->received, 7);
  EXPECT_EQ(std::string(static_cast<char*>(body), 7), "abcdefg");
  zelvo::TrackedFree(body);
}

TEST_F(Http, MemoryForABodyGrowsWithItsBytes) {
  HeldPeer peer;
  void* body = nullptr;
  const int slot = Start(zelvo::kHttpGet, peer.Url(), zelvo::kDownloadToMemory, &body);
  ASSERT_TRUE(peer.TakeRequest());
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 50000000\r\n\r\n";
  ASSERT_TRUE(peer.connection().SendAll(head.data(), head.size()));
  const std::vector<char> start = PatternBytes(10000, 3);
  ASSERT_TRUE(peer.connection().SendAll(start.data(), start.size()));
  zelvo::DownloadSlot* d = g_downloads.slots[slot];
  ASSERT_TRUE(PumpUntil([&] { return d->received == 10000; }, 100000));
  EXPECT_EQ(d->contentLength, 50000000);
  EXPECT_LE(d->bodyCapacity, 4 * 10000);
  EXPECT_EQ(std::memcmp(body, start.data(), start.size()), 0);
  peer.connection().Close();
  Run(slot);
  EXPECT_EQ(d->result, zelvo::kDownloadFailed);
  EXPECT_EQ(d->detail, zelvo::kDownloadDetailEnded);
  EXPECT_EQ(body, nullptr);
}

TEST_F(Http, AnEndlessHeaderBlockIsRefused) {
  std::string reply = "HTTP/1.0 200 OK\r\n";
  while (reply.size() < 1024 * 1024) reply += "X-Fill: " + std::string(40, 'f') + "\r\n";
  HttpServer server({reply});
  const int slot = Start(zelvo::kHttpGet, server.Url("/f"), zelvo::kDownloadToFile);
  int passes = 0;
  EXPECT_TRUE(PumpUntil([&] {
    ++passes;
    return g_downloads.slots[slot]->result != zelvo::kDownloadRunning;
  }));
  zelvo::DownloadSlot* d = g_downloads.slots[slot];
  EXPECT_EQ(d->result, zelvo::kDownloadFailed);
  EXPECT_EQ(d->detail, zelvo::kDownloadDetailStatus);
  EXPECT_LE(d->headerBytes, zelvo::kMaxHttpHeaderBlock + 64);
  EXPECT_LT(passes, 2 * zelvo::kMaxHttpHeaderBlock / 50);   // one line a pass, then no more
}

TEST_F(Http, GetWithoutLengthEndsWhenTheServerCloses) {
  const std::vector<char> data = PatternBytes(10000, 9);
  const std::string reply = "HTTP/1.0 200 OK\r\nServer: test\r\n\r\n" + std::string(data.begin(), data.end());
  HttpServer server({reply, reply});
  zelvo::DownloadSlot* d = Run(Start(zelvo::kHttpGet, server.Url("/files/data.bin"), zelvo::kDownloadToFile));
  EXPECT_EQ(d->result, zelvo::kDownloadDone);
  EXPECT_EQ(d->contentLength, -1);
  EXPECT_EQ(d->received, 10000);
  EXPECT_EQ(FileText("data.bin"), std::string(data.begin(), data.end()));
  void* body = nullptr;
  d = Run(Start(zelvo::kHttpGet, server.Url("/files/data.bin"), zelvo::kDownloadToMemory, &body));
  EXPECT_EQ(d->result, zelvo::kDownloadDone);
  ASSERT_EQ(d->received, 10000);
  EXPECT_EQ(std::memcmp(body, data.data(), 10000), 0);
  zelvo::TrackedFree(body);
}

TEST_F(Http, PostSendsItsDataAndHeadReadsTheLength) {
  HttpServer server({"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok",
                     "HTTP/1.0 200 OK\r\nServer: test\r\nContent-Length: 1234\r\n\r\n",
                     "HTTP/1.0 200 OK\r\nServer: test\r\n\r\n"});
  void* body = nullptr;
  zelvo::DownloadSlot* post = Run(Start(zelvo::kHttpPost, server.Url("/form"), zelvo::kDownloadToMemory, &body, "a=1&b"));
  EXPECT_EQ(post->result, zelvo::kDownloadDone);
  EXPECT_EQ(std::string(static_cast<char*>(body), 2), "ok");
  zelvo::TrackedFree(body);
  zelvo::DownloadSlot* head = Run(Start(zelvo::kHttpHead, server.Url("/big"), zelvo::kDownloadToMemory));
  EXPECT_EQ(head->result, zelvo::kDownloadDone);
  EXPECT_EQ(head->contentLength, 1234);
  // Headers that end without a length tell that none is given.
  zelvo::DownloadSlot* unknown = Run(Start(zelvo::kHttpHead, server.Url("/big"), zelvo::kDownloadToMemory));
  EXPECT_EQ(unknown->result, zelvo::kDownloadDone);
  EXPECT_EQ(unknown->contentLength, -1);
  const std::string port = std::to_string(server.port());
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0], "POST /form HTTP/1.0\nHost: 127.0.0.1:" + port + "\nContent-Length: 5\n\na=1&b");
  EXPECT_EQ(requests[1], "HEAD /big HTTP/1.0\n\n");
}

TEST_F(Http, UrlsSplitIntoBoundedParts) {
  struct Case {
    std::string url;
    int result;
    const char* host;
    const char* path;
    const char* file;
    int port;
  };
  const Case cases[] = {
      {"http://example.com", 0, "example.com", "/", "index.htm", -1},
      {"http://h:8080/a/b.html", 0, "h", "/a/b.html", "b.html", 8080},
      {"http://h:0/dir/", 0, "h", "/dir/", "index.htm", -1},
      {"ftp:/x", -1, "", "", "", -1},
      {"http://" + std::string(300, 'h') + "/", -1, "", "", "", -1},
      {"http://h/" + std::string(3000, 'p'), -1, "", "", "", -1},
      {"http://h:70000/", -1, "", "", "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url.substr(0, 40));
    char host[zelvo::kHttpHostSize] = "", path[zelvo::kHttpPathSize] = "", file[zelvo::kHttpFileNameSize] = "";
    int port = 0;
    ASSERT_EQ(zelvo::SplitUrl(c.url.c_str(), host, path, file, &port), c.result);
    if (c.result != 0) continue;
    EXPECT_STREQ(host, c.host);
    EXPECT_STREQ(path, c.path);
    EXPECT_STREQ(file, c.file);
    EXPECT_EQ(port, c.port);
  }
}

TEST_F(Http, UrlEncodingKeepsItsSafeCharactersAndPairsDoubleByteOnes) {
  char text[64] = "/a b/表.txt";   // 表 is 95 5C, a trail byte that looks like a backslash
  EXPECT_EQ(zelvo::UrlEncode(text, sizeof text, 0, 1), 15);
  EXPECT_STREQ(text, "/a b/表.txt");
  EXPECT_EQ(zelvo::UrlEncode(text, sizeof text, 0, 0), 15);
  EXPECT_STREQ(text, "/a+b/%95%5C.txt");
  char other[64] = "a/b:c%*-._Z9";
  EXPECT_EQ(zelvo::UrlEncode(other, sizeof other, 1, 0), 18);
  EXPECT_STREQ(other, "a%2Fb%3Ac%25*-._Z9");
  char small[8] = "a b c d";
  EXPECT_EQ(zelvo::UrlEncode(small, sizeof small, 1, 0), 7);
  char tiny[8] = "\x81\x40\x81\x40";
  EXPECT_EQ(zelvo::UrlEncode(tiny, sizeof tiny, 0, 0), -1);   // 12 bytes do not fit
  EXPECT_STREQ(tiny, "\x81\x40\x81\x40");
}

TEST_F(Http, ProxyRequestsCarryTheWholeUrl) {
  char host[zelvo::kHttpHostSize], path[zelvo::kHttpPathSize], file[zelvo::kHttpFileNameSize];
  int port = 0;
  ASSERT_EQ(zelvo::PrepareHttpUrl("http://h/a b", 1, host, path, file, &port), 0);   // no proxy set
  EXPECT_STREQ(path, "/a+b");
  EXPECT_EQ(port, 80);
  std::strcpy(zelvo::g_httpSettings.proxyHost, "proxy");
  zelvo::g_httpSettings.proxyPort = 3128;
  ASSERT_EQ(zelvo::PrepareHttpUrl("http://h:8080/a b", 1, host, path, file, &port), 0);
  EXPECT_STREQ(path, "http://h:8080/a+b");
  EXPECT_STREQ(host, "proxy");
  EXPECT_EQ(port, 3128);
  ASSERT_EQ(zelvo::PrepareHttpUrl("http://h/a", 1, host, path, file, &port), 0);
  EXPECT_STREQ(path, "http://h/a");
  zelvo::g_httpSettings = zelvo::HttpSettings{};
}

TEST_F(Http, ConnectionFailuresAreLoggedAndLeaveTheSettings) {
  unsigned char address[4];
  char host[zelvo::kHttpHostSize], path[zelvo::kHttpPathSize], file[zelvo::kHttpFileNameSize];
  int port = 0;
  EXPECT_EQ(zelvo::OpenHttpConnection("no-scheme", 0, address, host, path, file, &port), -1);
  ASSERT_EQ(zelvo::StartNetWorkLayer(nullptr), 0);   // its own lookup of this machine comes first
  pf::testing::FailNextCalls("gethostbyname", 1);
  EXPECT_EQ(zelvo::OpenHttpConnection("http://localhost/", 0, address, host, path, file, &port), -1);
  int closedPort = 0;
  { RawPeer gone = RawPeer::Listen(&closedPort); }
  const std::string url = "http://127.0.0.1:" + std::to_string(closedPort) + "/";
  EXPECT_EQ(zelvo::OpenHttpConnection(url.c_str(), 0, address, host, path, file, &port), -1);
  EXPECT_EQ(zelvo::GetNetWorkPacketMode(), 1);
  EXPECT_EQ(zelvo::GetNetWorkAutoClose(), 1);
  EXPECT_TRUE(InOrder(ReadLog(), {"ＵＲＬ no-scheme の解析に失敗しました", "ダウンロード先ホスト localhost が見つかりませんでした",
                                  "ダウンロード先ホスト 127.0.0.1 への接続に失敗しました"}));
}

TEST_F(Http, TableHoldsAHundredTransfersAndClosesThemAll) {
  int slots[zelvo::kMaxDownloads];
  for (int& slot : slots) ASSERT_GE(slot = zelvo::AllocDownloadSlot(), 0);
  EXPECT_EQ(zelvo::AllocDownloadSlot(), -1);
  EXPECT_EQ(zelvo::FreeDownloadSlot(slots[50]), 0);
  EXPECT_EQ(zelvo::AllocDownloadSlot(), 50);
  // A transfer still running when the table is closed ends as done, its connection closed.
  int port = 0;
  RawPeer silent = RawPeer::Listen(&port);
  zelvo::DownloadSlot* d = g_downloads.slots[0];
  unsigned char address[4];
  char file[zelvo::kHttpFileNameSize];
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
  d->connection = zelvo::OpenHttpConnection(url.c_str(), 0, address, d->host, d->path, file, &d->port);
  ASSERT_NE(d->connection, -1);
  for (int i = 0; i < 5; ++i) PumpMessages();
  EXPECT_EQ(d->step, 1);
  EXPECT_EQ(zelvo::CloseAllDownloads(), 0);
  EXPECT_EQ(g_downloads.count, 0);
  EXPECT_EQ(zelvo::g_network.liveCount, 0);
  EXPECT_TRUE(InOrder(ReadLog(), {"同時にダウンロードしているファイルが限界に達していたためダウンロードを開始できませんでした"}));
}

}  // namespace
}  // namespace zelvo_test
