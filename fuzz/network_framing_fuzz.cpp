// Arbitrary bytes as what a peer sends a connection in packet mode, placed into the receive ring in
// pieces of chosen sizes and read back in chosen sizes as the program would; or as a program of
// byte-ring operations. Whatever the bytes, the packets read are exactly the bodies after the
// 4-byte prefixes (a length the connection cannot take stops the connection with its error flag),
// and the ring holds exactly what a plain queue holds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "media/core/log.h"
#include "media/core/network_layer.h"
#include "media/core/network_ring.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// The input, read from the front for the choices and the bytes.
struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at;
  int Byte() { return at < size ? data[at++] : 0; }
  bool Done() const { return at >= size; }
};

// Reads the complete packets' bytes in chosen sizes, with a peek first, as NetWorkRecv does.
void TakeComplete(zelvo::NetWorkRecord* record, Input* in, std::deque<char>* expected) {
  while (record->receiveCompleteBytes > 0) {
    int n = in->Byte() * 37 + 1;
    if (n > record->receiveCompleteBytes) n = record->receiveCompleteBytes;
    std::vector<char> out(static_cast<std::size_t>(n));
    std::vector<char> peeked(static_cast<std::size_t>(n));
    Require(zelvo::ReadRing(&record->receiveRing, peeked.data(), n, 1) == 0);
    Require(zelvo::ReadRing(&record->receiveRing, out.data(), n, 0) == 0);
    Require(peeked == out && static_cast<int>(expected->size()) >= n);
    for (char c : out) {
      Require(c == expected->front());
      expected->pop_front();
    }
    record->receiveCompleteBytes -= n;
  }
}

void FuzzPackets(Input* in) {
  zelvo::NetWorkRecord record{};
  // The reference: the bodies of the packets completed so far, in order.
  std::deque<char> expected;
  std::vector<unsigned char> prefix;
  std::int64_t missing = 0;
  std::vector<char> body;
  bool refused = false;
  while (!in->Done() && !refused) {
    const int piece = in->Byte() % 64 + 1;
    const int n = in->size - in->at < static_cast<std::size_t>(piece) ? static_cast<int>(in->size - in->at) : piece;
    const char* bytes = reinterpret_cast<const char*>(in->data + in->at);
    in->at += static_cast<std::size_t>(n);
    for (int i = 0; i < n && !refused; ++i) {
      if (missing == 0 && body.empty() && prefix.size() < 4) {
        prefix.push_back(static_cast<unsigned char>(bytes[i]));
        if (prefix.size() < 4) continue;
        const std::int64_t length = static_cast<std::int32_t>(prefix[0] | prefix[1] << 8 | prefix[2] << 16 |
                                                              static_cast<std::uint32_t>(prefix[3]) << 24);
        prefix.clear();
        if (length < 0 || length > zelvo::kMaxNetWorkPacket) refused = true;
        missing = length;
        continue;
      }
      body.push_back(bytes[i]);
      if (--missing == 0) {
        expected.insert(expected.end(), body.begin(), body.end());
        body.clear();
      }
    }
    const int placed = zelvo::PlaceReceivedBytes(&record, bytes, n);
    Require((placed == -1) == refused && (record.errorFlag != 0) == refused);
    if (refused) break;
    Require(record.receiveCompleteBytes == static_cast<int>(expected.size()));
    Require(record.receiveRing.dataLength == record.receiveCompleteBytes + static_cast<int>(body.size()));
    TakeComplete(&record, in, &expected);
  }
  zelvo::FreeRing(&record.receiveRing);
}

void FuzzRing(Input* in) {
  zelvo::ByteRing ring{};
  std::deque<char> model;
  char scratch[512];
  while (!in->Done()) {
    const int op = in->Byte() % 5;
    const int n = in->Byte() * 2;
    switch (op) {
      case 0: {   // append
        for (int i = 0; i < n; ++i) scratch[i] = static_cast<char>(in->Byte());
        Require(zelvo::AppendRing(&ring, scratch, n) == 0);
        model.insert(model.end(), scratch, scratch + n);
        break;
      }
      case 1:     // read or peek
      case 2: {
        const int result = zelvo::ReadRing(&ring, scratch, n, op == 2);
        Require((result == 0) == (n <= static_cast<int>(model.size())));
        if (result != 0) break;
        for (int i = 0; i < n; ++i) Require(scratch[i] == model[static_cast<std::size_t>(i)]);
        if (op == 1) model.erase(model.begin(), model.begin() + n);
        break;
      }
      case 3: {   // write in place
        Require(zelvo::ReserveRing(&ring, n) == 0);
        char* at = nullptr;
        const int span = zelvo::RingWritableSpan(&ring, &at);
        const int take = span < n ? span : n;
        Require(take >= 0 && (n == 0 || take > 0));
        for (int i = 0; i < take; ++i) at[i] = static_cast<char>(i ^ n);
        for (int i = 0; i < take; ++i) model.push_back(static_cast<char>(i ^ n));
        zelvo::CommitRingWrite(&ring, take);
        break;
      }
      default: {  // drop in place
        const char* at = nullptr;
        const int span = zelvo::RingReadableSpan(&ring, &at);
        const int take = span < n ? span : n;
        Require(take >= 0 && take <= static_cast<int>(model.size()) && (model.empty() || span > 0));
        for (int i = 0; i < take; ++i) Require(at[i] == model[static_cast<std::size_t>(i)]);
        zelvo::DropRingBytes(&ring, take);
        model.erase(model.begin(), model.begin() + take);
        break;
      }
    }
    Require(ring.dataLength == static_cast<int>(model.size()) && ring.dataLength <= ring.capacity);
  }
  zelvo::FreeRing(&ring);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zelvo::SetLogOff(1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 16)) return 0;
  Input in{data, size, 1};
  if (data[0] & 1) {
    FuzzRing(&in);
  } else {
    FuzzPackets(&in);
  }
  return 0;
}
