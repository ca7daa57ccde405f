// Framed message throughput over the loopback address: a message sent on one library connection
// and read whole from its peer connection, the library driving both ends from one thread through
// its socket notices. The peer: plain blocking sockets moving the same bytes (the same 4-byte
// length and payload), a sender and a receiver thread, one message at a time, the sender sleeping
// until the receiver has the message. Before the timing each side's first message is compared with
// what was sent. Both are timed by the process's CPU time, every thread counted: on the one core
// they are given that is all the time either side takes, while the other programs of a loaded
// machine do not count.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <zelvo/zelvo.h>

#include "media/core/library_lock.h"
#include "media/core/network_layer.h"
#include "platform/kernel/kernel.h"

namespace {

std::uint32_t Loopback() {
  const unsigned char bytes[4] = {127, 0, 0, 1};
  std::uint32_t value;
  std::memcpy(&value, bytes, 4);
  return value;
}

void SetRate(benchmark::State& state, std::int64_t bytesPerIteration) {
  state.SetBytesProcessed(state.iterations() * bytesPerIteration);
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(bytesPerIteration) * state.iterations() / 1e6,
                                              benchmark::Counter::kIsRate);
}

// The bytes of a message: a pattern, so that a byte out of place shows.
std::vector<char> MessageBytes(int size) {
  std::vector<char> bytes(static_cast<std::size_t>(size));
  std::uint32_t x = 12345;
  for (char& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<char>(x >> 24);
  }
  return bytes;
}

void BM_FramedMessages(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  zelvo::LibraryLockGuard lock;
  const int port = zelvo::StartListenNetWork(Loopback(), 0);
  const int client = zelvo::OpenNetWorkConnection(Loopback(), port);
  int server = -1;
  for (int i = 0; i < 100000 && server == -1; ++i) {
    zelvo::PumpNetWorkWindow(0);
    server = zelvo::GetNewAcceptNetWork();
  }
  if (client == -1 || server == -1) {
    state.SkipWithError("no connection");
    return;
  }
  const std::vector<char> message = MessageBytes(size);
  std::vector<char> received(static_cast<std::size_t>(size));
  zelvo::NetWorkSend(client, message.data(), size);
  for (int pass = 0; pass < 1000000 && zelvo::GetNetWorkDataLength(server) < size; ++pass) {
  }
  if (zelvo::NetWorkRecv(server, received.data(), size) != 0 || received != message) {
    state.SkipWithError("the message read is not the message sent");
  }
  for (auto _ : state) {
    if (state.error_occurred()) break;
    zelvo::NetWorkSend(client, message.data(), size);
    while (zelvo::GetNetWorkDataLength(server) < size) {
    }
    zelvo::NetWorkRecv(server, received.data(), size);
  }
  SetRate(state, size);
  zelvo::CloseNetWorkConnection(client);
  zelvo::CloseNetWorkConnection(server);
  zelvo::StopListenNetWork();
}

// Two connected blocking TCP sockets on the loopback address.
bool PlainPair(int* sender, int* receiver) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(listener, 1) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length) != 0) {
    ::close(listener);
    return false;
  }
  *sender = ::socket(AF_INET, SOCK_STREAM, 0);
  const bool connected = ::connect(*sender, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
  *receiver = connected ? ::accept(listener, nullptr, nullptr) : -1;
  ::close(listener);
  return connected && *receiver >= 0;
}

bool SendAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t sent = ::send(fd, data, n, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    n -= static_cast<std::size_t>(sent);
  }
  return true;
}

void BM_PlainBlockingSockets(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  int sender = -1, receiver = -1;
  if (!PlainPair(&sender, &receiver)) {
    state.SkipWithError("no connection");
    return;
  }
  const std::vector<char> message = MessageBytes(size);
  std::vector<char> frame(static_cast<std::size_t>(size) + 4);
  std::memcpy(frame.data(), &size, 4);
  std::memcpy(frame.data() + 4, message.data(), message.size());
  std::atomic<std::int64_t> messagesRead{0};
  std::atomic<bool> firstSame{false};
  std::thread reader([&] {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 4);
    for (;;) {
      if (::recv(receiver, buffer.data(), buffer.size(), MSG_WAITALL) != static_cast<ssize_t>(buffer.size())) break;
      if (messagesRead.load(std::memory_order_relaxed) == 0) firstSame.store(buffer == frame, std::memory_order_relaxed);
      messagesRead.fetch_add(1, std::memory_order_release);
      messagesRead.notify_one();
    }
    messagesRead.store(-1, std::memory_order_release);
    messagesRead.notify_one();
  });
  // Waiting for the reader sleeps, as a blocking program does: a spinning wait would take the one
  // core from the reader.
  std::int64_t sent = 0;
  auto sendOne = [&] {
    SendAll(sender, frame.data(), frame.size());
    ++sent;
    for (std::int64_t read = messagesRead.load(std::memory_order_acquire); read >= 0 && read < sent;
         read = messagesRead.load(std::memory_order_acquire)) {
      messagesRead.wait(read, std::memory_order_acquire);
    }
  };
  sendOne();
  if (!firstSame.load(std::memory_order_relaxed)) state.SkipWithError("the message read is not the message sent");
  for (auto _ : state) {
    if (state.error_occurred()) break;
    sendOne();
  }
  SetRate(state, size);
  ::shutdown(sender, SHUT_RDWR);
  reader.join();
  ::close(sender);
  ::close(receiver);
}

constexpr std::int64_t kSizes[] = {1024, 64 * 1024, 1024 * 1024};

class RateCollector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find("MB/s");
      if (it != r.counters.end() && r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        rates[r.run_name.function_name + "/" + r.run_name.args] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

// Loopback timings swing with the machine's load: each figure is the median of five runs.
BENCHMARK(BM_FramedMessages)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2])->MeasureProcessCPUTime()->Repetitions(5);
BENCHMARK(BM_PlainBlockingSockets)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2])->MeasureProcessCPUTime()->Repetitions(5);

int main(int argc, char** argv) {
  setenv("ZELVO_HOST", "headless", 1);
  pf::SetVirtualClock(false);
  char title[64];
  std::snprintf(title, sizeof title, "zelvo-bench-%d", static_cast<int>(getpid()));
  SetLogFileEnabled(0);
  SwitchWindowMode(1);
  SetWindowTitleText(title);
  if (StartUpLibrary() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RateCollector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-28s %12s %12s %8s\n", "framed message, bytes", "ours MB/s", "plain MB/s", "ratio");
  for (std::int64_t size : kSizes) {
    const std::string suffix = "/" + std::to_string(size);
    const double ours = reporter.rates["BM_FramedMessages" + suffix];
    const double plain = reporter.rates["BM_PlainBlockingSockets" + suffix];
    if (plain > 0) std::printf("%-28lld %12.0f %12.0f %8.2f\n", static_cast<long long>(size), ours, plain, ours / plain);
  }
  benchmark::Shutdown();
  ShutDownLibrary();
  return 0;
}
